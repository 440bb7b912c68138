#include "kelv/core/settings/settings.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

Settings decode(const std::string& text) { return nlohmann::json::parse(text).get<Settings>(); }

TEST(Settings, DefaultsAndAPartialRecord) {
  ::setenv("HOME", "/home/ana", 1);
  const Settings defaults;
  EXPECT_EQ(defaults.notesFolder, "/home/ana/Documents/Kelvora");
  EXPECT_EQ(defaults.language, std::nullopt);
  EXPECT_TRUE(defaults.vocabulary.empty());
  EXPECT_EQ(defaults.transcription, (TranscriptionConfig{TranscriptionBackendType::onDevice}));
  EXPECT_EQ(defaults.notes, (NotesConfig{NotesBackendType::none}));
  EXPECT_EQ(defaults.notesPrompt, std::nullopt);
  EXPECT_FALSE(defaults.deleteAudioAfterProcessing);
  EXPECT_TRUE(defaults.askToRecordCalls);
  EXPECT_TRUE(defaults.ignoredCallApps.empty());

  Settings expected;
  expected.askToRecordCalls = false;
  EXPECT_EQ(decode(R"({"askToRecordCalls": false})"), expected);
  EXPECT_EQ(decode(R"({"language": null, "notesPrompt": null})"), Settings{});
}

TEST(Settings, AnyWrongTypedKeyMakesTheWholeRecordUnreadable) {
  const char* bad[] = {
      R"({"askToRecordCalls": false, "vocabulary": "Kubernetes"})",
      R"({"askToRecordCalls": false, "transcription": {"type": "whisper"}})",
      R"({"transcription": {"model": "whisper-1"}})",
      R"({"notes": {"type": "none", "model": 4}})",
      R"({"deleteAudioAfterProcessing": "yes"})",
      R"({"vocabulary": ["a", 1]})",
      R"({"ignoredCallApps": {}})",
      R"({"notesFolder": "/home/ana/notes"})",
      R"({"notesFolder": "https://example.com/notes"})",
      R"({"language": 7})",
      R"([])",
  };
  for (const char* text : bad) EXPECT_ANY_THROW(decode(text)) << text;
}

TEST(Settings, RoundTripsAndLeavesOutAbsentOptionals) {
  Settings settings;
  settings.notesFolder = "/home/ana/Mis apuntes/Clase #1 ñ";
  settings.vocabulary = {"Kubernetes", "PostgreSQL"};
  settings.transcription =
      TranscriptionConfig{TranscriptionBackendType::openAIStyle, "https://api.groq.com/openai/v1",
                          std::nullopt, "Groq"};
  settings.notes = NotesConfig{NotesBackendType::anthropic, std::nullopt, "claude", std::nullopt};
  settings.deleteAudioAfterProcessing = true;
  settings.ignoredCallApps = {"zoom"};

  const nlohmann::json json = settings;
  EXPECT_FALSE(json.contains("language"));
  EXPECT_FALSE(json.contains("notesPrompt"));
  EXPECT_EQ(json["notesFolder"], "file:///home/ana/Mis%20apuntes/Clase%20%231%20%C3%B1/");
  EXPECT_EQ(json["transcription"], nlohmann::json({{"type", "openai-style"},
                                                   {"address", "https://api.groq.com/openai/v1"},
                                                   {"preset", "Groq"}}));
  EXPECT_EQ(json.get<Settings>(), settings);

  settings.language = "";
  settings.notesPrompt = "Resume";
  EXPECT_EQ(nlohmann::json(settings).get<Settings>(), settings);
}

TEST(Settings, FileURLs) {
  struct Case {
    const char* url;
    std::optional<std::filesystem::path> path;
  };
  const Case cases[] = {
      {"file:///home/ana/Documents/Kelvora/", "/home/ana/Documents/Kelvora"},
      {"file://localhost/srv/notes", "/srv/notes"},
      {"FILE:///a%2Fb", "/a/b"},
      {"file:///", "/"},
      {"file://server/share", std::nullopt},
      {"file:///bad%zz", std::nullopt},
      {"file:///cut%2", std::nullopt},
      {"file:///nul%00", std::nullopt},
      {"/home/ana", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(pathFromFileURL(c.url), c.path) << c.url;
}

TEST(Settings, MeetingLanguage) {
  struct Case {
    std::optional<std::string> language;
    std::vector<std::string> preferred;
    std::string expected;
  };
  const Case cases[] = {
      {std::nullopt, {"es_ES.UTF-8"}, "es"},
      {std::nullopt, {"es-ES", "en_US"}, "es"},
      {std::nullopt, {"pt_BR@euro"}, "pt"},
      {std::nullopt, {}, "en"},
      {std::nullopt, {"C.UTF-8", "es_ES"}, "en"},
      {std::nullopt, {"POSIX"}, "en"},
      {"", {"es_ES"}, ""},
      {"de", {"es_ES"}, "de"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(meetingLanguage(c.language, c.preferred), c.expected)
        << (c.preferred.empty() ? "(none)" : c.preferred[0]);
}

TEST(Settings, PreferredLanguagesComeFromTheLocaleVariablesInOrder) {
  ::setenv("LANGUAGE", "gl_ES::es_ES", 1);
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
  ::setenv("LANG", "en_US.UTF-8", 1);
  EXPECT_EQ(preferredLanguages(),
            (std::vector<std::string>{"gl_ES", "es_ES", "fr_FR.UTF-8", "en_US.UTF-8"}));
  EXPECT_EQ(Settings{}.meetingLanguage(), "gl");
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(name);
  EXPECT_EQ(Settings{}.meetingLanguage(), "en");
}

}  // namespace
}  // namespace kelv::core
