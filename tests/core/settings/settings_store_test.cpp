#include "kelv/core/settings/settings_store.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "kelv/core/settings/memory_secret_store.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using TT = TranscriptionBackendType;
using NT = NotesBackendType;

class SettingsStoreTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::shared_ptr<MemorySecretStore> secrets = std::make_shared<MemorySecretStore>();
  SettingsStore store{Preferences(dir / "prefs" / "preferences.json"), secrets};
};

TEST_F(SettingsStoreTest, LoadSaveAndUnreadableRecords) {
  EXPECT_EQ(store.load(), Settings{});

  Settings settings;
  settings.language = "es";
  settings.vocabulary = {"Kubernetes"};
  settings.notes = NotesPreset::all()[3].config();
  store.save(settings);
  EXPECT_EQ(store.load(), settings);

  // An unreadable record loads as the defaults and stays on disk until the next save.
  const nlohmann::json broken = {{"askToRecordCalls", false}, {"vocabulary", "Kubernetes"}};
  store.defaults().set("v2.settings", broken);
  EXPECT_EQ(store.load(), Settings{});
  EXPECT_EQ(store.defaults().value("v2.settings"), broken);
  store.defaults().set("v2.settings", "{\"askToRecordCalls\":false}");  // text, not a document
  EXPECT_EQ(store.load(), Settings{});

  // A record that can't be encoded removes the stored one.
  store.save(settings);
  Settings invalid;
  invalid.notesPrompt = std::string("bad \xff byte");
  store.save(invalid);
  EXPECT_FALSE(store.defaults().contains("v2.settings"));
}

TEST_F(SettingsStoreTest, ConsentIsThePresenceOfADate) {
  EXPECT_FALSE(store.consentAcknowledged());
  store.setConsentAcknowledged(true);
  EXPECT_TRUE(store.consentAcknowledged());
  const auto stored = store.defaults().string("v2.consentAcknowledged");
  ASSERT_TRUE(stored);
  EXPECT_TRUE(LibraryJson::parseDate(*stored));
  store.setConsentAcknowledged(false);
  EXPECT_FALSE(store.consentAcknowledged());
  store.defaults().set("v2.consentAcknowledged", false);  // any value counts
  EXPECT_TRUE(store.consentAcknowledged());
}

TEST_F(SettingsStoreTest, KeyAccountsBelongToPresetsOrTypes) {
  EXPECT_EQ(SettingsStore::keyAccount(TranscriptionConfig{TT::openAIStyle}),
            "v2.transcription.openAIStyle");
  EXPECT_EQ(SettingsStore::keyAccount(TranscriptionPreset::all()[0].config()),
            "v2.transcription.OpenAI");
  EXPECT_EQ(SettingsStore::keyAccount(NotesConfig{NT::anthropic}), "v2.notes.anthropic");
  EXPECT_EQ(SettingsStore::keyAccount(NotesPreset::named("LM Studio")->config()),
            "v2.notes.LM Studio");

  const auto openRouter = NotesPreset::named("OpenRouter")->config();
  const auto requesty = NotesPreset::named("Requesty")->config();
  store.setAPIKey("sk-or", openRouter);
  store.setAPIKey("sk-rq", requesty);
  EXPECT_EQ(store.apiKey(openRouter), "sk-or");
  EXPECT_EQ(store.apiKey(requesty), "sk-rq");
  EXPECT_EQ(secrets->secret("v2.notes.OpenRouter"), "sk-or");
  store.setAPIKey("", openRouter);
  EXPECT_EQ(store.apiKey(openRouter), std::nullopt);
  EXPECT_EQ(store.apiKey(requesty), "sk-rq");
}

TEST_F(SettingsStoreTest, SetupFillsGapsFromTheMatchingPreset) {
  secrets->setSecret("sk-openai", "v2.transcription.OpenAI");
  const auto& presets = TranscriptionPreset::all();

  auto setup =
      store.setup(TranscriptionConfig{TT::openAIStyle, std::nullopt, "", "OpenAI"}, presets);
  EXPECT_EQ(setup, (TranscriptionSetup{TT::openAIStyle, "https://api.openai.com/v1", "whisper-1",
                                       "sk-openai", 128000}));

  setup = store.setup(
      TranscriptionConfig{TT::openAIStyle, "http://127.0.0.1:11434/v1", "large", "OpenAI"},
      presets);
  EXPECT_EQ(setup.address, "http://127.0.0.1:11434/v1");
  EXPECT_EQ(setup.model, "large");
  EXPECT_EQ(setup.contextTokens, 8192);

  // The preset must match by type as well as by name.
  setup =
      store.setup(TranscriptionConfig{TT::gemini, std::nullopt, std::nullopt, "OpenAI"}, presets);
  EXPECT_EQ(setup.address, std::nullopt);
  EXPECT_EQ(setup.model, std::nullopt);
  EXPECT_EQ(setup.apiKey, "sk-openai");  // the key still belongs to the named preset

  const auto& notes = NotesPreset::all();
  EXPECT_EQ(store.setup(NotesPreset::named("Ollama")->config(), notes).contextTokens, 8192);
  EXPECT_EQ(store.setup(NotesPreset::named("LM Studio")->config(), notes).contextTokens, 4096);
  EXPECT_EQ(store.setup(NotesPreset::named("OpenAI")->config(), notes).contextTokens, 128000);
  EXPECT_EQ(store.setup(NotesConfig{NT::openAICompatible, "", std::nullopt, std::nullopt}, notes)
                .contextTokens,
            128000);
}

TEST(SettingsStoreDomain, TheDefaultsSuiteSelectsThePreferencesFile) {
  test::TempDir dir;
  ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  SettingsStore suite(Preferences::standard("test"), std::make_shared<MemorySecretStore>());
  Settings settings;
  settings.language = "fr";
  suite.save(settings);
  EXPECT_TRUE(std::filesystem::exists(dir / "test" / "preferences.json"));
  EXPECT_FALSE(std::filesystem::exists(dir / "com.tizara.app"));
  EXPECT_EQ(
      SettingsStore(Preferences::standard(std::nullopt), std::make_shared<MemorySecretStore>())
          .load(),
      Settings{});
  ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kelv::core
