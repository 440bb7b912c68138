// The notes backend for Google's Gemini models through generateContent: the system text as the
// system instruction, the user text as one user turn, and the reply's text parts joined,
// skipping the parts the model marks as thoughts.
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

class GeminiNotes : public NotesBackend {
 public:
  static constexpr const char* kDefaultAddress = "https://generativelanguage.googleapis.com/v1beta";
  static constexpr const char* kDefaultModel = "gemini-3-flash-preview";

  explicit GeminiNotes(const NotesSetup& setup,
                       std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral());

  // "gemini:" + model
  std::string name() const override { return "gemini:" + model_; }
  int contextTokens() const override { return contextTokens_; }
  // Throws CloudError (badAddress, invalidKey without a key or on 401/403, http, badResponse),
  // TransferError, or NotesError::empty.
  std::string complete(const std::string& system, const std::string& user) const override;

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
