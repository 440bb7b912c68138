#include "kelv/core/backends/on_device/on_device_error.h"

#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/util/byte_count.h"

namespace kelv::core {

std::string OnDeviceError::modelWords(const std::string& name) {
  return name == OnDeviceModel::voiceDetector().name ? "speech detection model"
                                                     : "transcription model";
}

OnDeviceError OnDeviceError::unknownModel(const std::string& name) {
  return {Kind::unknownModel, "The on-device transcription model \"" + name +
                                  "\" doesn't exist. Choose one of " + OnDeviceModel::namesList() +
                                  "."};
}

OnDeviceError OnDeviceError::damagedModel(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  const char* what =
      name == OnDeviceModel::voiceDetector().fileName ? "speech detection" : "transcription";
  return {Kind::damagedModel, std::string("The ") + what + " model file " + name +
                                  " is damaged or incomplete. Run \"kelv download\" to fetch it "
                                  "again."};
}

OnDeviceError OnDeviceError::engineFailed(int code) {
  return {Kind::engineFailed,
          "On-device transcription failed (engine error " + std::to_string(code) + ")."};
}

OnDeviceError OnDeviceError::downloadFailed(const std::string& model, const std::string& reason) {
  return {Kind::downloadFailed,
          "Couldn't download the " + modelWords(model) + " \"" + model + "\": " + reason};
}

OnDeviceError OnDeviceError::notEnoughSpace(const std::string& model, int64_t needed,
                                            int64_t available) {
  return {Kind::notEnoughSpace, "Not enough disk space for the " + modelWords(model) + " \"" +
                                    model + "\": it needs " + formatByteCount(needed) + ", " +
                                    formatByteCount(available) + " are free."};
}

OnDeviceError OnDeviceError::checksumMismatch(const std::string& model) {
  return {Kind::checksumMismatch, "The downloaded " + modelWords(model) + " \"" + model +
                                      "\" doesn't match its published checksum; it was discarded."};
}

}  // namespace kelv::core
