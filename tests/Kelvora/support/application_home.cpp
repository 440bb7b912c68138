#include "application_home.h"

#include <nlohmann/json.hpp>

#include <cstdlib>

namespace kelv::test {

namespace fs = std::filesystem;

ApplicationHome::ApplicationHome(const std::string& suite) : suite_(suite) {
  for (const char* folder : {"home", "runtime", "config", "data", "cache", "meetings"})
    fs::create_directory(temp_ / folder);
  // The single-instance socket refuses a runtime folder others can enter.
  fs::permissions(temp_ / "runtime", fs::perms::owner_all);
  environment = {
      {"HOME", (temp_ / "home").string()},
      {"XDG_RUNTIME_DIR", (temp_ / "runtime").string()},
      {"XDG_CONFIG_HOME", (temp_ / "config").string()},
      {"XDG_DATA_HOME", (temp_ / "data").string()},
      {"XDG_CACHE_HOME", (temp_ / "cache").string()},
      {"KELV_MEETINGS_DIR", (temp_ / "meetings").string()},
      {"KELV_DEFAULTS_SUITE", suite},
      {"KELV_FAKE_CAPTURE", "1"},
  };
}

std::string ApplicationHome::executable() {
  return (fs::path(std::getenv("KELV_TOOL")).parent_path() / "kelvora").string();
}

fs::path ApplicationHome::preferencesFile() const {
  return temp_ / "config" / suite_ / "preferences.json";
}

void ApplicationHome::acknowledgeConsent() const {
  fs::create_directories(preferencesFile().parent_path());
  writeFile(preferencesFile(), nlohmann::json{{"v2.consentAcknowledged", true}}.dump());
}

bool ApplicationHome::hasSocket() const {
  for (const auto& entry : fs::directory_iterator(temp_ / "runtime"))
    if (entry.is_socket()) return true;
  return false;
}

std::vector<fs::path> ApplicationHome::meetings() const {
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(temp_ / "meetings"))
    if (fs::exists(entry.path() / "meeting.json")) folders.push_back(entry.path());
  return folders;
}

std::string ApplicationHome::state(const fs::path& meeting) {
  try {
    return nlohmann::json::parse(readFile(meeting / "meeting.json")).at("state");
  } catch (const std::exception&) {
    return "";  // caught between writes
  }
}

}  // namespace kelv::test
