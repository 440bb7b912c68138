// One per-user preferences domain: the JSON object in $XDG_CONFIG_HOME/<domain>/preferences.json.
//
// Each key maps to a JSON value; a value that holds a JSON document is embedded as is, a date
// is an ISO 8601 text in UTC. Nothing is cached: every read opens the file. Every change is a
// read–change–write of the whole file under an exclusive lock on a sibling lock file, followed
// by an atomic replacement (mode 0600), so concurrent writers in several processes neither tear
// the file nor lose each other's keys. A file that is not a JSON object reads as an empty
// domain and is renamed to "preferences.json.corrupt-<UTC stamp>" before the next write.
// A Preferences value may be copied and used from any thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "kelv/core/util/library_json.h"

namespace kelv::core {

class Preferences {
 public:
  // The domain stored in `file` (tests use a path of their own).
  explicit Preferences(std::filesystem::path file);

  // $XDG_CONFIG_HOME/<name>/preferences.json (~/.config when XDG_CONFIG_HOME is unset).
  // nullopt when `name` can't be a folder name (empty, ".", "..", or holds "/" or NUL).
  static std::optional<Preferences> suite(const std::string& name);

  // The application's domain: the suite named `suiteName` when that opens, else
  // "com.tizara.app".
  static Preferences standard(const std::optional<std::string>& suiteName);

  const std::filesystem::path& file() const { return file_; }

  // The whole domain; an empty object when the file is missing, unreadable or not an object.
  nlohmann::json snapshot() const;

  std::optional<nlohmann::json> value(const std::string& key) const;
  bool contains(const std::string& key) const { return value(key).has_value(); }
  // The value when it is a JSON text.
  std::optional<std::string> string(const std::string& key) const;
  // The value when it is a JSON boolean.
  std::optional<bool> boolean(const std::string& key) const;

  // Both throw PlatformError when the file can't be written; the domain is then unchanged.
  void set(const std::string& key, const nlohmann::json& value) const;
  void setDate(const std::string& key, Date date) const;
  void remove(const std::string& key) const;

  // Moves a file that is not a JSON object aside at once (under the lock) and returns where it
  // went; nothing when the file is missing or reads fine. Throws PlatformError when it can't
  // be moved.
  std::optional<std::filesystem::path> keepAsideIfCorrupt() const;

  // Applies `change` to the domain object under the lock and writes the result (not written
  // when the object is unchanged).
  void update(const std::function<void(nlohmann::json& domain)>& change) const;

 private:
  std::filesystem::path file_;
};

}  // namespace kelv::core
