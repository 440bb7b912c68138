// What a language-model backend is to the notes writer and the settings window. Calls are
// synchronous and throw the backend's error. Implementations hold no mutable state after
// construction and may be called from several threads at once.
#pragma once

#include <string>

namespace kelv::core {

class NotesBackend {
 public:
  virtual ~NotesBackend() = default;

  // The label recorded as the meeting's notes backend ("anthropic:claude-sonnet-4-5").
  virtual std::string name() const = 0;

  // The context size, in tokens, the notes writer plans its prompts against.
  virtual int contextTokens() const = 0;

  // The model's reply to one system text and one user message.
  virtual std::string complete(const std::string& system, const std::string& user) const = 0;

  // The connection test: one short completion whose reply is ignored; its error passes through.
  void test() const { complete("Reply with the single word OK.", "Test"); }
};

}  // namespace kelv::core
