#include <gtest/gtest.h>

#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings_store.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

using kelv::test::runTool;

class KelvSettings : public ::testing::Test {
 protected:
  kelv::test::ToolResult run(std::vector<std::string> arguments) {
    return runTool({std::move(arguments),
                    {{"HOME", (temp / "home").string()},
                     {"XDG_CONFIG_HOME", (temp / "config").string()},
                     {"KELV_DEFAULTS_SUITE", "test"},
                     {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelv-test-bus"}}});
  }
  core::Settings stored() {
    return core::SettingsStore(core::Preferences(file), std::make_shared<core::MemorySecretStore>())
        .load();
  }

  kelv::test::TempDir temp;
  std::filesystem::path file = temp / "config" / "test" / "preferences.json";
};

TEST_F(KelvSettings, PrintsTheDefaultsWithoutWritingAnything) {
  const auto result = run({"settings"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const auto json = nlohmann::json::parse(result.out);
  EXPECT_EQ(json.get<core::Settings>().notesFolder, temp / "home" / "Documents" / "Kelvora");
  EXPECT_EQ(json["notes"], nlohmann::json({{"type", "none"}}));
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(KelvSettings, SetsEachFieldWithTheRecordsRules) {
  struct Step {
    std::string key, value;
    std::function<void(core::Settings&)> expect;
  };
  using core::NotesBackendType;
  using core::TranscriptionBackendType;
  const Step steps[] = {
      {"notesFolder", "~/Apuntes/", [&](auto& s) { s.notesFolder = temp / "home" / "Apuntes"; }},
      {"language", "es", [](auto& s) { s.language = "es"; }},
      {"vocabulary", " Kubernetes, PostgreSQL ,, ",
       [](auto& s) {
         s.vocabulary = {"Kubernetes", "PostgreSQL"};
       }},
      {"transcription", "Groq",
       [](auto& s) {
         s.transcription = {TranscriptionBackendType::openAIStyle, {}, {}, "Groq"};
       }},
      {"transcription.model", "whisper-large-v3",
       [](auto& s) { s.transcription.model = "whisper-large-v3"; }},
      {"notes", "custom", [](auto& s) { s.notes = {NotesBackendType::openAICompatible}; }},
      {"notes.address", "http://localhost:4000/v1",
       [](auto& s) { s.notes.address = "http://localhost:4000/v1"; }},
      {"notes.model", "qwen", [](auto& s) { s.notes.model = "qwen"; }},
      {"notes", "Ollama",
       [](auto& s) {
         s.notes = {NotesBackendType::openAICompatible, {}, {}, "Ollama"};
       }},
      {"notesPrompt", "Resume en español", [](auto& s) { s.notesPrompt = "Resume en español"; }},
      {"deleteAudioAfterProcessing", "true", [](auto& s) { s.deleteAudioAfterProcessing = true; }},
      {"askToRecordCalls", "false", [](auto& s) { s.askToRecordCalls = false; }},
      {"language", "", [](auto& s) { s.language.reset(); }},
      {"transcription", "on-device",
       [](auto& s) { s.transcription = {TranscriptionBackendType::onDevice}; }},
      {"transcription.model", "large-v3-turbo",
       [](auto& s) { s.transcription.model = "large-v3-turbo"; }},
      {"transcription.model", "", [](auto& s) { s.transcription.model.reset(); }},
  };
  core::Settings expected;
  expected.notesFolder = temp / "home" / "Documents" / "Kelvora";
  for (const auto& step : steps) {
    const auto result = run({"settings", "set", step.key, step.value});
    ASSERT_EQ(result.exitStatus, 0) << step.key << ": " << result.err;
    step.expect(expected);
    EXPECT_EQ(stored(), expected) << step.key << " = " << step.value;
  }
}

TEST_F(KelvSettings, BadValuesChangeNothing) {
  ASSERT_EQ(run({"settings", "set", "notes", "Anthropic"}).exitStatus, 0);
  const std::string before = kelv::test::readFile(file);
  const std::vector<std::vector<std::string>> bad = {
      {"settings", "set", "notesFolder", "relative/folder"},
      {"settings", "set", "notes", "Anthropics"},
      {"settings", "set", "transcription", "none"},
      // The default transcription kind is on-device, which only knows its own models.
      {"settings", "set", "transcription.model", "whisper-1"},
      {"settings", "set", "transcription.model", "large-v3"},
      {"settings", "set", "notes.address", "ftp://example.com"},
      {"settings", "set", "notes.address", "localhost:11434"},
      {"settings", "set", "askToRecordCalls", "yes"},
      {"settings", "set", "ignoredCallApps", "zoom"},
      {"settings", "set", "notesPrompt", "bad \xff byte"},
      {"settings", "set", "language"},
      {"settings", "get", "language", "es"},
  };
  for (const auto& arguments : bad) {
    const auto result = run(arguments);
    EXPECT_EQ(result.exitStatus, 2) << arguments[3 % arguments.size()];
    EXPECT_FALSE(result.err.empty());
    EXPECT_EQ(kelv::test::readFile(file), before) << arguments[3 % arguments.size()];
  }
}

TEST_F(KelvSettings, TheFirstChangeTakesOverTheEarlierVersionsSettings) {
  core::Preferences(file).set("transcriptionCustomVocabulary", "Kubernetes: cooper netties");
  ASSERT_EQ(run({"settings", "set", "language", "es"}).exitStatus, 0);
  EXPECT_EQ(stored().vocabulary, std::vector<std::string>{"Kubernetes"});
  EXPECT_EQ(stored().language, "es");
}

// Settings that can't be read are not dropped in silence: the user is told why the defaults
// stand in, and a file that isn't JSON is kept aside before anything replaces it.
TEST_F(KelvSettings, UnreadableSettingsAreReportedAndAnUnreadableFileKeptAside) {
  struct Case {
    std::string name;
    std::string content;
    std::string message;
    bool keptAside;
  } cases[] = {
      {"not JSON", "{\"v2.settings\": {\"language\": \"es\"", "couldn't be read; it was kept as ",
       true},
      {"not an object", "[1, 2]", "couldn't be read; it was kept as ", true},
      {"a field of the wrong type",
       R"({"v2.settings": {"language": "es", "vocabulary": "not a list"}})",
       "couldn't be read, so the default settings are used (", false},
      {"fine", R"({"v2.settings": {"language": "es"}})", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(temp / "config");
    std::filesystem::create_directories(file.parent_path());
    kelv::test::writeFile(file, c.content);
    const auto result = run({"settings"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    if (c.message.empty()) {
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_NE(result.err.find("kelv: "), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
      if (entry.path().filename().string().starts_with("preferences.json.corrupt-"))
        aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), c.keptAside ? 1u : 0u);
    if (c.keptAside) {
      EXPECT_EQ(kelv::test::readFile(aside[0]), c.content);
      EXPECT_NE(result.err.find(aside[0].string()), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(kelv::test::readFile(file), c.content);
    }
  }
}

}  // namespace
}  // namespace kelv::tool
