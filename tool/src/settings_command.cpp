// kelv settings: shows the settings record and changes one field at a time, for users who set
// things up without the application.
#include <algorithm>
#include <iostream>
#include <map>

#include "command.h"
#include "environment_stores.h"
#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/settings/migration.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/platform_error.h"
#include "processing_session.h"

namespace kelv::tool {
namespace {

using core::Settings;

// Thrown for a value the field can't take; the text says why.
struct BadValue {
  std::string message;
};

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::optional<std::string> optionalText(const std::string& value) {
  if (value.empty()) return std::nullopt;
  return value;
}

bool truth(const std::string& value) {
  if (value == "true") return true;
  if (value == "false") return false;
  throw BadValue{"expected \"true\" or \"false\", got \"" + value + "\""};
}

// A backend's base address: an http or https URL with a host.
std::optional<std::string> address(const std::string& value) {
  const std::string text = trimmed(value);
  if (text.empty()) return std::nullopt;
  const auto scheme = text.find("://");
  const std::string name = scheme == std::string::npos ? "" : text.substr(0, scheme);
  const std::string rest = scheme == std::string::npos ? "" : text.substr(scheme + 3);
  if ((name != "http" && name != "https") || rest.empty() || rest[0] == '/' ||
      text.find_first_of(" \t\r\n") != std::string::npos)
    throw BadValue{"\"" + value + "\" isn't an http or https address"};
  return text;
}

// The backend choice of the settings window: a preset's name, "custom", or the off choice.
template <typename Type>
core::BackendConfig<Type> choice(const std::string& value, Type off, Type custom) {
  if (const auto* preset = core::Preset<Type>::named(value))
    return {preset->type, {}, {}, preset->name};
  if (value == "custom") return {custom};
  if (value.empty() || value == "off" || value == core::storedValue(off)) return {off};
  std::string names;
  for (const auto& preset : core::Preset<Type>::all()) names += "\"" + preset.name + "\", ";
  throw BadValue{"unknown choice \"" + value + "\"; use one of " + names + "\"custom\" or \"" +
                 std::string(core::storedValue(off)) + "\""};
}

void apply(Settings& settings, const std::string& key, const std::string& value) {
  using core::NotesBackendType;
  using core::TranscriptionBackendType;
  if (key == "notesFolder") {
    auto folder = core::Migration::expandFolder(trimmed(value));
    if (!folder) throw BadValue{"the notes folder must be an absolute path, got \"" + value + "\""};
    settings.notesFolder = *folder;
  } else if (key == "language") {
    settings.language = optionalText(trimmed(value));
  } else if (key == "vocabulary") {
    settings.vocabulary.clear();
    size_t start = 0;
    while (start <= value.size()) {
      const size_t comma = std::min(value.find(',', start), value.size());
      if (auto term = trimmed(value.substr(start, comma - start)); !term.empty())
        settings.vocabulary.push_back(term);
      start = comma + 1;
    }
  } else if (key == "transcription") {
    settings.transcription =
        choice(value, TranscriptionBackendType::onDevice, TranscriptionBackendType::openAIStyle);
  } else if (key == "notes") {
    settings.notes = choice(value, NotesBackendType::none, NotesBackendType::openAICompatible);
  } else if (key == "transcription.address") {
    settings.transcription.address = address(value);
  } else if (key == "transcription.model") {
    settings.transcription.model = optionalText(trimmed(value));
    // The on-device kind only knows the models it can fetch.
    if (settings.transcription.type == TranscriptionBackendType::onDevice &&
        settings.transcription.model && !core::OnDeviceModel::named(*settings.transcription.model))
      throw BadValue{"the on-device models are " + core::OnDeviceModel::namesList() + ", got \"" +
                     value + "\""};
  } else if (key == "notes.address") {
    settings.notes.address = address(value);
  } else if (key == "notes.model") {
    settings.notes.model = optionalText(trimmed(value));
  } else if (key == "notesPrompt") {
    settings.notesPrompt = optionalText(value);
  } else if (key == "deleteAudioAfterProcessing") {
    settings.deleteAudioAfterProcessing = truth(value);
  } else if (key == "askToRecordCalls") {
    settings.askToRecordCalls = truth(value);
  } else {
    throw BadValue{"unknown setting \"" + key + "\""};
  }
}

int settingsCommand(const std::vector<std::string>& arguments,
                    const core::Environment& environment) {
  core::SettingsStore store = settingsStore(environment, keychain(environment));
  reportUnreadableSettings(store);
  if (arguments.empty()) {
    std::cout << nlohmann::json(store.load()).dump(2) << "\n";
    return core::ExitStatus::success;
  }
  if (arguments[0] != "set")
    return usageError("settings", "unknown argument \"" + arguments[0] + "\"");
  if (arguments.size() != 3) return usageError("settings", "\"set\" takes a KEY and a VALUE");
  try {
    // An earlier version's settings are taken over before the first record is written.
    core::Migration::runIfNeeded(store);
    Settings settings = store.load();
    apply(settings, arguments[1], arguments[2]);
    try {
      (void)nlohmann::json(settings).dump();
    } catch (const nlohmann::json::exception&) {
      throw BadValue{"the value isn't valid UTF-8 text"};
    }
    store.save(settings);
  } catch (const BadValue& bad) {
    return usageError("settings", arguments[1] + ": " + bad.message);
  } catch (const core::PlatformError& error) {
    std::cerr << "kelv settings: " << error.what() << "\n";
    return core::ExitStatus::failure;
  }
  return core::ExitStatus::success;
}

const CommandRegistration registration{Command{
    "settings", "show or change the settings",
    "usage: kelv settings [set KEY VALUE]\n"
    "\n"
    "Without arguments, prints the current settings as JSON (API keys are kept in the\n"
    "Secret Service and never printed; see \"kelv key\"). With \"set\", changes one setting:\n"
    "\n"
    "  notesFolder                 an absolute folder (\"~/\" is the home folder)\n"
    "  language                    a language code; empty follows the system\n"
    "  vocabulary                  terms separated by commas\n"
    "  transcription               a preset name, \"custom\" or \"on-device\"\n"
    "  notes                       a preset name, \"custom\" or \"none\"\n"
    "  transcription.address       an http or https address; empty uses the preset's\n"
    "  transcription.model         a model name; empty uses the preset's (on-device: one of\n"
    "                              kelv download --list; empty is base)\n"
    "  notes.address, notes.model  the same for notes\n"
    "  notesPrompt                 your own notes prompt; empty uses the default\n"
    "  deleteAudioAfterProcessing  true or false\n"
    "  askToRecordCalls            true or false\n"
    "\n"
    "Choosing a backend clears a previously set address and model. A bad value changes\n"
    "nothing. KELV_DEFAULTS_SUITE selects a separate set of settings and keys.\n",
    settingsCommand}};

}  // namespace
}  // namespace kelv::tool
