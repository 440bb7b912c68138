// The settings model on a real preferences file, the real Secret Service of a private keyring,
// fake backend services on loopback and a private sound server.
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

  // Until the running test has its result.
  static bool waitForTest(const BackendSettings& backend) {
    return QTest::qWaitFor(
        [&] { return backend.testState() != BackendSettings::TestState::Testing; }, 120'000);
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
    model->general().setVocabulary(input);
    EXPECT_EQ(stored().vocabulary, terms) << input.toStdString();
    EXPECT_EQ(model->general().vocabulary(), input);
  }
}

TEST_F(SettingsModelTest, LanguageAndPromptStoreAbsentForTheDefaults) {
  model->general().setLanguage("");
  EXPECT_EQ(stored().language, std::nullopt);
  model->general().setLanguage("fr");
  EXPECT_EQ(stored().language, "fr");

  const QString standard = QString::fromUtf8(core::NotesWriter::defaultPrompt.data(),
                                             core::NotesWriter::defaultPrompt.size());
  EXPECT_EQ(model->general().notesPrompt(), standard);
  EXPECT_FALSE(model->general().notesPromptEdited());
  model->general().setNotesPrompt("");
  EXPECT_EQ(stored().notesPrompt, "");
  EXPECT_TRUE(model->general().notesPromptEdited());
  model->general().setNotesPrompt(standard);
  EXPECT_EQ(stored().notesPrompt, std::nullopt);
  model->general().setNotesPrompt("Resume en tres frases.");
  model->general().restoreDefaultPrompt();
  EXPECT_EQ(stored().notesPrompt, std::nullopt);
  EXPECT_EQ(model->general().notesPrompt(), standard);
}

TEST_F(SettingsModelTest, AnEqualRecordIsNeverWritten) {
  std::filesystem::remove(preferencesFile());
  model->general().setLanguage("es");  // the loaded record already says "es"
  model->general().setVocabulary("");
  model->general().setAskToRecordCalls(true);
  EXPECT_FALSE(std::filesystem::exists(preferencesFile()));
  model->general().setAskToRecordCalls(false);
  EXPECT_TRUE(std::filesystem::exists(preferencesFile()));
}

TEST_F(SettingsModelTest, LanguagesAreTheThirtyEightSortedByName) {
  const QStringList& codes = model->general().languages();
  ASSERT_EQ(codes.size(), 38);
  for (qsizetype i = 1; i < codes.size(); ++i)
    EXPECT_LE(GeneralSettings::languageName(codes[i - 1]), GeneralSettings::languageName(codes[i]));
  EXPECT_EQ(GeneralSettings::languageName("qq"), "qq");
  EXPECT_TRUE(GeneralSettings::systemLanguageLabel().startsWith("System ("));
}

TEST_F(SettingsModelTest, BackendChoicesReplaceTheWholeConfiguration) {
  using T = core::TranscriptionBackendType;
  model->transcription().setAddress("http://127.0.0.1:9/v1");
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
    model->transcription().setModel("whisper-large");
    model->transcription().setChoice(step.choice);
    EXPECT_EQ(stored().transcription, step.expected) << step.choice.toStdString();
    EXPECT_EQ(model->transcription().choice(),
              step.choice == "no such preset" ? QString() : step.choice);
  }
  model->notes().setChoice("custom");
  EXPECT_EQ(stored().notes, (core::NotesConfig{core::NotesBackendType::openAICompatible}));
  EXPECT_TRUE(model->notes().keyNeeded());
  EXPECT_EQ(model->notes().addressPlaceholder(), "http://localhost:8000/v1");
  EXPECT_EQ(model->notes().modelPlaceholder(), "Server default");
}

TEST_F(SettingsModelTest, AnOffTypeNamingAPresetReadsAsThePreset) {
  model->record().update([](core::Settings& settings) {
    settings.notes = {core::NotesBackendType::none, std::nullopt, std::nullopt, "Anthropic"};
  });
  EXPECT_EQ(model->notes().choice(), "Anthropic");
}

TEST_F(SettingsModelTest, AddressesMustBeWebAddresses) {
  const auto before = stored().notes;
  for (const QString bad : {"ftp://example.com/v1", "localhost:8000", "http://", "file:///tmp"}) {
    model->notes().setAddress(bad);
    EXPECT_EQ(stored().notes, before) << bad.toStdString();
    EXPECT_THAT(model->notes().addressProblem().toStdString(), HasSubstr("http://"));
  }
  model->notes().setAddress(" https://api.example.com/v1 ");
  EXPECT_EQ(stored().notes.address, "https://api.example.com/v1");
  EXPECT_EQ(model->notes().addressProblem(), "");
  model->notes().setAddress("");
  EXPECT_EQ(stored().notes.address, std::nullopt);
}

TEST_F(SettingsModelTest, KeysLiveInTheKeyringAndEmptyTextRemovesThem) {
  model->notes().setChoice("Anthropic");
  model->notes().setApiKey("sk-ant-123");
  EXPECT_EQ(keychain->secret("v2.notes.Anthropic"), "sk-ant-123");
  EXPECT_EQ(model->notes().key(), "sk-ant-123");
  model->notes().setApiKey("");
  EXPECT_EQ(keychain->secret("v2.notes.Anthropic"), std::nullopt);
}

TEST_F(SettingsModelTest, UnusableKeysAreRefusedWithAReason) {
  model->notes().setChoice("Anthropic");
  model->notes().setApiKey("sk-good");
  const std::vector<std::pair<QString, std::string>> cases = {
      {"sk-one\nsk-two", "control character"},
      {"sk\tx", "control character"},
      {QString(4097, 'k'), "4 KiB"},
  };
  for (const auto& [key, reason] : cases) {
    model->notes().setApiKey(key);
    EXPECT_THAT(model->notes().keyProblem().toStdString(), HasSubstr(reason));
    EXPECT_EQ(keychain->secret("v2.notes.Anthropic"), "sk-good");
  }
  model->notes().setApiKey(QString(4096, 'k'));
  EXPECT_EQ(model->notes().keyProblem(), "");
}

TEST_F(SettingsModelTest, AMissingKeyringSaysKeysCannotBeStored) {
  secretService.stopKeyring();
  model->notes().setChoice("Anthropic");
  model->notes().setApiKey("sk-lost");
  EXPECT_THAT(model->notes().keyProblem().toStdString(), HasSubstr("keyring"));
  EXPECT_EQ(model->notes().key(), "");
  model->general().setLanguage("de");  // the rest keeps working
  EXPECT_EQ(stored().language, "de");
}

TEST_F(SettingsModelTest, NotesTestReportsWorksAndAChangeClearsIt) {
  model->notes().test();
  EXPECT_EQ(model->notes().testLine(), "Testing…");
  ASSERT_TRUE(waitForTest(model->notes()));
  EXPECT_EQ(model->notes().testLine(), "Works.");
  EXPECT_EQ(llm.count(), 1u);
  model->notes().setModel("other-model");
  EXPECT_EQ(model->notes().testState(), BackendSettings::TestState::Untested);
  EXPECT_EQ(model->notes().testLine(), "");
}

TEST_F(SettingsModelTest, FailedTestsShowTheErrorText) {
  llm.on("POST", "/v1/chat/completions", [](const FakeHttpService::Request&) {
    return FakeHttpService::Reply::json(R"({"error":{"message":"model not found"}})", 404);
  });
  model->notes().test();
  ASSERT_TRUE(waitForTest(model->notes()));
  EXPECT_EQ(model->notes().testState(), BackendSettings::TestState::Failed);
  EXPECT_NE(model->notes().testLine(), "Works.");
  EXPECT_FALSE(model->notes().testLine().isEmpty());

  model->notes().setChoice("");
  model->notes().test();
  ASSERT_TRUE(waitForTest(model->notes()));
  EXPECT_EQ(model->notes().testState(), BackendSettings::TestState::Works);
  EXPECT_EQ(model->notes().testLine(), "Works.");
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
  model->transcription().test();
  ASSERT_TRUE(waitForTest(model->transcription()));
  EXPECT_EQ(model->transcription().testLine(), "Works.");
  EXPECT_EQ(stt.count(), 1u);
  EXPECT_EQ(leftovers(), before);

  stt.stop();
  model->transcription().test();
  ASSERT_TRUE(waitForTest(model->transcription()));
  EXPECT_NE(model->transcription().testLine(), "Works.");
  EXPECT_EQ(leftovers(), before);
}

TEST_F(SettingsModelTest, HotkeyCaptureKeepsWaitingAndEscapeKeepsTheOldOne) {
  HotkeyRecorder& recorder = model->hotkey();
  const auto old = recorder.hotkey();
  recorder.record();
  EXPECT_TRUE(recorder.isRecording());
  EXPECT_TRUE(recorder.press(Qt::Key_K, Qt::NoModifier));
  EXPECT_TRUE(recorder.isRecording());
  EXPECT_TRUE(recorder.press(Qt::Key_Escape, Qt::NoModifier));
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_EQ(recorder.hotkey(), old);
  EXPECT_FALSE(recorder.press(Qt::Key_K, Qt::ControlModifier));  // not capturing: passed on

  recorder.record();
  recorder.press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(recorder.isRecording());
  ASSERT_TRUE(recorder.hotkey());
  EXPECT_EQ(recorder.hotkey()->label(), "Ctrl+Shift+K");
  EXPECT_EQ(Hotkey::saved(model->store().defaults()), recorder.hotkey());

  recorder.turnOff();
  EXPECT_EQ(Hotkey::saved(model->store().defaults()), std::nullopt);
  EXPECT_EQ(recorder.hotkey(), std::nullopt);
}

TEST_F(SettingsModelTest, IgnoringACallAppGoesThroughTheModel) {
  auto app = makeModel();
  SettingsModel settings(app->settings());
  app->setSettingsModel(&settings);
  GeneralSettings& general = settings.general();
  app->ignore(*core::CallApp::named("us.zoom.xos"));
  EXPECT_THAT(general.ignoredCallApps(), ElementsAre("Not asking for Zoom"));
  EXPECT_THAT(app->settings().load().ignoredCallApps, ElementsAre("us.zoom.xos"));
  general.ignoreCallApp("org.example.unknown");
  general.ignoreCallApp("us.zoom.xos");  // once only
  EXPECT_THAT(general.ignoredCallApps(),
              ElementsAre("Not asking for Zoom", "Not asking for org.example.unknown"));
  general.askAgain(0);
  general.askAgain(5);  // no such row
  EXPECT_THAT(app->settings().load().ignoredCallApps, ElementsAre("org.example.unknown"));
  // The next save keeps the choices.
  settings.general().setVocabulary("autovalor");
  EXPECT_THAT(app->settings().load().ignoredCallApps, ElementsAre("org.example.unknown"));
}

}  // namespace
}  // namespace kelv::app
