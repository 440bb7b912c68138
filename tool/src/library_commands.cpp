// The user's commands over the meeting library: import, list, recover, rename, delete.
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "command.h"
#include "environment_stores.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/library_json.h"
#include "processing_session.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

// Only the record is needed here, never a key.
Settings settings(const Environment& environment) {
  const SettingsStore store = settingsStore(environment, std::make_shared<MemorySecretStore>());
  reportUnreadableSettings(store);
  return store.load();
}

std::optional<MeetingEntry> findEntry(const std::string& id, const Environment& environment) {
  for (auto& entry : meetingStore(environment).entries(settings(environment).notesFolder))
    if (entry.id == id) return entry;
  return std::nullopt;
}

int fail(const std::string& command, const std::string& message) {
  std::cerr << "kelv " << command << ": " << message << "\n";
  return core::ExitStatus::failure;
}

int importCommand(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.empty() || arguments.size() > 2)
    return usageError("import", "give one audio file, or two (microphone, then system audio)");
  std::vector<std::filesystem::path> files(arguments.begin(), arguments.end());
  try {
    const MeetingFolder folder =
        meetingStore(environment)
            .importAudio(files, std::nullopt, settings(environment).meetingLanguage());
    std::cout << folder.id() << std::endl;
    return core::ExitStatus::success;
  } catch (const std::exception& error) {
    return fail("import", error.what());
  }
}

int listCommand(const std::vector<std::string>& arguments, const core::Environment& environment) {
  bool json = false;
  for (const auto& argument : arguments) {
    if (argument == "--json")
      json = true;
    else
      return usageError("list", "unknown argument \"" + argument + "\"");
  }
  const auto entries = meetingStore(environment).entries(settings(environment).notesFolder);
  if (json) {
    auto list = nlohmann::json::array();
    for (const auto& entry : entries) {
      nlohmann::json item = {{"id", entry.id},
                             {"title", entry.title},
                             {"state", toString(entry.state)},
                             {"date", LibraryJson::formatDate(entry.date)}};
      if (entry.duration) item["duration"] = *entry.duration;
      if (!entry.message.empty()) item["message"] = entry.message;
      if (entry.meetingFile) item["meetingFile"] = entry.meetingFile->string();
      list.push_back(std::move(item));
    }
    std::cout << list.dump(2) << std::endl;
    return core::ExitStatus::success;
  }
  for (const auto& entry : entries) {
    const auto minutes = entry.minutes();
    std::cout << entry.id << "  " << toString(entry.state) << "  "
              << LibraryJson::formatDate(entry.date) << "  "
              << (minutes ? std::to_string(*minutes) + " min" : std::string("-")) << "  "
              << entry.title << "\n";
  }
  return core::ExitStatus::success;
}

int recoverCommand(const std::vector<std::string>& arguments,
                   const core::Environment& environment) {
  if (!arguments.empty()) return usageError("recover", "takes no arguments");
  for (const auto& meeting : meetingStore(environment).recoverInterruptedMeetings())
    std::cout << meeting.folder.id() << "  " << meeting.message() << "\n";
  return core::ExitStatus::success;
}

int renameCommand(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() != 2) return usageError("rename", "give a meeting id and the new title");
  const auto entry = findEntry(arguments[0], environment);
  if (!entry) return fail("rename", "no meeting with the id \"" + arguments[0] + "\"");
  try {
    meetingStore(environment).rename(*entry, arguments[1]);
    return core::ExitStatus::success;
  } catch (const std::exception& error) {
    return fail("rename", error.what());
  }
}

int deleteCommand(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() != 1) return usageError("delete", "give one meeting id");
  const auto entry = findEntry(arguments[0], environment);
  if (!entry) return fail("delete", "no meeting with the id \"" + arguments[0] + "\"");
  try {
    meetingStore(environment).remove(*entry);
    return core::ExitStatus::success;
  } catch (const std::exception& error) {
    return fail("delete", error.what());
  }
}

const CommandRegistration importRegistration{Command{
    "import", "import an audio file (or a microphone/system pair) as a new meeting",
    "usage: kelv import FILE [FILE]\n\n"
    "Copies one recording (every voice) or a pair (microphone, then system audio) into a new\n"
    "meeting, ready for processing, and prints the meeting's id.\n",
    importCommand}};
const CommandRegistration listRegistration{Command{
    "list", "list the meetings, newest first",
    "usage: kelv list [--json]\n\n"
    "One line per meeting: id, state, date (UTC), minutes, title. Meeting files in the notes\n"
    "folder without a meeting folder are listed by their path.\n",
    listCommand}};
const CommandRegistration recoverRegistration{Command{
    "recover", "repair recordings that a crash cut off",
    "usage: kelv recover\n\n"
    "Repairs every meeting left in the middle of a recording that nobody is recording now and\n"
    "makes it ready for processing.\n",
    recoverCommand}};
const CommandRegistration renameRegistration{Command{
    "rename", "give a meeting a new title",
    "usage: kelv rename ID TITLE\n\n"
    "Changes the title in the meeting's status and in its Meeting file (front matter, heading\n"
    "and file name).\n",
    renameCommand}};
const CommandRegistration deleteRegistration{
    Command{"delete", "delete a meeting and its Meeting file",
            "usage: kelv delete ID\n\nRemoves the meeting's folder and its Meeting file.\n",
            deleteCommand}};

}  // namespace
}  // namespace kelv::tool
