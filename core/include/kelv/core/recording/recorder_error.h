// The recorder's own error: not enough free disk space to begin a recording.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace kelv::core {

class RecorderError : public std::runtime_error {
 public:
  enum class Kind { notEnoughDisk };

  static RecorderError notEnoughDisk(int64_t freeBytes);

  Kind kind() const noexcept { return kind_; }
  int64_t freeBytes() const noexcept { return freeBytes_; }

 private:
  RecorderError(Kind kind, int64_t freeBytes, const std::string& message)
      : std::runtime_error(message), kind_(kind), freeBytes_(freeBytes) {}

  Kind kind_;
  int64_t freeBytes_;
};

}  // namespace kelv::core
