#include "kelv/capture/capture_error.h"

namespace kelv::capture {

CaptureError CaptureError::micFailed(const std::string& reason) {
  return {Kind::micFailed, 0, "The microphone could not start: " + reason + "."};
}

CaptureError CaptureError::tapCreationFailed(int code, const std::string& serverText) {
  return {Kind::tapCreationFailed, code,
          "System audio capture could not start: the sound server refused to record the "
          "speakers (error " + std::to_string(code) + ": " + serverText + ")."};
}

CaptureError CaptureError::aggregateDeviceCreationFailed(int code) {
  return {Kind::aggregateDeviceCreationFailed, code,
          "Unable to create the system audio stream (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::tapFormatUnavailable(int code) {
  return {Kind::tapFormatUnavailable, code,
          "Unable to inspect the system audio tap format (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::ioProcCreationFailed(int code) {
  return {Kind::ioProcCreationFailed, code,
          "Unable to create the system audio IO callback (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::startFailed(int code) {
  return {Kind::startFailed, code,
          "Unable to start system audio capture (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::noInputDevice() {
  return {Kind::noInputDevice, 0, "No microphone is available."};
}

CaptureError CaptureError::noOutputDevice() {
  return {Kind::noOutputDevice, 0, "No audio output device is currently available."};
}

}  // namespace kelv::capture
