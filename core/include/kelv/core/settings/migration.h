// The one-time move from the earlier version's separate preference entries and keychain
// accounts to the current settings record and key accounts.
//
// It runs at every launch and does nothing once "v2.settings" exists. Old entries are read
// from the store's own preferences domain and old keys from its secret store; nothing old is
// removed, and an existing new key is never overwritten. Call from one thread at start-up.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kelv/core/settings/settings_store.h"

namespace kelv::core::Migration {

struct KeyMove {
  std::string oldAccount;
  std::string newAccount;
};

// Old notes provider value → its preset (none: a hand-made OpenAI-compatible choice) and the
// old preference keys of its model and address.
struct Provider {
  std::string oldValue;
  std::optional<std::string> preset;
  std::string modelKey;
  std::optional<std::string> addressKey;
};

const std::vector<KeyMove>& keyAccounts();
const std::vector<Provider>& providers();

// The notes folder text of the earlier version as a folder path: a leading "~" is the home
// folder; nullopt when the result isn't absolute.
std::optional<std::filesystem::path> expandFolder(const std::string& text);

// The vocabulary of the earlier version: one term per line, the part before the first colon
// (leading colons skipped), trimmed; empty results dropped.
std::vector<std::string> vocabularyFromLines(const std::string& text);

// True when it migrated (and saved a record), false when "v2.settings" already existed.
// Throws PlatformError when the record can't be saved.
bool runIfNeeded(const SettingsStore& store);

}  // namespace kelv::core::Migration
