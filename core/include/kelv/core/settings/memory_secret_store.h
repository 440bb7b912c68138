// A SecretStore held in memory: for tests, and for the secrets document the processing tool
// receives on standard input. Thread-safe.
#pragma once

#include <map>
#include <mutex>

#include "kelv/core/settings/secret_store.h"

namespace kelv::core {

class MemorySecretStore : public SecretStore {
 public:
  MemorySecretStore() = default;
  explicit MemorySecretStore(std::map<std::string, std::string> secrets);

  std::optional<std::string> secret(const std::string& account) const override;
  void setSecret(const std::optional<std::string>& value, const std::string& account) override;

  // Every stored account and its secret.
  std::map<std::string, std::string> all() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> secrets_;
};

}  // namespace kelv::core
