// The one JSON style of every file the library writes into a meeting folder.
//
// Pretty-printed with two-space indentation and " : " between key and value, keys sorted,
// forward slashes written "\/", non-ASCII text as UTF-8, dates as UTC ISO 8601 with whole
// seconds and "Z". Values are built with nlohmann::json (whose objects keep keys sorted);
// absent optionals are simply not put into the object.
//
// Reading helpers throw LibraryJson::DecodingError for a missing required key, a value of the
// wrong type or a malformed date, so every reader rejects the same inputs in the same words.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kelv/core/util/date_text.h"
#include "kelv/core/util/file_system.h"

namespace kelv::core {

namespace LibraryJson {

class DecodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The encoded text of a value in this style, with no final line feed.
std::string encode(const nlohmann::json& value);

// Parses text; malformed JSON throws DecodingError.
nlohmann::json parse(std::string_view text);

// Reads and parses a whole file; a read failure throws PlatformError.
nlohmann::json readFile(const std::filesystem::path& path);

// Encodes the value and replaces the file atomically (mode 0600).
void writeFile(const std::filesystem::path& path, const nlohmann::json& value,
               FileSystem& files = *FileSystem::posix());

// "2025-03-14T08:15:02Z": UTC, whole seconds (the fraction is dropped).
std::string formatDate(Date date);
// Accepts "YYYY-MM-DDTHH:MM:SSZ", an optional fraction, and a "+HH:MM"/"-HH:MM" offset.
std::optional<Date> parseDate(std::string_view text);

// Typed access to an object's members.
const nlohmann::json& require(const nlohmann::json& object, const char* key);
std::string requireString(const nlohmann::json& object, const char* key);
bool requireBool(const nlohmann::json& object, const char* key);
double requireNumber(const nlohmann::json& object, const char* key);
Date requireDate(const nlohmann::json& object, const char* key);
const nlohmann::json& requireArray(const nlohmann::json& object, const char* key);
// Absent and null read as nullopt; any other wrong type throws.
std::optional<std::string> optionalString(const nlohmann::json& object, const char* key);
std::optional<double> optionalNumber(const nlohmann::json& object, const char* key);
std::optional<Date> optionalDate(const nlohmann::json& object, const char* key);

// Element access for arrays of plain values.
std::string asString(const nlohmann::json& value, const char* what);
double asNumber(const nlohmann::json& value, const char* what);

}  // namespace LibraryJson
}  // namespace kelv::core
