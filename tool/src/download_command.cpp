// kelv download [MODEL]: readies the on-device transcription model, so that the first
// meeting needn't wait for it. The application runs it from onboarding.
#include <iostream>

#include "command.h"
#include "kelv/core/backends/on_device/on_device_error.h"
#include "model_fetch.h"

namespace kelv::tool {
namespace {

using core::OnDeviceModel;

int download(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() > 1) return usageError("download", "expected at most one model name");
#ifndef KELV_HAS_ON_DEVICE
  (void)environment;
  std::cerr << "kelv download: no on-device transcription engine is available in this build\n";
  return core::ExitStatus::failure;
#else
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
    "\n"
    "Fetches the on-device transcription model that the settings choose (MODEL names another:\n"
    "tiny, base, small, medium or large-v3-turbo) into $XDG_DATA_HOME/Kelvora/Models and checks\n"
    "it against its published SHA-256 checksum; a model already there is checked too and\n"
    "fetched again when it differs. An interrupted download continues where it stopped.\n"
    "Progress goes to standard error; the model file's path to standard output.\n"
    "\n"
    "KELV_MODEL_BASE_URL fetches from another address (a mirror), which must serve the files\n"
    "and a SHA256SUMS checksum list beside them.\n"
    "\n"
    "Exit status: 0 the model is ready, 1 it couldn't be fetched (the reason is on standard\n"
    "error), 2 usage error. A build without the on-device engine always exits with 1.\n",
    download}};

}  // namespace
}  // namespace kelv::tool
