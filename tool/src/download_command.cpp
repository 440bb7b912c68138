// kelv download [MODEL] | --list: readies the on-device transcription model and the speech
// detector, so that the first meeting needn't wait for them, or lists the models. The
// application runs it from onboarding.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "command.h"
#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/backends/on_device/on_device_transcription.h"
#include "kelv/core/util/byte_count.h"
#include "model_fetch.h"

namespace kelv::tool {
namespace {

using core::OnDeviceModel;

#ifdef KELV_HAS_ON_DEVICE
// The engine, then one line per model: name, size, speed class, and whether it is here.
void list() {
  std::cout << core::OnDeviceTranscription::engineVersion() << "\n";
  const auto line = [](const OnDeviceModel& model, const char* speed) {
    std::error_code error;
    const bool present = std::filesystem::exists(model.path(), error);
    char text[160];
    std::snprintf(text, sizeof text, "%-20s %9s  %-8s  %s\n", model.name.c_str(),
                  core::formatByteCount(model.bytes).c_str(), speed,
                  present ? "present" : "not downloaded");
    std::cout << text;
  };
  for (const OnDeviceModel& model : OnDeviceModel::all())
    line(model, OnDeviceModel::speedName(model.speed));
  line(OnDeviceModel::voiceDetector(), "detector");
  std::cout.flush();
}
#endif

int download(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() > 1) return usageError("download", "expected at most one model name");
#ifndef KELV_HAS_ON_DEVICE
  (void)environment;
  std::cerr << "kelv download: no on-device transcription engine is available in this build\n";
  return core::ExitStatus::failure;
#else
  if (!arguments.empty() && arguments[0] == "--list") {
    list();
    return core::ExitStatus::success;
  }
  if (!arguments.empty() && arguments[0].starts_with("-"))
    return usageError("download", "unknown option " + arguments[0]);
  const OnDeviceModel* model = nullptr;
  try {
    model = arguments.empty() ? configuredModel(environment) : OnDeviceModel::named(arguments[0]);
  } catch (const std::exception& error) {
    std::cerr << "kelv download: " << error.what() << "\n";
    return core::ExitStatus::failure;
  }
  if (!model) {
    std::cerr << "kelv download: "
              << core::OnDeviceError::unknownModel(arguments.empty() ? "?" : arguments[0]).what()
              << "\n";
    return core::ExitStatus::failure;
  }
  if (auto failure = readyModel(*model, /*verify=*/true, "kelv download")) {
    std::cerr << "kelv download: " << *failure << "\n";
    return core::ExitStatus::failure;
  }
  std::cout << model->path().string() << std::endl;
  return core::ExitStatus::success;
#endif
}

const CommandRegistration registration{Command{
    "download", "fetch the on-device transcription model",
    "usage: kelv download [MODEL]\n"
    "       kelv download --list\n"
    "\n"
    "Fetches the on-device transcription model that the settings choose (MODEL names another;\n"
    "--list shows them all) into $XDG_DATA_HOME/Kelvora/Models, together with the speech\n"
    "detection model that keeps silence and noise away from it, and checks both against their\n"
    "published SHA-256 checksums; a file already there is checked too and fetched again when it\n"
    "differs. An interrupted download continues where it stopped. Progress goes to standard\n"
    "error; the model file's path to standard output.\n"
    "\n"
    "--list prints the engine's version, then one line per model: its name, its size, how fast\n"
    "it transcribes (fastest, fast, moderate, slow, slowest) and whether it is downloaded.\n"
    "\n"
    "KELV_MODEL_BASE_URL fetches from another address (a mirror), which must serve the files\n"
    "and a SHA256SUMS checksum list beside them.\n"
    "\n"
    "Exit status: 0 the model is ready, 1 it couldn't be fetched (the reason is on standard\n"
    "error), 2 usage error. A build without the on-device engine always exits with 1.\n",
    download}};

}  // namespace
}  // namespace kelv::tool
