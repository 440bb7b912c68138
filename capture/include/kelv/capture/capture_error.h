// Why live capture could not start. what() is the text shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace kelv::capture {

class CaptureError : public std::runtime_error {
 public:
  enum class Kind {
    micFailed,
    // The sound server refused to record the speakers' monitor.
    tapCreationFailed,
    // The system-audio stream could not be created.
    aggregateDeviceCreationFailed,
    tapFormatUnavailable,
    ioProcCreationFailed,
    startFailed,
    noInputDevice,
    noOutputDevice,
  };

  // "The microphone could not start: " + reason + "."
  static CaptureError micFailed(const std::string& reason);
  // The system-audio cases carry the sound server's error code (and for tapCreationFailed
  // its own text); they are printed as decimal numbers.
  static CaptureError tapCreationFailed(int code, const std::string& serverText);
  static CaptureError aggregateDeviceCreationFailed(int code);
  static CaptureError tapFormatUnavailable(int code);
  static CaptureError ioProcCreationFailed(int code);
  static CaptureError startFailed(int code);
  static CaptureError noInputDevice();
  static CaptureError noOutputDevice();

  Kind kind() const noexcept { return kind_; }
  // The sound server's error code of the system-audio cases, else 0.
  int code() const noexcept { return code_; }

 private:
  CaptureError(Kind kind, int code, const std::string& text)
      : std::runtime_error(text), kind_(kind), code_(code) {}
  Kind kind_;
  int code_;
};

}  // namespace kelv::capture
