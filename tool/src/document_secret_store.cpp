#include "document_secret_store.h"

#include <unistd.h>

#include <iostream>
#include <iterator>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "kelv/core/util/api_key.h"

namespace kelv::tool {

DocumentSecretStore::DocumentSecretStore(std::map<std::string, std::string> document,
                                         std::shared_ptr<const core::SecretStore> fallback)
    : document_(std::move(document)), fallback_(std::move(fallback)) {}

std::map<std::string, std::string> DocumentSecretStore::parse(std::string_view text) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return {};
  const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object())
    throw std::invalid_argument(
        "the secrets document must be a JSON object of account names to keys");
  std::map<std::string, std::string> document;
  for (const auto& [account, key] : json.items()) {
    if (!key.is_string())
      throw std::invalid_argument("the key of \"" + account +
                                  "\" in the secrets document is not a text");
    if (const auto problem = core::ApiKey::problem(key.get_ref<const std::string&>()))
      throw std::invalid_argument("the key of \"" + account +
                                  "\" in the secrets document: " + *problem);
    document.emplace(account, key.get<std::string>());
  }
  return document;
}

std::optional<std::string> DocumentSecretStore::secret(const std::string& account) const {
  {
    std::lock_guard lock(mutex_);
    if (const auto found = document_.find(account); found != document_.end()) return found->second;
  }
  return fallback_ ? fallback_->secret(account) : std::nullopt;
}

void DocumentSecretStore::setSecret(const std::optional<std::string>& value,
                                    const std::string& account) {
  std::lock_guard lock(mutex_);
  if (value && !value->empty())
    document_[account] = *value;
  else
    document_.erase(account);
}

std::map<std::string, std::string> readSecretsDocument() {
  if (isatty(STDIN_FILENO)) return {};
  const std::string text(std::istreambuf_iterator<char>(std::cin), {});
  return DocumentSecretStore::parse(text);
}

}  // namespace kelv::tool
