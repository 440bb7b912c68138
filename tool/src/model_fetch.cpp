#include "model_fetch.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "environment_stores.h"
#include "kelv/core/backends/on_device/model_download.h"
#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/util/byte_count.h"

namespace kelv::tool {

using core::OnDeviceModel;

const OnDeviceModel* configuredModel(const core::Environment& environment) {
  const core::SettingsStore store = settingsStore(environment, keychain(environment));
  const core::Settings settings = store.load();
  if (settings.transcription.type != core::TranscriptionBackendType::onDevice)
    return OnDeviceModel::named(OnDeviceModel::defaultName);
  return OnDeviceModel::chosen(settings.transcription.model);
}

namespace {

// A terminal gets one line redrawn in place; a pipe or file a line per tenth.
class DownloadProgress {
 public:
  DownloadProgress(const std::string& command, const std::string& model)
      : prefix_(command + ": downloading the " + core::OnDeviceError::modelWords(model) + " \"" +
                model + "\""),
        terminal_(isatty(fileno(stderr))) {}
  ~DownloadProgress() {
    if (terminal_ && shown_) std::fputc('\n', stderr);
  }

  void operator()(int64_t received, int64_t total) {
    const int percent = total > 0 ? static_cast<int>(received * 100 / total) : -1;
    if (terminal_) {
      std::fprintf(stderr, "\r%s: %s", prefix_.c_str(), amount(received, total, percent).c_str());
    } else {
      const int tenth = percent < 0 ? -1 : percent / 10;
      if (shown_ && tenth == lastTenth_) return;
      lastTenth_ = tenth;
      std::fprintf(stderr, "%s: %s\n", prefix_.c_str(), amount(received, total, percent).c_str());
    }
    shown_ = true;
    std::fflush(stderr);
  }

 private:
  static std::string amount(int64_t received, int64_t total, int percent) {
    std::string text = core::formatByteCount(received);
    if (total > 0)
      text += " of " + core::formatByteCount(total) + " (" + std::to_string(percent) + "%)";
    return text + "   ";
  }

  std::string prefix_;
  bool terminal_;
  bool shown_ = false;
  int lastTenth_ = -2;
};

}  // namespace

namespace {

std::optional<std::string> readyFile(const OnDeviceModel& model, bool verify,
                                     const std::string& command) {
  const std::filesystem::path folder = OnDeviceModel::folder();
  const std::filesystem::path file = folder / model.fileName;
  try {
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
      if (!verify || core::ModelDownload::isIntact(model, folder)) return std::nullopt;
      std::fprintf(stderr, "%s: %s doesn't match its published checksum; fetching it again\n",
                   command.c_str(), file.c_str());
      std::filesystem::remove(file, error);
    }
    DownloadProgress progress(command, model.name);
    core::ModelDownload::fetch(model, folder, std::ref(progress));
    return std::nullopt;
  } catch (const std::exception& failure) {
    return failure.what();
  }
}

}  // namespace

std::optional<std::string> readyModel(const OnDeviceModel& model, bool verify,
                                      const std::string& command) {
  // The detector first: it is small, and without it no speech reaches the model.
  if (auto failure = readyFile(OnDeviceModel::voiceDetector(), verify, command)) return failure;
  return readyFile(model, verify, command);
}

bool modelsPresent(const OnDeviceModel& model) {
  std::error_code error;
  return std::filesystem::exists(OnDeviceModel::voiceDetector().path(), error) &&
         std::filesystem::exists(model.path(), error);
}

}  // namespace kelv::tool
