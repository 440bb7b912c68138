#include "kelv/core/util/library_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "kelv/core/util/atomic_file.h"

namespace kelv::core::LibraryJson {
namespace {

using nlohmann::json;

void writeString(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '/':
        out += "\\/";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

void writeNumber(std::string& out, double value) {
  if (!std::isfinite(value)) throw std::invalid_argument("JSON can't hold a non-finite number");
  // Whole numbers are written without a fraction ("3", not "3.0"), as in the meeting
  // files already on disk.
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    out += std::to_string(static_cast<long long>(value));
    return;
  }
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void writeValue(std::string& out, const json& value, int depth) {
  const std::string indent(2 * static_cast<size_t>(depth), ' ');
  const std::string inner(2 * static_cast<size_t>(depth + 1), ' ');
  switch (value.type()) {
    case json::value_t::null:
      out += "null";
      break;
    case json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      break;
    case json::value_t::number_integer:
      out += std::to_string(value.get<long long>());
      break;
    case json::value_t::number_unsigned:
      out += std::to_string(value.get<unsigned long long>());
      break;
    case json::value_t::number_float:
      writeNumber(out, value.get<double>());
      break;
    case json::value_t::string:
      writeString(out, value.get_ref<const std::string&>());
      break;
    case json::value_t::array: {
      out += "[\n";
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ",\n";
        first = false;
        out += inner;
        writeValue(out, element, depth + 1);
      }
      // An empty collection keeps a blank line between its brackets ("[\n\n]"), the layout
      // of the meeting files already on disk.
      out += "\n" + indent + "]";
      break;
    }
    case json::value_t::object: {
      out += "{\n";
      bool first = true;
      for (const auto& [key, element] : value.items()) {  // std::map: keys already sorted
        if (!first) out += ",\n";
        first = false;
        out += inner;
        writeString(out, key);
        out += " : ";
        writeValue(out, element, depth + 1);
      }
      out += "\n" + indent + "}";
      break;
    }
    case json::value_t::binary:
    case json::value_t::discarded:
      throw std::invalid_argument("JSON value can't be encoded");
  }
}

int digits(std::string_view text, size_t at, size_t count) {
  int value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

[[noreturn]] void fail(const char* key, const char* problem) {
  throw DecodingError(std::string("The value for key “") + key + "” " + problem + ".");
}

}  // namespace

std::string encode(const json& value) {
  std::string out;
  writeValue(out, value, 0);
  return out;
}

json parse(std::string_view text) {
  try {
    return json::parse(text);
  } catch (const json::exception&) {
    // Also a number out of range, which nlohmann reports as out_of_range.
    throw DecodingError("The data isn't valid JSON.");
  }
}

json readFile(const std::filesystem::path& path) { return parse(AtomicFile::read(path)); }

void writeFile(const std::filesystem::path& path, const json& value, FileSystem& files) {
  AtomicFile::write(path, encode(value), 0600, files);
}

std::string formatDate(Date date) {
  return DateText::formatted(date, "%Y-%m-%dT%H:%M:%SZ", DateText::Zone::utc);
}

std::optional<Date> parseDate(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SS
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' ||
      (text[10] != 'T' && text[10] != 't') || text[13] != ':' || text[16] != ':')
    return std::nullopt;
  const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
  const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 60)
    return std::nullopt;
  const std::chrono::year_month_day ymd{std::chrono::year{year},
                                        std::chrono::month{unsigned(month)},
                                        std::chrono::day{unsigned(day)}};
  if (!ymd.ok()) return std::nullopt;
  size_t at = 19;
  std::chrono::nanoseconds fraction{0};
  if (at < text.size() && text[at] == '.') {
    ++at;
    long long scale = 100000000, nanos = 0;
    const size_t begin = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      nanos += (text[at] - '0') * scale;
      scale /= 10;
      ++at;
    }
    if (at == begin) return std::nullopt;
    fraction = std::chrono::nanoseconds{nanos};
  }
  std::chrono::seconds offset{0};
  if (at < text.size() && (text[at] == 'Z' || text[at] == 'z')) {
    ++at;
  } else if (at + 6 == text.size() && (text[at] == '+' || text[at] == '-') && text[at + 3] == ':') {
    const int oh = digits(text, at + 1, 2), om = digits(text, at + 4, 2);
    if (oh < 0 || om < 0) return std::nullopt;
    offset = std::chrono::hours{oh} + std::chrono::minutes{om};
    if (text[at] == '-') offset = -offset;
    at += 6;
  } else {
    return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  const auto local = std::chrono::sys_days{ymd} + std::chrono::hours{hour} +
                     std::chrono::minutes{minute} + std::chrono::seconds{second};
  // Date counts nanoseconds in 64 bits: years outside about 1685-2255 would overflow.
  const auto utc = (local - offset).time_since_epoch().count();
  if (utc < -9'000'000'000LL || utc > 9'000'000'000LL) return std::nullopt;
  return std::chrono::time_point_cast<Date::duration>(local - offset + fraction);
}

const json& require(const json& object, const char* key) {
  if (!object.is_object()) throw DecodingError("Expected a JSON object.");
  auto it = object.find(key);
  if (it == object.end()) throw DecodingError(std::string("No value for key “") + key + "”.");
  return *it;
}

std::string requireString(const json& object, const char* key) {
  const json& value = require(object, key);
  if (!value.is_string()) fail(key, "is not a string");
  return value.get<std::string>();
}

bool requireBool(const json& object, const char* key) {
  const json& value = require(object, key);
  if (!value.is_boolean()) fail(key, "is not a boolean");
  return value.get<bool>();
}

double requireNumber(const json& object, const char* key) {
  const json& value = require(object, key);
  if (!value.is_number()) fail(key, "is not a number");
  return value.get<double>();
}

Date requireDate(const json& object, const char* key) {
  const json& value = require(object, key);
  if (!value.is_string()) fail(key, "is not a date");
  auto date = parseDate(value.get_ref<const std::string&>());
  if (!date) fail(key, "is not an ISO 8601 date");
  return *date;
}

const json& requireArray(const json& object, const char* key) {
  const json& value = require(object, key);
  if (!value.is_array()) fail(key, "is not an array");
  return value;
}

std::optional<std::string> optionalString(const json& object, const char* key) {
  if (!object.is_object()) throw DecodingError("Expected a JSON object.");
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return std::nullopt;
  if (!it->is_string()) fail(key, "is not a string");
  return it->get<std::string>();
}

std::optional<double> optionalNumber(const json& object, const char* key) {
  if (!object.is_object()) throw DecodingError("Expected a JSON object.");
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return std::nullopt;
  if (!it->is_number()) fail(key, "is not a number");
  return it->get<double>();
}

std::optional<Date> optionalDate(const json& object, const char* key) {
  if (!object.is_object()) throw DecodingError("Expected a JSON object.");
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return std::nullopt;
  return requireDate(object, key);
}

std::string asString(const json& value, const char* what) {
  if (!value.is_string()) throw DecodingError(std::string("Expected a string for ") + what + ".");
  return value.get<std::string>();
}

double asNumber(const json& value, const char* what) {
  if (!value.is_number()) throw DecodingError(std::string("Expected a number for ") + what + ".");
  return value.get<double>();
}

}  // namespace kelv::core::LibraryJson
