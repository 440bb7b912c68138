#include <gtest/gtest.h>

#include "kelv/core/backends/backend_config.h"
#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/backend_unavailable_error.h"
#include "kelv/core/backends/preset.h"
#include "kelv/core/backends/unavailable_backend.h"

namespace kelv::core {
namespace {

TEST(BackendCatalogue, ConfigurationJson) {
  const auto config =
      nlohmann::json::parse(R"({"type":"openai-style"})").get<TranscriptionConfig>();
  EXPECT_EQ(config, (TranscriptionConfig{TranscriptionBackendType::openAIStyle}));
  EXPECT_EQ(nlohmann::json(config).dump(), R"({"type":"openai-style"})");

  const auto nulls =
      nlohmann::json::parse(
          R"({"type":"anthropic","address":null,"model":"m","preset":null,"extra":1})")
          .get<NotesConfig>();
  EXPECT_EQ(nulls, (NotesConfig{NotesBackendType::anthropic, std::nullopt, "m", std::nullopt}));

  for (const char* bad : {R"({"type":"whisper"})", R"({})", R"({"type":null})",
                          R"({"type":"on-device","model":1})", R"("openai-style")"})
    EXPECT_THROW(nlohmann::json::parse(bad).get<TranscriptionConfig>(), LibraryJson::DecodingError)
        << bad;
  // Stored values belong to their own list only.
  EXPECT_THROW(nlohmann::json::parse(R"({"type":"none"})").get<TranscriptionConfig>(),
               LibraryJson::DecodingError);
  EXPECT_THROW(nlohmann::json::parse(R"({"type":"on-device"})").get<NotesConfig>(),
               LibraryJson::DecodingError);

  for (auto type : BackendKind<TranscriptionBackendType>::all)
    EXPECT_EQ(BackendKind<TranscriptionBackendType>::fromStoredValue(storedValue(type)), type);
  for (auto type : BackendKind<NotesBackendType>::all)
    EXPECT_EQ(BackendKind<NotesBackendType>::fromStoredValue(storedValue(type)), type);
}

TEST(BackendCatalogue, PresetTables) {
  const auto& transcription = TranscriptionPreset::all();
  ASSERT_EQ(transcription.size(), 6u);
  EXPECT_EQ(transcription[2].name, "Self-hosted Whisper");
  EXPECT_FALSE(transcription[2].needsKey);
  EXPECT_EQ(transcription[4].model, std::nullopt);
  for (const auto& preset : transcription)
    EXPECT_NE(preset.type, TranscriptionBackendType::onDevice) << preset.name;

  const auto& notes = NotesPreset::all();
  ASSERT_EQ(notes.size(), 9u);
  std::vector<std::string> names;
  for (const auto& preset : notes) names.push_back(preset.name);
  EXPECT_EQ(names, (std::vector<std::string>{"OpenAI", "OpenRouter", "Requesty", "Anthropic",
                                             "Gemini", "Ollama", "LM Studio", "MLX", "llama.cpp"}));
  EXPECT_EQ(notes[7].address, notes[8].address);
  EXPECT_EQ(notes[4].address, transcription[5].address);
  EXPECT_EQ(notes[4].model, transcription[5].model);
  // Local servers need no key, cloud services do.
  for (const auto& preset : notes)
    EXPECT_EQ(preset.needsKey, !BackendAddress::isLocal(preset.address)) << preset.name;

  EXPECT_EQ(notes[5].config(), (NotesConfig{NotesBackendType::openAICompatible,
                                            "http://localhost:11434/v1", "qwen3:8b", "Ollama"}));
  EXPECT_EQ(NotesPreset::named("Requesty"), &notes[2]);
  EXPECT_EQ(NotesPreset::named("requesty"), nullptr);
}

TEST(BackendCatalogue, LocalAddressesAndContextSize) {
  struct Case {
    std::optional<std::string> address;
    bool local;
    int tokens;
  };
  const Case cases[] = {
      {"http://localhost:8000/v1", true, 4096},
      {"http://LOCALHOST:11434/v1", true, 8192},
      {"http://127.0.0.1:11434", true, 8192},
      {"http://192.168.1.20/v1", true, 4096},
      {"http://10.0.0.7:1234", true, 4096},
      {"http://172.16.0.5:11434", false, 128000},
      {"http://[::1]:11434/v1", true, 8192},
      {"http://[fe80::1]:11434", false, 128000},
      {"http://0.0.0.0:8080", true, 4096},
      {"http://studio.local:11434", true, 8192},
      {"http://localhost", true, 4096},
      {"https://api.openai.com/v1", false, 128000},
      {"https://api.openai.com:11434/v1", false, 128000},
      {"localhost:11434", false, 128000},
      {"not a url", false, 128000},
      {"", false, 128000},
      {std::nullopt, false, 128000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TranscriptionSetup::isLocal(c.address), c.local) << c.address.value_or("(absent)");
    EXPECT_EQ(BackendAddress::contextTokens(c.address), c.tokens) << c.address.value_or("(absent)");
  }
}

TEST(BackendCatalogue, UnavailableBackendFailsOnEveryUse) {
  const UnavailableBackend backend("on-device");
  const TranscriptionBackend& transcription = backend;
  const NotesBackend& notes = backend;
  EXPECT_EQ(transcription.name(), "on-device");
  EXPECT_FALSE(transcription.separatesSpeakers());
  EXPECT_EQ(notes.contextTokens(), 0);
  try {
    transcription.transcribe("/nonexistent/mic.raw", "es");
    FAIL() << "transcribe succeeded";
  } catch (const BackendUnavailableError& error) {
    EXPECT_STREQ(error.what(), "The on-device backend isn't available in this build.");
    EXPECT_STREQ(error.domain(), "Kelvora");
    EXPECT_EQ(error.code(), 1);
  }
  EXPECT_THROW(notes.complete("system", "user"), BackendUnavailableError);
  EXPECT_THROW(notes.test(), BackendUnavailableError);
}

}  // namespace
}  // namespace kelv::core
