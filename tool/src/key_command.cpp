// kelv key: stores or removes the API key of the configured transcription or notes backend in
// the Secret Service.
#include <iostream>
#include <iterator>

#include "command.h"
#include "environment_stores.h"
#include "kelv/core/settings/keychain.h"
#include "kelv/core/settings/migration.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/api_key.h"
#include "kelv/core/util/platform_error.h"
#include "processing_session.h"

namespace kelv::tool {
namespace {

std::string readKey() {
  std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int keyCommand(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() != 2) return usageError("key", "expected \"set\" or \"clear\" and a ROLE");
  const std::string& action = arguments[0];
  const std::string& role = arguments[1];
  if (action != "set" && action != "clear")
    return usageError("key", "unknown action \"" + action + "\"");
  if (role != "transcription" && role != "notes")
    return usageError("key", "ROLE must be \"transcription\" or \"notes\", got \"" + role + "\"");

  const auto keychain = tool::keychain(environment);
  core::SettingsStore store = settingsStore(environment, keychain);
  reportUnreadableSettings(store);
  std::string account;
  try {
    // Keys of an earlier version move to their new accounts first, so a key set here isn't
    // then replaced by an old one.
    core::Migration::runIfNeeded(store);
  } catch (const core::PlatformError& error) {
    std::cerr << "kelv key: " << error.what() << "\n";
    return core::ExitStatus::failure;
  }
  const core::Settings settings = store.load();
  if (role == "transcription") {
    if (settings.transcription.type == core::TranscriptionBackendType::onDevice) {
      std::cerr << "kelv key: on-device transcription needs no key; choose a backend with "
                   "\"kelv settings set transcription NAME\" first.\n";
      return core::ExitStatus::failure;
    }
    account = core::SettingsStore::keyAccount(settings.transcription);
  } else {
    if (settings.notes.type == core::NotesBackendType::none) {
      std::cerr << "kelv key: notes are switched off; choose a backend with "
                   "\"kelv settings set notes NAME\" first.\n";
      return core::ExitStatus::failure;
    }
    account = core::SettingsStore::keyAccount(settings.notes);
  }

  std::optional<std::string> key;
  if (action == "set") {
    key = readKey();
    if (key->empty()) {
      std::cerr << "kelv key: no key on standard input; nothing changed.\n";
      return core::ExitStatus::failure;
    }
    if (const auto problem = core::ApiKey::problem(*key)) {
      std::cerr << "kelv key: " << *problem << " Nothing changed.\n";
      return core::ExitStatus::failure;
    }
  }
  keychain->setSecret(key, account);
  // The Secret Service reports nothing on failure: read back to tell the user the truth.
  if (keychain->secret(account) != key) {
    std::cerr << "kelv key: the Secret Service (service \"" << keychain->service() << "\") did not "
              << (key ? "store" : "remove") << " the key for " << account << ".\n";
    return core::ExitStatus::failure;
  }
  std::cout << (key ? "Stored" : "Removed") << " the key for " << account << ".\n";
  return core::ExitStatus::success;
}

const CommandRegistration registration{Command{
    "key", "store or remove the API key of a configured backend",
    "usage: kelv key set|clear transcription|notes\n"
    "\n"
    "\"set\" reads the API key from standard input (surrounding blanks and line breaks are\n"
    "dropped) and stores it in the Secret Service for the backend now configured for that\n"
    "role; a key with other control characters or longer than 4 KiB is refused. \"clear\"\n"
    "removes it. Keys belong to a preset (or, without one, to the backend\n"
    "type), so each preset keeps its own key.\n",
    keyCommand}};

}  // namespace
}  // namespace kelv::tool
