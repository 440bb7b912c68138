// The settings model on a real preferences file, the real Secret Service of a private keyring,
// fake backend services on loopback and a private sound server.
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>

#include "app_model_fixture.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/settings/keychain.h"
#include "pulse_server.h"
#include "secret_service.h"
#include "view_models/settings_model.h"

namespace kelv::app {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;

class SettingsModelTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    keychain = std::make_shared<core::Keychain>("com.tizara.app.test");
    model = std::make_unique<SettingsModel>(
        core::SettingsStore(core::Preferences(preferencesFile()), keychain));
  }

  core::Settings stored() const { return model->store().load(); }

  bool waitForTest(const QString& role) {
    return QTest::qWaitFor([&] {
      const auto line = role == "notes" ? model->notesTest() : model->transcriptionTest();
      return line && *line != "Testing…";
    }, 120'000);
  }

  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QObject target;
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&target, &event);
  }

  kelv::test::PrivateSecretService secretService;
  std::shared_ptr<core::Keychain> keychain;
  std::unique_ptr<SettingsModel> model;
};

TEST_F(SettingsModelTest, VocabularyTextBecomesTrimmedTerms) {
  const std::vector<std::pair<QString, std::vector<std::string>>> cases = {
      {"derivada\n\n  integral \t\n", {"derivada", "integral"}},
      {"\n \t \n", {}},
      {"Cauchy\nRiemann", {"Cauchy", "Riemann"}},
      {"  teorema de Bolzano  ", {"teorema de Bolzano"}},
  };
  for (const auto& [input, terms] : cases) {
    model->setVocabulary(input);
    EXPECT_EQ(stored().vocabulary, terms) << input.toStdString();
    EXPECT_EQ(model->vocabulary(), input);
  }
}

TEST_F(SettingsModelTest, LanguageAndPromptStoreAbsentForTheDefaults) {
  model->setLanguage("");
  EXPECT_EQ(stored().language, std::nullopt);
  model->setLanguage("fr");
  EXPECT_EQ(stored().language, "fr");

  const QString standard = QString::fromUtf8(core::NotesWriter::defaultPrompt.data(),
                                             core::NotesWriter::defaultPrompt.size());
  EXPECT_EQ(model->notesPrompt(), standard);
  EXPECT_FALSE(model->notesPromptEdited());
  model->setNotesPrompt("");
  EXPECT_EQ(stored().notesPrompt, "");
  EXPECT_TRUE(model->notesPromptEdited());
  model->setNotesPrompt(standard);
  EXPECT_EQ(stored().notesPrompt, std::nullopt);
  model->setNotesPrompt("Resume en tres frases.");
  model->restoreDefaultPrompt();
  EXPECT_EQ(stored().notesPrompt, std::nullopt);
  EXPECT_EQ(model->notesPrompt(), standard);
}

TEST_F(SettingsModelTest, AnEqualRecordIsNeverWritten) {
  std::filesystem::remove(preferencesFile());
  model->setLanguage("es");  // the loaded record already says "es"
  model->setVocabulary("");
  model->setAskToRecordCalls(true);
  EXPECT_FALSE(std::filesystem::exists(preferencesFile()));
  model->setAskToRecordCalls(false);
  EXPECT_TRUE(std::filesystem::exists(preferencesFile()));
}

TEST_F(SettingsModelTest, LanguagesAreTheThirtyEightSortedByName) {
  const QStringList& codes = model->languages();
  ASSERT_EQ(codes.size(), 38);
  for (qsizetype i = 1; i < codes.size(); ++i)
    EXPECT_LE(SettingsModel::languageName(codes[i - 1]), SettingsModel::languageName(codes[i]));
  EXPECT_EQ(SettingsModel::languageName("qq"), "qq");
  EXPECT_TRUE(model->systemLanguageLabel().startsWith("System ("));
}

TEST_F(SettingsModelTest, BackendChoicesReplaceTheWholeConfiguration) {
  using T = core::TranscriptionBackendType;
  model->setAddress("transcription", "http://127.0.0.1:9/v1");
  struct Step {
    QString choice;
    core::TranscriptionConfig expected;
  };
  const std::vector<Step> steps = {
      {"OpenAI", {T::openAIStyle, std::nullopt, std::nullopt, "OpenAI"}},
      {"custom", {T::openAIStyle}},
      {"", {T::onDevice}},
      {"no such preset", {T::onDevice}},
  };
  for (const auto& step : steps) {
    model->setModel("transcription", "whisper-large");
    model->setChoice("transcription", step.choice);
    EXPECT_EQ(stored().transcription, step.expected) << step.choice.toStdString();
    EXPECT_EQ(model->transcription()["choice"].toString(),
              step.choice == "no such preset" ? QString() : step.choice);
  }
  model->setChoice("notes", "custom");
  EXPECT_EQ(stored().notes, (core::NotesConfig{core::NotesBackendType::openAICompatible}));
  EXPECT_TRUE(model->notes()["keyNeeded"].toBool());
  EXPECT_EQ(model->notes()["addressPlaceholder"].toString(), "http://localhost:8000/v1");
  EXPECT_EQ(model->notes()["modelPlaceholder"].toString(), "Server default");
}

TEST_F(SettingsModelTest, AnOffTypeNamingAPresetReadsAsThePreset) {
  model->update([](core::Settings& settings) {
    settings.notes = {core::NotesBackendType::none, std::nullopt, std::nullopt, "Anthropic"};
  });
  EXPECT_EQ(model->notes()["choice"].toString(), "Anthropic");
}

TEST_F(SettingsModelTest, AddressesMustBeWebAddresses) {
  const auto before = stored().notes;
  for (const QString bad : {"ftp://example.com/v1", "localhost:8000", "http://", "file:///tmp"}) {
    model->setAddress("notes", bad);
    EXPECT_EQ(stored().notes, before) << bad.toStdString();
    EXPECT_THAT(model->notes()["addressProblem"].toString().toStdString(), HasSubstr("http://"));
  }
  model->setAddress("notes", " https://api.example.com/v1 ");
  EXPECT_EQ(stored().notes.address, "https://api.example.com/v1");
  EXPECT_EQ(model->notes()["addressProblem"].toString(), "");
  model->setAddress("notes", "");
  EXPECT_EQ(stored().notes.address, std::nullopt);
}

TEST_F(SettingsModelTest, KeysLiveInTheKeyringAndEmptyTextRemovesThem) {
  model->setChoice("notes", "Anthropic");
  model->setApiKey("notes", "sk-ant-123");
  EXPECT_EQ(keychain->secret("v2.notes.Anthropic"), "sk-ant-123");
  EXPECT_EQ(model->notes()["key"].toString(), "sk-ant-123");
  model->setApiKey("notes", "");
  EXPECT_EQ(keychain->secret("v2.notes.Anthropic"), std::nullopt);
}

TEST_F(SettingsModelTest, UnusableKeysAreRefusedWithAReason) {
  model->setChoice("notes", "Anthropic");
  model->setApiKey("notes", "sk-good");
  const std::vector<std::pair<QString, std::string>> cases = {
      {"sk-one\nsk-two", "control character"},
      {"sk\tx", "control character"},
      {QString(4097, 'k'), "4 KiB"},
  };
  for (const auto& [key, reason] : cases) {
    model->setApiKey("notes", key);
    EXPECT_THAT(model->notes()["keyProblem"].toString().toStdString(), HasSubstr(reason));
    EXPECT_EQ(keychain->secret("v2.notes.Anthropic"), "sk-good");
  }
  model->setApiKey("notes", QString(4096, 'k'));
  EXPECT_EQ(model->notes()["keyProblem"].toString(), "");
}

TEST_F(SettingsModelTest, AMissingKeyringSaysKeysCannotBeStored) {
  secretService.stopKeyring();
  model->setChoice("notes", "Anthropic");
  model->setApiKey("notes", "sk-lost");
  EXPECT_THAT(model->notes()["keyProblem"].toString().toStdString(), HasSubstr("keyring"));
  EXPECT_EQ(model->notes()["key"].toString(), "");
  model->setLanguage("de");  // the rest keeps working
  EXPECT_EQ(stored().language, "de");
}

TEST_F(SettingsModelTest, NotesTestReportsWorksAndAChangeClearsIt) {
  model->test("notes");
  EXPECT_EQ(model->notesTest(), "Testing…");
  ASSERT_TRUE(waitForTest("notes"));
  EXPECT_EQ(model->notesTest(), "Works.");
  EXPECT_EQ(llm.count(), 1u);
  model->setModel("notes", "other-model");
  EXPECT_EQ(model->notesTest(), std::nullopt);
}

TEST_F(SettingsModelTest, FailedTestsShowTheErrorText) {
  llm.on("POST", "/v1/chat/completions", [](const FakeHttpService::Request&) {
    return FakeHttpService::Reply::json(R"({"error":{"message":"model not found"}})", 404);
  });
  model->test("notes");
  ASSERT_TRUE(waitForTest("notes"));
  EXPECT_NE(model->notesTest(), "Works.");
  EXPECT_FALSE(model->notesTest()->isEmpty());

  model->setChoice("notes", "");
  model->test("notes");
  ASSERT_TRUE(waitForTest("notes"));
  EXPECT_EQ(model->notesTest(), "Works.");
}

TEST_F(SettingsModelTest, TranscriptionTestUploadsOneSecondAndRemovesTheFile) {
  // A temporary folder of the test's own, so other processes' files don't count.
  const std::filesystem::path scratch = temp / "tmp";
  std::filesystem::create_directories(scratch);
  ::setenv("TMPDIR", scratch.c_str(), 1);
  struct Restore {
    ~Restore() { ::unsetenv("TMPDIR"); }
  } restore;
  auto leftovers = [&] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
      count += entry.path().filename().string().starts_with("kelv-test-");
    return count;
  };
  const int before = leftovers();
  model->test("transcription");
  ASSERT_TRUE(waitForTest("transcription"));
  EXPECT_EQ(model->transcriptionTest(), "Works.");
  EXPECT_EQ(stt.count(), 1u);
  EXPECT_EQ(leftovers(), before);

  stt.stop();
  model->test("transcription");
  ASSERT_TRUE(waitForTest("transcription"));
  EXPECT_NE(model->transcriptionTest(), "Works.");
  EXPECT_EQ(leftovers(), before);
}

TEST_F(SettingsModelTest, HotkeyCaptureKeepsWaitingAndEscapeKeepsTheOldOne) {
  const auto old = model->hotkey();
  model->recordHotkey();
  EXPECT_TRUE(model->isRecordingHotkey());
  press(Qt::Key_K);
  EXPECT_TRUE(model->isRecordingHotkey());
  press(Qt::Key_Escape);
  EXPECT_FALSE(model->isRecordingHotkey());
  EXPECT_EQ(model->hotkey(), old);

  model->recordHotkey();
  press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(model->isRecordingHotkey());
  EXPECT_EQ(model->hotkeyLabel(), "Ctrl+Shift+K");
  EXPECT_EQ(Hotkey::saved(model->store().defaults()), model->hotkey());

  model->turnOffHotkey();
  EXPECT_EQ(Hotkey::saved(model->store().defaults()), std::nullopt);
  EXPECT_EQ(model->hotkeyLabel(), "");
}

TEST_F(SettingsModelTest, IgnoringACallAppGoesThroughTheModel) {
  auto app = makeModel();
  SettingsModel settings(app->settings(), app.get());
  app->ignore(*core::CallApp::named("us.zoom.xos"));
  ASSERT_EQ(settings.ignoredCallApps().size(), 1);
  EXPECT_EQ(settings.ignoredCallApps()[0].toMap()["name"].toString(), "Zoom");
  EXPECT_THAT(app->settings().load().ignoredCallApps, ElementsAre("us.zoom.xos"));
  settings.ignoreCallApp("org.example.unknown");
  EXPECT_EQ(settings.ignoredCallApps()[1].toMap()["name"].toString(), "org.example.unknown");
  settings.askAgain("us.zoom.xos");
  EXPECT_THAT(app->settings().load().ignoredCallApps, ElementsAre("org.example.unknown"));
}

}  // namespace
}  // namespace kelv::app
