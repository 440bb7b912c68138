#include "kelv/core/backends/on_device/on_device_error.h"

#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/util/byte_count.h"

namespace kelv::core {

OnDeviceError OnDeviceError::unknownModel(const std::string& name) {
  return {Kind::unknownModel, "The on-device transcription model \"" + name +
                                  "\" doesn't exist. Choose one of " + OnDeviceModel::namesList() +
                                  "."};
}

OnDeviceError OnDeviceError::damagedModel(const std::filesystem::path& file) {
  return {Kind::damagedModel,
          "The transcription model file " + file.filename().string() +
              " is damaged or incomplete. Run \"kelv download\" to fetch it again."};
}

OnDeviceError OnDeviceError::engineFailed(int code) {
  return {Kind::engineFailed,
          "On-device transcription failed (engine error " + std::to_string(code) + ")."};
}

OnDeviceError OnDeviceError::downloadFailed(const std::string& model, const std::string& reason) {
  return {Kind::downloadFailed,
          "Couldn't download the transcription model \"" + model + "\": " + reason};
}

OnDeviceError OnDeviceError::notEnoughSpace(const std::string& model, int64_t needed,
                                            int64_t available) {
  return {Kind::notEnoughSpace, "Not enough disk space for the transcription model \"" + model +
                                    "\": it needs " + formatByteCount(needed) + ", " +
                                    formatByteCount(available) + " are free."};
}

OnDeviceError OnDeviceError::checksumMismatch(const std::string& model) {
  return {Kind::checksumMismatch, "The downloaded transcription model \"" + model +
                                      "\" doesn't match its published checksum; it was discarded."};
}

}  // namespace kelv::core
