// The notes backend for Anthropic's Messages API: the system text goes in the request's system
// field, the user text as one user turn, and the reply is the text blocks joined (thinking and
// other blocks skipped). The endpoint is base + /v1/messages, whatever the user typed after the
// host (a trailing slash, /v1 or the full path).
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

class AnthropicNotes : public NotesBackend {
 public:
  static constexpr const char* kDefaultAddress = "https://api.anthropic.com";
  static constexpr const char* kDefaultModel = "claude-sonnet-4-5";

  explicit AnthropicNotes(const NotesSetup& setup,
                          std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral());

  // "anthropic:" + model
  std::string name() const override { return "anthropic:" + model_; }
  int contextTokens() const override { return contextTokens_; }
  // Throws CloudError (badAddress, invalidKey without a key or on 401/403, http, badResponse),
  // TransferError, or NotesError::empty.
  std::string complete(const std::string& system, const std::string& user) const override;

  // The messages endpoint, or absent for an address that is not http(s) with a host.
  std::optional<std::string> endpoint() const;

  const std::string& address() const { return address_; }
  const std::string& model() const { return model_; }
  CloudClient& client() { return client_; }

 private:
  std::string address_;
  std::string model_;
  std::optional<std::string> apiKey_;
  int contextTokens_;
  CloudClient client_;
};

}  // namespace kelv::core
