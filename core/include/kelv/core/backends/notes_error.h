// The notes step's own failure: the model answered, but nothing usable was left of its notes.
// Backend failures (network, key, service) keep their own error types.
//
// Immutable once built; safe to copy between threads.
#pragma once

#include <stdexcept>

namespace kelv::core {

class NotesError : public std::runtime_error {
 public:
  enum class Kind { empty, noCards, noBackend };

  // "The model returned empty notes. Thinking mode may be enabled on the server, or the token
  // budget ran out before the notes were written."
  static NotesError empty();
  // The model answered study cards with no card that could be read.
  static NotesError noCards();
  // Study cards were asked for with no notes backend in the settings; names the setting.
  static NotesError noBackend();

  Kind kind() const noexcept { return kind_; }

 private:
  NotesError(Kind kind, const char* message) : std::runtime_error(message), kind_(kind) {}

  Kind kind_;
};

}  // namespace kelv::core
