// Errors that come from the operating system or a platform library (files, processes).
//
// The error families of the system (MeetingError, RecorderError, ...) have their own types;
// PlatformError is a failure of the operating system itself: its what() is the
// user-facing text, and it keeps the errno value so callers can tell "not found" apart.
#pragma once

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace kelv::core {

class PlatformError : public std::runtime_error {
 public:
  PlatformError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

  // The errno value, or 0 when the failure did not come from a system call.
  int code() const noexcept { return code_; }
  bool isNotFound() const noexcept { return code_ == ENOENT; }

  // "Couldn't <action> “<file name>”: <strerror text>." for a failed system call.
  static PlatformError fromErrno(int code, const std::string& action,
                                 const std::filesystem::path& path);
  static PlatformError fromErrno(int code, const std::string& action);

 private:
  int code_;
};

}  // namespace kelv::core
