// The user's settings as one plain record, its JSON form, and the language rule.
//
// JSON keys equal the field names; `notesFolder` is a file URL, `language` and `notesPrompt`
// are written only when present. On reading every key is optional, but a key of the wrong
// type (or a backend choice that doesn't decode) makes the whole record unreadable.
// A plain value: copy it freely between threads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kelv/core/backends/backend_config.h"

namespace kelv::core {

struct Settings {
  std::filesystem::path notesFolder = defaultNotesFolder();
  // Absent: the language follows the user's preferred languages (see meetingLanguage).
  std::optional<std::string> language;
  std::vector<std::string> vocabulary;
  TranscriptionConfig transcription{TranscriptionBackendType::onDevice, {}, {}, {}};
  NotesConfig notes{NotesBackendType::none, {}, {}, {}};
  // Absent: the default notes prompt.
  std::optional<std::string> notesPrompt;
  bool deleteAudioAfterProcessing = false;
  bool askToRecordCalls = true;
  std::vector<std::string> ignoredCallApps;

  bool operator==(const Settings&) const = default;

  // `language` as stored (also when empty), else the first preferred language's code, else "en".
  std::string meetingLanguage() const;

  // ~/Documents/Kelvora
  static std::filesystem::path defaultNotesFolder();
};

// The language code of a locale identifier ("es_ES.UTF-8" → "es", "pt-BR" → "pt"); nullopt for
// "C", "POSIX" and identifiers without one.
std::optional<std::string> localeLanguageCode(std::string_view identifier);

// The user's preferred languages as locale identifiers: the entries of LANGUAGE, then LC_ALL,
// LC_MESSAGES and LANG (empty values skipped).
std::vector<std::string> preferredLanguages();

// The rule behind Settings::meetingLanguage, with the preferred languages given.
std::string meetingLanguage(const std::optional<std::string>& language,
                            const std::vector<std::string>& preferred);

// "file:///home/ana/Documents/Kelvora/" for a folder (percent-encoded, with a final slash).
std::string folderURL(const std::filesystem::path& folder);
// The absolute path of a file URL ("file:///…" or "file://localhost/…"), without a final
// slash; nullopt for anything else.
std::optional<std::filesystem::path> pathFromFileURL(std::string_view url);

void to_json(nlohmann::json& json, const Settings& settings);
// Throws LibraryJson::DecodingError.
void from_json(const nlohmann::json& json, Settings& settings);

}  // namespace kelv::core
