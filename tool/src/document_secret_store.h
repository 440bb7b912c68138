// The API keys of one `kelv` run: those of the secrets document the application writes to the
// tool's standard input (a JSON object of keychain account names to keys), and, for an account
// the document doesn't name, the Secret Service. Writes stay in memory: the tool never changes
// the user's keyring. Thread-safe.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "kelv/core/settings/secret_store.h"

namespace kelv::tool {

class DocumentSecretStore : public core::SecretStore {
 public:
  DocumentSecretStore(std::map<std::string, std::string> document,
                      std::shared_ptr<const core::SecretStore> fallback);

  // Text that is empty or only white space is an empty document. Throws std::invalid_argument
  // unless the text is a JSON object whose values are all texts.
  static std::map<std::string, std::string> parse(std::string_view text);

  std::optional<std::string> secret(const std::string& account) const override;
  void setSecret(const std::optional<std::string>& value, const std::string& account) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> document_;
  std::shared_ptr<const core::SecretStore> fallback_;
};

// Reads the secrets document from standard input to its end, unless standard input is a
// terminal (then nobody is sending one). Throws std::invalid_argument for a malformed one.
std::map<std::string, std::string> readSecretsDocument();

}  // namespace kelv::tool
