// Failures of on-device transcription and of fetching its model. what() is the user-facing
// text the pipeline records as the meeting's `lastError` and `kelv download` prints.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kelv::core {

class OnDeviceError : public std::runtime_error {
 public:
  enum class Kind {
    unknownModel,     // the settings name a model this build doesn't know
    damagedModel,     // the model file is truncated or not a model at all
    engineFailed,     // the engine gave up on the audio
    downloadFailed,   // network, HTTP or file trouble while fetching
    notEnoughSpace,   // the models folder's volume can't hold the model
    checksumMismatch  // the fetched file isn't the published one
  };

  OnDeviceError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

  Kind kind() const noexcept { return kind_; }

  static OnDeviceError unknownModel(const std::string& name);
  static OnDeviceError damagedModel(const std::filesystem::path& file);
  static OnDeviceError engineFailed(int code);
  static OnDeviceError downloadFailed(const std::string& model, const std::string& reason);
  static OnDeviceError notEnoughSpace(const std::string& model, int64_t needed, int64_t available);
  static OnDeviceError checksumMismatch(const std::string& model);

  // "transcription model", or "speech detection model" for the detector's name.
  static std::string modelWords(const std::string& model);

 private:
  Kind kind_;
};

}  // namespace kelv::core
