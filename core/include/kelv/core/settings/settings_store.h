// Where the settings record and the API keys live, and how a backend configuration resolves
// into the inputs of a backend (the objects themselves are made by BackendAssembly).
//
// The record is one JSON value under "v2.settings" in the preferences domain; keys live in a
// SecretStore under accounts named by backend configuration ("v2.notes.OpenAI"). Nothing is
// cached: every load reads the preferences file. A plain value; copies share the secret store
// and may be used from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/backends/backend_config.h"
#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/preset.h"
#include "kelv/core/settings/preferences.h"
#include "kelv/core/settings/secret_store.h"
#include "kelv/core/settings/settings.h"
#include "kelv/core/util/api_key.h"
#include "kelv/core/util/application.h"

namespace kelv::core {

class SettingsStore {
 public:
  // The preferences suite name and keychain service name.
  static constexpr std::string_view domain = Application::kIdentifier;
  static constexpr const char* kSettingsKey = "v2.settings";
  static constexpr const char* kConsentKey = "v2.consentAcknowledged";

  SettingsStore(Preferences defaults, std::shared_ptr<SecretStore> secrets);

  const Preferences& defaults() const { return defaults_; }
  SecretStore& secrets() const { return *secrets_; }

  // The stored record, or the default record when none is stored or it can't be decoded (the
  // stored bytes are then left alone until the next save).
  Settings load() const;
  // Why load() gives the defaults although something is stored, for the user to hear about
  // it: a preferences file that is not JSON (moved aside here, so nothing is lost when the
  // next save writes a new one), or a settings record that doesn't decode. Nothing when the
  // settings read fine or none are stored.
  std::optional<std::string> readProblem() const;
  // Replaces the stored record; a record that can't be encoded (text that isn't UTF-8) removes
  // it instead. Throws PlatformError when the preferences file can't be written.
  void save(const Settings& settings) const;

  bool consentAcknowledged() const;
  // True stores the current time, false removes the key. Throws PlatformError.
  void setConsentAcknowledged(bool acknowledged) const;

  // "v2." + role + "." + (the preset's name, else the type's case name).
  template <typename Type>
  static std::string keyAccount(const BackendConfig<Type>& config) {
    std::string account = "v2.";
    account += BackendKind<Type>::role;
    account += ".";
    account += config.preset ? *config.preset : std::string(caseName(config.type));
    return account;
  }

  template <typename Type>
  std::optional<std::string> apiKey(const BackendConfig<Type>& config) const {
    return secrets_->secret(keyAccount(config));
  }

  // An absent or empty key removes the stored one. Throws std::invalid_argument, storing
  // nothing, for a key with control characters or longer than 4 KiB (ApiKey::problem).
  template <typename Type>
  void setAPIKey(const std::optional<std::string>& key, const BackendConfig<Type>& config) const {
    if (key) ApiKey::check(*key);
    secrets_->setSecret(key, keyAccount(config));
  }

  // Fills the configuration's gaps from its preset (matched by name and type), reads its key
  // and sets the context size by the address rule.
  template <typename Type>
  BackendSetup<Type> setup(const BackendConfig<Type>& config,
                           const std::vector<Preset<Type>>& presets) const {
    const Preset<Type>* preset = nullptr;
    if (config.preset)
      for (const auto& candidate : presets)
        if (candidate.name == *config.preset && candidate.type == config.type) {
          preset = &candidate;
          break;
        }
    BackendSetup<Type> result;
    result.type = config.type;
    result.address =
        config.address ? config.address : (preset ? std::optional(preset->address) : std::nullopt);
    result.model = config.model && !config.model->empty() ? config.model
                                                          : (preset ? preset->model : std::nullopt);
    result.apiKey = apiKey(config);
    result.contextTokens = BackendAddress::contextTokens(result.address);
    return result;
  }

 private:
  Preferences defaults_;
  std::shared_ptr<SecretStore> secrets_;
};

}  // namespace kelv::core
