// The notes backend for every server speaking OpenAI's chat-completions protocol (OpenAI,
// OpenRouter, Requesty, LM Studio, MLX, llama.cpp) and for Ollama, recognised by its port
// 11434 and then spoken to on its own /api/chat endpoint with the context size and thinking
// switched off. The endpoint is derived from whatever base address the user typed.
//
// Immutable after construction except through client() (tests); complete() may be called from
// several threads at once.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/cloud/cloud_client.h"
#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/net/http_session.h"

namespace kelv::core {

class OpenAICompatibleNotes : public NotesBackend {
 public:
  struct Endpoint {
    std::string url;
    bool ollama = false;
  };

  explicit OpenAICompatibleNotes(
      const NotesSetup& setup, std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral());

  // "openai-compatible:" + the model, else the address's host, else the address text.
  std::string name() const override;
  int contextTokens() const override { return contextTokens_; }
  // Throws CloudError (badAddress, invalidKey, http, badResponse), TransferError, the JSON
  // parser's error for a reply that is not JSON, or NotesError::empty.
  std::string complete(const std::string& system, const std::string& user) const override;

  // Where requests go: /api/chat on port 11434, else .../v1/chat/completions (a full address
  // ending in /chat/completions is used as typed). Absent for an unusable address.
  std::optional<Endpoint> endpoint() const;
  // The request complete() sends to `endpoint`.
  HttpRequest request(const Endpoint& endpoint, const std::string& system,
                      const std::string& user) const;

  const std::string& address() const { return address_; }
  const std::optional<std::string>& model() const { return model_; }
  const std::optional<std::string>& apiKey() const { return apiKey_; }
  // The HTTP client; its label is replaced per request.
  CloudClient& client() { return client_; }

 private:
  std::string address_;
  std::optional<std::string> model_;
  std::optional<std::string> apiKey_;
  int contextTokens_;
  CloudClient client_;
};

}  // namespace kelv::core
