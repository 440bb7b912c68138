// Where API keys are kept, by account name ("v2.notes.OpenAI"). Implementations must be safe
// to call from any thread; calls are synchronous and never throw: a store that can't be
// reached reads as empty and ignores writes.
#pragma once

#include <optional>
#include <string>

namespace kelv::core {

class SecretStore {
 public:
  virtual ~SecretStore() = default;

  // The secret stored under `account`, or nullopt.
  virtual std::optional<std::string> secret(const std::string& account) const = 0;

  // Stores `value` under `account`; an absent or empty value removes the entry.
  virtual void setSecret(const std::optional<std::string>& value, const std::string& account) = 0;
};

}  // namespace kelv::core
