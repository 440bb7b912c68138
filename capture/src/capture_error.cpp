#include "kelv/capture/capture_error.h"

namespace kelv::capture {

CaptureError CaptureError::micFailed(const std::string& reason) {
  return {Kind::micFailed, 0, "The microphone could not start: " + reason + "."};
}

CaptureError CaptureError::monitorRecordRefused(int code, const std::string& serverText) {
  return {Kind::monitorRecordRefused, code,
          "System audio capture could not start: the sound server refused to record the "
          "speakers (error " +
              std::to_string(code) + ": " + serverText + ")."};
}

CaptureError CaptureError::streamCreationFailed(int code) {
  return {Kind::streamCreationFailed, code,
          "Unable to create the system audio stream (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::sampleSpecUnavailable(int code) {
  return {Kind::sampleSpecUnavailable, code,
          "Unable to inspect the system audio tap format (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::recordConnectFailed(int code) {
  return {Kind::recordConnectFailed, code,
          "Unable to create the system audio IO callback (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::recordStartFailed(int code) {
  return {Kind::recordStartFailed, code,
          "Unable to start system audio capture (error " + std::to_string(code) + ")."};
}

CaptureError CaptureError::noInputDevice() {
  return {Kind::noInputDevice, 0, "No microphone is available."};
}

CaptureError CaptureError::noOutputDevice() {
  return {Kind::noOutputDevice, 0, "No audio output device is currently available."};
}

}  // namespace kelv::capture
