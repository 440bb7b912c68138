#include "kelv/core/settings/memory_secret_store.h"

namespace kelv::core {

MemorySecretStore::MemorySecretStore(std::map<std::string, std::string> secrets) {
  for (auto& [account, value] : secrets)
    if (!value.empty()) secrets_.emplace(account, std::move(value));
}

std::optional<std::string> MemorySecretStore::secret(const std::string& account) const {
  std::lock_guard lock(mutex_);
  auto found = secrets_.find(account);
  if (found == secrets_.end()) return std::nullopt;
  return found->second;
}

void MemorySecretStore::setSecret(const std::optional<std::string>& value,
                                  const std::string& account) {
  std::lock_guard lock(mutex_);
  if (!value || value->empty())
    secrets_.erase(account);
  else
    secrets_[account] = *value;
}

std::map<std::string, std::string> MemorySecretStore::all() const {
  std::lock_guard lock(mutex_);
  return secrets_;
}

}  // namespace kelv::core
