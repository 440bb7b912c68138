// The SecretStore on the freedesktop Secret Service (libsecret): one item per account with the
// attributes `service` and `account`, labelled "Tizara: <account>".
//
// Each call holds the session bus only while it runs (a bus that goes away never ends the
// process, and a restarted one is found again), and every call is bounded by `timeout`: a Secret
// Service that is missing, locked or stuck reads as no secret and ignores writes. Blocks the
// calling thread; safe from any thread.
#pragma once

#include <chrono>
#include <string>

#include "kelv/core/settings/secret_store.h"

namespace kelv::core {

class Keychain : public SecretStore {
 public:
  explicit Keychain(std::string service,
                    std::chrono::milliseconds timeout = std::chrono::seconds(3));

  const std::string& service() const { return service_; }

  // "com.tizara.app", or "com.tizara.app." + `suite` when that is a name the preferences accept
  // as a suite: keys follow the settings.
  static std::string serviceFor(const std::optional<std::string>& suite);

  std::optional<std::string> secret(const std::string& account) const override;
  // Delete, then store when `value` is present and not empty.
  void setSecret(const std::optional<std::string>& value, const std::string& account) override;

 private:
  std::string service_;
  std::chrono::milliseconds timeout_;
};

}  // namespace kelv::core
