// A notes backend for tests of the notes writer: answers each request from a script (or a
// function of the request) and records every (system, user) pair in order.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kelv/core/backends/notes_backend.h"

namespace kelv::test {

class ScriptedModel : public core::NotesBackend {
 public:
  struct Request {
    std::string system;
    std::string user;
  };
  using Answer = std::function<std::string(const Request&)>;

  explicit ScriptedModel(int contextTokens = 8192) : contextTokens_(contextTokens) {}

  // Answers the requests with `replies` in turn; a request past the end fails the test's
  // expectations by throwing.
  void script(std::vector<std::string> replies) {
    answer_ = [replies = std::move(replies), next = size_t{0}](const Request&) mutable {
      if (next >= replies.size()) throw std::logic_error("unexpected request to the model");
      return replies[next++];
    };
  }
  void answer(Answer answer) { answer_ = std::move(answer); }

  std::string name() const override { return "scripted"; }
  int contextTokens() const override { return contextTokens_; }
  std::string complete(const std::string& system, const std::string& user) const override {
    requests_.push_back({system, user});
    return answer_(requests_.back());
  }

  const std::vector<Request>& requests() const { return requests_; }

 private:
  int contextTokens_;
  mutable Answer answer_ = [](const Request&) -> std::string {
    throw std::logic_error("no script");
  };
  mutable std::vector<Request> requests_;
};

}  // namespace kelv::test
