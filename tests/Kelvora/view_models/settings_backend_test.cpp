// One backend of the settings over a preferences file in a temporary folder, keys in memory and
// backends made by scripted makers: the picker's options, the rows each choice shows, and the
// connection test's states.
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kelv/core/backends/preset.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "temp_dir.h"
#include "view_models/backend_settings.h"

namespace kelv::app {
namespace {

using Role = BackendSettings::Role;
using State = BackendSettings::TestState;

// What the scripted makers do: build a backend that answers or fails, or fail to build.
struct Script {
  bool unbuildable = false;
  std::optional<std::string> failure;
};

class ScriptedTranscription : public core::TranscriptionBackend {
 public:
  explicit ScriptedTranscription(std::optional<std::string> failure)
      : failure_(std::move(failure)) {}
  std::string name() const override { return "scripted"; }
  std::vector<core::TimedSegment> transcribe(const std::filesystem::path&,
                                             const std::optional<std::string>&) const override {
    if (failure_) throw std::runtime_error(*failure_);
    return {};
  }

 private:
  std::optional<std::string> failure_;
};

class ScriptedNotes : public core::NotesBackend {
 public:
  explicit ScriptedNotes(std::optional<std::string> failure) : failure_(std::move(failure)) {}
  std::string name() const override { return "scripted"; }
  int contextTokens() const override { return 1000; }
  std::string complete(const std::string&, const std::string&) const override {
    if (failure_) throw std::runtime_error(*failure_);
    return "OK";
  }

 private:
  std::optional<std::string> failure_;
};

class BackendSettingsTest : public testing::Test {
 protected:
  void SetUp() override { open(); }

  void open(Script script = {}) {
    core::BackendMakers makers = core::BackendMakers::builtIn();
    makers.transcription[core::TranscriptionBackendType::openAIStyle] =
        [script](const core::TranscriptionSetup&) -> std::shared_ptr<core::TranscriptionBackend> {
      if (script.unbuildable) throw std::runtime_error("No backend here.");
      return std::make_shared<ScriptedTranscription>(script.failure);
    };
    makers.notes[core::NotesBackendType::openAICompatible] =
        [script](const core::NotesSetup&) -> std::shared_ptr<core::NotesBackend> {
      if (script.unbuildable) throw std::runtime_error("No backend here.");
      return std::make_shared<ScriptedNotes>(script.failure);
    };
    backends.clear();
    record = std::make_unique<SettingsRecord>(
        core::SettingsStore(core::Preferences(temp / "preferences.json"), secrets));
    backends.push_back(std::make_unique<BackendSettings>(*record, Role::notes, makers));
    backends.push_back(std::make_unique<BackendSettings>(*record, Role::transcription, makers));
  }

  BackendSettings& backend(Role role) { return *backends[role == Role::notes ? 0 : 1]; }

  template <typename Type>
  static std::vector<std::pair<QString, QString>> optionsWith(const QString& off) {
    std::vector<std::pair<QString, QString>> rows = {{off, ""}};
    for (const auto& preset : core::Preset<Type>::all())
      rows.emplace_back(QString::fromStdString(preset.name), QString::fromStdString(preset.name));
    rows.emplace_back("Custom server", "custom");
    return rows;
  }

  static std::vector<std::pair<QString, QString>> rows(const QVariantList& options) {
    std::vector<std::pair<QString, QString>> result;
    for (const QVariant& option : options)
      result.emplace_back(option.toMap()["name"].toString(), option.toMap()["value"].toString());
    return result;
  }

  kelv::test::TempDir temp;
  std::shared_ptr<core::MemorySecretStore> secrets = std::make_shared<core::MemorySecretStore>();
  std::unique_ptr<SettingsRecord> record;
  std::vector<std::unique_ptr<BackendSettings>> backends;
};

TEST_F(BackendSettingsTest, OptionsAreTheOffChoiceThePresetsAndACustomServer) {
  EXPECT_EQ(rows(backend(Role::notes).options()), optionsWith<core::NotesBackendType>("None"));
  EXPECT_EQ(rows(backend(Role::transcription).options()),
            optionsWith<core::TranscriptionBackendType>("On-device"));
}

TEST_F(BackendSettingsTest, EachChoiceShowsItsRows) {
  const struct {
    Role role;
    QString choice;
    bool configured;
    bool keyNeeded;
    QString addressPlaceholder;
    QString modelPlaceholder;
  } cases[] = {
      {Role::notes, "", false, false, "http://localhost:8000/v1", "Server default"},
      {Role::notes, "Ollama", true, false, "http://localhost:11434/v1", "qwen3:8b"},
      {Role::notes, "LM Studio", true, false, "http://localhost:1234/v1", "Server default"},
      {Role::notes, "Anthropic", true, true, "https://api.anthropic.com", "claude-sonnet-4-5"},
      {Role::notes, "custom", true, true, "http://localhost:8000/v1", "Server default"},
      {Role::transcription, "", false, false, "http://localhost:8000/v1", "Server default"},
      {Role::transcription, "Self-hosted Whisper", true, false, "http://localhost:8000/v1",
       "whisper-1"},
      {Role::transcription, "AssemblyAI", true, true, "https://api.assemblyai.com/v2",
       "Server default"},
      {Role::transcription, "custom", true, true, "http://localhost:8000/v1", "Server default"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice.toStdString());
    BackendSettings& section = backend(c.role);
    section.setChoice(c.choice);
    EXPECT_EQ(section.choice(), c.choice);
    EXPECT_EQ(section.isConfigured(), c.configured);
    EXPECT_EQ(section.keyNeeded(), c.keyNeeded);
    EXPECT_EQ(section.addressPlaceholder(), c.addressPlaceholder);
    EXPECT_EQ(section.modelPlaceholder(), c.modelPlaceholder);
  }
}

TEST_F(BackendSettingsTest, RefusedKeysGiveTheKeyRulesReason) {
  const struct {
    QString key;
    QString problem;
  } cases[] = {
      {"sk-one\nsk-two", "The API key holds a line break or another control character."},
      {QString("sk") + QChar(0x85), "The API key holds a line break or another control character."},
      {QString(4097, 'k'), "The API key is longer than 4 KiB."},
      {QString(4096, 'k'), ""},
      {"sk-ñandú", ""},
  };
  BackendSettings& notes = backend(Role::notes);
  notes.setChoice("Anthropic");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.left(20).toStdString());
    notes.setApiKey("sk-before");
    notes.setApiKey(c.key);
    EXPECT_EQ(notes.keyProblem(), c.problem);
    EXPECT_EQ(secrets->secret("v2.notes.Anthropic"),
              (c.problem.isEmpty() ? c.key : QString("sk-before")).toStdString());
  }
}

TEST_F(BackendSettingsTest, TheTestGoesThroughItsStatesAndAChangeClearsIt) {
  const struct {
    const char* name;
    Role role;
    QString choice;
    Script script;
    State state;
    QString line;
  } cases[] = {
      {"notes off", Role::notes, "", {}, State::Works, "Works."},
      {"notes answer", Role::notes, "custom", {}, State::Works, "Works."},
      {"notes fail", Role::notes, "custom", {false, "Nope."}, State::Failed, "Nope."},
      {"transcription answers", Role::transcription, "custom", {}, State::Works, "Works."},
      {"transcription fails",
       Role::transcription,
       "custom",
       {false, "Nope."},
       State::Failed,
       "Nope."},
      {"unbuildable", Role::transcription, "custom", {true, {}}, State::Failed, "No backend here."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    open(c.script);
    BackendSettings& section = backend(c.role);
    section.setChoice(c.choice);
    EXPECT_EQ(section.testState(), State::Untested);
    EXPECT_EQ(section.testLine(), "");
    section.test();
    if (!c.script.unbuildable) {
      EXPECT_EQ(section.testState(), State::Testing);
      EXPECT_EQ(section.testLine(), "Testing…");
      ASSERT_TRUE(QTest::qWaitFor([&] { return section.testState() != State::Testing; }));
    }
    EXPECT_EQ(section.testState(), c.state);
    EXPECT_EQ(section.testLine(), c.line);
    // The other backend's test is untouched; a change of this one's configuration clears it.
    EXPECT_EQ(backend(c.role == Role::notes ? Role::transcription : Role::notes).testState(),
              State::Untested);
    record->update([&](core::Settings& settings) {
      if (c.role == Role::notes)
        settings.notes.model = "another";
      else
        settings.transcription.model = "another";
    });
    EXPECT_EQ(section.testState(), State::Untested);
    EXPECT_EQ(section.testLine(), "");
  }
}

}  // namespace
}  // namespace kelv::app
