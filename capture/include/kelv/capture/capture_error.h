// Why live capture could not start. what() is the text shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace kelv::capture {

class CaptureError : public std::runtime_error {
 public:
  // Each kind names the sound-server step that failed.
  enum class Kind {
    micFailed,
    // pa_stream_new refused the system-audio stream.
    streamCreationFailed,
    // pa_stream_connect_record refused the speakers' monitor source.
    recordConnectFailed,
    // The stream failed before it recorded: the server refused to record the monitor.
    monitorRecordRefused,
    // The stream's sample format (pa_sample_spec) could not be read. Not raised today: the server
    // converts to the format the stream asks for.
    sampleSpecUnavailable,
    // The ready stream did not start recording. Not raised today: a ready stream records.
    recordStartFailed,
    noInputDevice,
    noOutputDevice,
  };

  // "The microphone could not start: " + reason + "."
  static CaptureError micFailed(const std::string& reason);
  // The system-audio cases carry the sound server's error code (and for monitorRecordRefused
  // its own text); they are printed as decimal numbers.
  static CaptureError streamCreationFailed(int code);
  static CaptureError recordConnectFailed(int code);
  static CaptureError monitorRecordRefused(int code, const std::string& serverText);
  static CaptureError sampleSpecUnavailable(int code);
  static CaptureError recordStartFailed(int code);
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
