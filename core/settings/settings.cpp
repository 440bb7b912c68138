#include "kelv/core/settings/settings.h"

#include <unicode/locid.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/library_json.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {
namespace {

using LibraryJson::DecodingError;

std::vector<std::string> stringList(const nlohmann::json& json, const char* key) {
  std::vector<std::string> list;
  for (const auto& element : LibraryJson::requireArray(json, key))
    list.push_back(LibraryJson::asString(element, key));
  return list;
}

// Missing keys and null read as absent.
bool present(const nlohmann::json& json, const char* key) {
  auto found = json.find(key);
  return found != json.end() && !found->is_null();
}

// A present key must hold a boolean; an absent one keeps `fallback`.
bool optionalBool(const nlohmann::json& json, const char* key, bool fallback) {
  return present(json, key) ? LibraryJson::requireBool(json, key) : fallback;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::filesystem::path withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::filesystem::path Settings::defaultNotesFolder() {
  return homeDirectory() / "Documents" / "Kelvora";
}

std::string Settings::meetingLanguage() const {
  return kelv::core::meetingLanguage(language, preferredLanguages());
}

std::optional<std::string> localeLanguageCode(std::string_view identifier) {
  std::string id(identifier.substr(0, identifier.find_first_of(".@")));
  if (id.empty() || id == "C" || id == "POSIX") return std::nullopt;
  const icu::Locale locale(id.c_str());
  if (locale.isBogus()) return std::nullopt;
  std::string language = locale.getLanguage();
  const bool letters = std::all_of(language.begin(), language.end(),
                                   [](unsigned char c) { return std::isalpha(c); });
  if (language.size() < 2 || language.size() > 3 || !letters) return std::nullopt;
  return language;
}

std::vector<std::string> preferredLanguages() {
  std::vector<std::string> languages;
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string_view rest(list);
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      if (colon != 0) languages.emplace_back(rest.substr(0, colon));
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(name); value && *value) languages.emplace_back(value);
  return languages;
}

std::string meetingLanguage(const std::optional<std::string>& language,
                            const std::vector<std::string>& preferred) {
  if (language) return *language;
  if (preferred.empty()) return "en";
  return localeLanguageCode(preferred.front()).value_or("en");
}

std::string folderURL(const std::filesystem::path& folder) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : folder.string()) {
    if (std::isalnum(c) || std::string_view("/-._~!$&'()*+,;=:@").find(static_cast<char>(c)) !=
                               std::string_view::npos) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  if (url.back() != '/') url += '/';
  return url;
}

std::optional<std::filesystem::path> pathFromFileURL(std::string_view url) {
  constexpr std::string_view kScheme = "file://";
  if (url.size() < kScheme.size()) return std::nullopt;
  if (AsciiText::lowercased(url.substr(0, kScheme.size())) != kScheme) return std::nullopt;
  url.remove_prefix(kScheme.size());
  if (url.substr(0, 9) == "localhost") url.remove_prefix(9);
  if (url.empty() || url.front() != '/') return std::nullopt;
  url = url.substr(0, url.find_first_of("?#"));
  std::string path;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] != '%') {
      path += url[i];
      continue;
    }
    if (i + 2 >= url.size()) return std::nullopt;
    const int high = hexValue(url[i + 1]), low = hexValue(url[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    const char decoded = static_cast<char>(high * 16 + low);
    if (decoded == '\0') return std::nullopt;
    path += decoded;
    i += 2;
  }
  return withoutTrailingSlash(std::move(path));
}

void to_json(nlohmann::json& json, const Settings& settings) {
  json = nlohmann::json::object();
  json["notesFolder"] = folderURL(settings.notesFolder);
  if (settings.language) json["language"] = *settings.language;
  json["vocabulary"] = settings.vocabulary;
  json["transcription"] = settings.transcription;
  json["notes"] = settings.notes;
  if (settings.notesPrompt) json["notesPrompt"] = *settings.notesPrompt;
  json["deleteAudioAfterProcessing"] = settings.deleteAudioAfterProcessing;
  json["askToRecordCalls"] = settings.askToRecordCalls;
  json["ignoredCallApps"] = settings.ignoredCallApps;
}

void from_json(const nlohmann::json& json, Settings& settings) {
  if (!json.is_object()) throw DecodingError("The settings must be an object.");
  Settings result;
  if (present(json, "notesFolder")) {
    const std::string url = LibraryJson::requireString(json, "notesFolder");
    auto folder = pathFromFileURL(url);
    if (!folder) throw DecodingError("\"" + url + "\" isn't a file URL.");
    result.notesFolder = *folder;
  }
  if (present(json, "language")) result.language = LibraryJson::requireString(json, "language");
  if (present(json, "vocabulary")) result.vocabulary = stringList(json, "vocabulary");
  if (present(json, "transcription"))
    result.transcription = json.at("transcription").get<TranscriptionConfig>();
  if (present(json, "notes")) result.notes = json.at("notes").get<NotesConfig>();
  if (present(json, "notesPrompt"))
    result.notesPrompt = LibraryJson::requireString(json, "notesPrompt");
  result.deleteAudioAfterProcessing =
      optionalBool(json, "deleteAudioAfterProcessing", result.deleteAudioAfterProcessing);
  result.askToRecordCalls = optionalBool(json, "askToRecordCalls", result.askToRecordCalls);
  if (present(json, "ignoredCallApps"))
    result.ignoredCallApps = stringList(json, "ignoredCallApps");
  settings = std::move(result);
}

}  // namespace kelv::core
