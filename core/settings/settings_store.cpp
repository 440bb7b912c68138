#include "kelv/core/settings/settings_store.h"

#include <chrono>

#include "kelv/core/util/platform_error.h"

namespace kelv::core {

SettingsStore::SettingsStore(Preferences defaults, std::shared_ptr<SecretStore> secrets)
    : defaults_(std::move(defaults)), secrets_(std::move(secrets)) {}

Settings SettingsStore::load() const {
  const auto stored = defaults_.value(kSettingsKey);
  if (!stored) return Settings{};
  try {
    return stored->get<Settings>();
  } catch (const nlohmann::json::exception&) {
  } catch (const LibraryJson::DecodingError&) {
  }
  return Settings{};
}

std::optional<std::string> SettingsStore::readProblem() const {
  std::optional<std::filesystem::path> aside;
  try {
    aside = defaults_.keepAsideIfCorrupt();
  } catch (const PlatformError& error) {
    return "The preferences file " + defaults_.file().string() +
           " can't be read, so the default settings are used. " + error.what();
  }
  if (aside) {
    return "The preferences file " + defaults_.file().string() +
           " couldn't be read; it was kept as " + aside->string() +
           " and the default settings are used.";
  }
  const auto stored = defaults_.value(kSettingsKey);
  if (!stored) return std::nullopt;
  try {
    (void)stored->get<Settings>();
    return std::nullopt;
  } catch (const nlohmann::json::exception& error) {
    return "The saved settings in " + defaults_.file().string() +
           " couldn't be read, so the default settings are used (" + error.what() + ").";
  } catch (const LibraryJson::DecodingError& error) {
    return "The saved settings in " + defaults_.file().string() +
           " couldn't be read, so the default settings are used (" + error.what() + ").";
  }
}

void SettingsStore::save(const Settings& settings) const {
  const nlohmann::json json = settings;
  try {
    (void)json.dump();
  } catch (const nlohmann::json::type_error&) {
    defaults_.remove(kSettingsKey);
    return;
  }
  defaults_.set(kSettingsKey, json);
}

bool SettingsStore::consentAcknowledged() const { return defaults_.contains(kConsentKey); }

void SettingsStore::setConsentAcknowledged(bool acknowledged) const {
  if (acknowledged)
    defaults_.setDate(kConsentKey, std::chrono::system_clock::now());
  else
    defaults_.remove(kConsentKey);
}

}  // namespace kelv::core
