// Errors of the meeting library.
#pragma once

#include <stdexcept>

namespace kelv::core {

class MeetingError : public std::runtime_error {
 public:
  enum class Kind { busy };

  explicit MeetingError(Kind kind = Kind::busy)
      : std::runtime_error("This Meeting is being recorded or processed by another Kelvora."),
        kind_(kind) {}

  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

}  // namespace kelv::core
