#include "kelv/core/settings/migration.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "kelv/core/settings/memory_secret_store.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

class MigrationTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("HOME", "/home/ana", 1); }

  // Runs the migration over old entries and old keys; returns the saved record.
  Settings migrate(const nlohmann::json& oldEntries, std::map<std::string, std::string> keys = {}) {
    for (const auto& [key, value] : oldEntries.items()) store.defaults().set(key, value);
    for (const auto& [account, value] : keys) secrets->setSecret(value, account);
    EXPECT_TRUE(Migration::runIfNeeded(store));
    EXPECT_TRUE(store.defaults().contains("v2.settings"));
    return store.load();
  }

  test::TempDir dir;
  std::shared_ptr<MemorySecretStore> secrets = std::make_shared<MemorySecretStore>();
  SettingsStore store{Preferences(dir / "preferences.json"), secrets};
};

TEST_F(MigrationTest, DoesNothingOnceCurrentSettingsExist) {
  store.defaults().set("v2.settings", {{"askToRecordCalls", false}});
  store.defaults().set("llmProvider", "ollama");
  secrets->setSecret("sk-old", "openAIApiKey");
  const auto before = store.defaults().snapshot();
  EXPECT_FALSE(Migration::runIfNeeded(store));
  EXPECT_EQ(store.defaults().snapshot(), before);
  EXPECT_EQ(secrets->all(), (std::map<std::string, std::string>{{"openAIApiKey", "sk-old"}}));
}

TEST_F(MigrationTest, AFreshInstallationStoresTheDefaults) {
  EXPECT_EQ(migrate(nlohmann::json::object()), Settings{});
  EXPECT_FALSE(Migration::runIfNeeded(store));
}

TEST_F(MigrationTest, FolderLanguageVocabularyAndAudio) {
  Settings settings =
      migrate({{"notesFolderPath", "~/Notas/"},
               {"transcriptionLocale", "es_ES"},
               {"transcriptionCustomVocabulary",
                "Kubernetes: cooper netties\nPostgreSQL\n\n::Redis: ree dis\n  :  \n"},
               {"saveAudioRecording", false}});
  EXPECT_EQ(settings.notesFolder, "/home/ana/Notas");
  EXPECT_EQ(settings.language, "es");
  EXPECT_EQ(settings.vocabulary, (std::vector<std::string>{"Kubernetes", "PostgreSQL", "Redis"}));
  EXPECT_TRUE(settings.deleteAudioAfterProcessing);
}

TEST_F(MigrationTest, EmptyOrUnusableOldEntriesKeepTheDefaults) {
  Settings settings = migrate({{"notesFolderPath", "Notas"},
                               {"transcriptionLocale", ""},
                               {"transcriptionCustomVocabulary", 7},
                               {"saveAudioRecording", true},
                               {"llmProvider", "someoneElse"}});
  EXPECT_EQ(settings, Settings{});
}

TEST_F(MigrationTest, KeysMoveWithoutOverwriting) {
  migrate({{"llmProvider", "none"}}, {{"openAILLMApiKey", "sk-compat"},
                                      {"anthropicApiKey", "sk-old-anthropic"},
                                      {"v2.notes.Anthropic", "sk-new-anthropic"},
                                      {"lmStudioApiKey", ""},
                                      {"elevenLabsApiKey", "el-key"}});
  EXPECT_EQ(secrets->secret("v2.notes.openAICompatible"), "sk-compat");
  EXPECT_EQ(secrets->secret("v2.notes.Anthropic"), "sk-new-anthropic");
  EXPECT_EQ(secrets->secret("v2.notes.LM Studio"), std::nullopt);
  EXPECT_EQ(secrets->secret("v2.transcription.ElevenLabs"), "el-key");
  EXPECT_EQ(secrets->secret("anthropicApiKey"), "sk-old-anthropic");  // old items stay
}

TEST_F(MigrationTest, NotesProviders) {
  struct Case {
    const char* name;
    nlohmann::json entries;
    std::map<std::string, std::string> keys;
    NotesConfig expected;
  };
  const auto preset = [](const char* name) { return NotesPreset::named(name)->config(); };
  auto ollama = preset("Ollama");
  ollama.model = "llama3";
  auto anthropic = preset("Anthropic");
  anthropic.address = "https://proxy.example/anthropic";
  const Case cases[] = {
      {"ollama with its model, no key needed",
       {{"llmProvider", "ollama"}, {"ollamaLLMModel", "llama3"}},
       {},
       ollama},
      {"default provider without its key",
       nlohmann::json::object(),
       {},
       NotesConfig{NotesBackendType::none}},
      {"default provider with its key",
       nlohmann::json::object(),
       {{"openRouterApiKey", "k"}},
       preset("OpenRouter")},
      {"anthropic with address and moved key",
       {{"llmProvider", "anthropic"},
        {"anthropicBaseURL", "https://proxy.example/anthropic"},
        {"anthropicModel", ""}},
       {{"anthropicApiKey", "k"}},
       anthropic},
      {"openai without key", {{"llmProvider", "openAI"}}, {}, NotesConfig{NotesBackendType::none}},
      {"hand-made without address",
       {{"llmProvider", "openAICompatible"}, {"openAILLMModel", "m"}},
       {},
       NotesConfig{NotesBackendType::openAICompatible, "http://localhost:4000", "m"}},
      {"hand-made with address",
       {{"llmProvider", "openAICompatible"}, {"openAILLMBaseURL", "http://10.0.0.2:9000/v1"}},
       {},
       NotesConfig{NotesBackendType::openAICompatible, "http://10.0.0.2:9000/v1"}},
  };
  for (const auto& c : cases) {
    test::TempDir caseDir;
    SettingsStore caseStore(Preferences(caseDir / "preferences.json"),
                            std::make_shared<MemorySecretStore>(c.keys));
    for (const auto& [key, value] : c.entries.items()) caseStore.defaults().set(key, value);
    ASSERT_TRUE(Migration::runIfNeeded(caseStore)) << c.name;
    EXPECT_EQ(caseStore.load().notes, c.expected) << c.name;
  }
}

TEST_F(MigrationTest, TranscriptionNeedsTheMovedKey) {
  struct Case {
    nlohmann::json entries;
    std::map<std::string, std::string> keys;
    TranscriptionConfig expected;
  };
  const auto preset = [](const char* name) { return TranscriptionPreset::named(name)->config(); };
  const TranscriptionConfig onDevice{TranscriptionBackendType::onDevice};
  const Case cases[] = {
      {{{"transcriptionModel", "assemblyAI"}}, {{"assemblyAIApiKey", "aai"}}, preset("AssemblyAI")},
      {{{"transcriptionModel", "assemblyAI"}}, {}, onDevice},
      {{{"transcriptionModel", "elevenLabsScribe"}},
       {{"v2.transcription.ElevenLabs", "el"}},
       preset("ElevenLabs")},
      {{{"transcriptionModel", "whisperLarge"}}, {{"assemblyAIApiKey", "aai"}}, onDevice},
      {{{"enableBatchRetranscription", true},
        {"transcriptionModel", "assemblyAI"},
        {"batchTranscriptionModel", "elevenLabsScribe"}},
       {{"assemblyAIApiKey", "aai"}, {"elevenLabsApiKey", "el"}},
       preset("ElevenLabs")},
      {{{"enableBatchRetranscription", false},
        {"transcriptionModel", "assemblyAI"},
        {"batchTranscriptionModel", "elevenLabsScribe"}},
       {{"assemblyAIApiKey", "aai"}, {"elevenLabsApiKey", "el"}},
       preset("AssemblyAI")},
  };
  for (const auto& c : cases) {
    test::TempDir caseDir;
    auto caseSecrets = std::make_shared<MemorySecretStore>(c.keys);
    SettingsStore caseStore(Preferences(caseDir / "preferences.json"), caseSecrets);
    for (const auto& [key, value] : c.entries.items()) caseStore.defaults().set(key, value);
    ASSERT_TRUE(Migration::runIfNeeded(caseStore)) << c.entries.dump();
    EXPECT_EQ(caseStore.load().transcription, c.expected) << c.entries.dump();
  }
}

TEST(MigrationTables, KeyAccountsFollowTheCurrentNaming) {
  std::map<std::string, std::string> table;
  for (const auto& move : Migration::keyAccounts()) table[move.oldAccount] = move.newAccount;
  EXPECT_EQ(table, (std::map<std::string, std::string>{
                       {"openAILLMApiKey", "v2.notes.openAICompatible"},
                       {"openRouterApiKey", "v2.notes.OpenRouter"},
                       {"requestyApiKey", "v2.notes.Requesty"},
                       {"openAIApiKey", "v2.notes.OpenAI"},
                       {"anthropicApiKey", "v2.notes.Anthropic"},
                       {"lmStudioApiKey", "v2.notes.LM Studio"},
                       {"assemblyAIApiKey", "v2.transcription.AssemblyAI"},
                       {"elevenLabsApiKey", "v2.transcription.ElevenLabs"}}));
  for (const auto& row : Migration::providers()) {
    if (row.preset) {
      EXPECT_NE(NotesPreset::named(*row.preset), nullptr) << *row.preset;
    }
  }
}

}  // namespace
}  // namespace kelv::core
