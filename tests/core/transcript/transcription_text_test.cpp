// The pure pieces of the backends' requests and results: speaker labels, time texts, prompts.
#include <gtest/gtest.h>

#include "kelv/core/assembly/backend_makers.h"
#include "kelv/core/backends/cloud/assembly_ai_transcription.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/eleven_labs_transcription.h"
#include "kelv/core/backends/cloud/gemini_transcription.h"
#include "kelv/core/backends/cloud/openai_style_transcription.h"
#include "kelv/core/backends/preset.h"

namespace kelv::core {
namespace {

TEST(ElevenLabsTranscription, SpeakerLabels) {
  struct Case {
    const char* id;
    const char* label;
  } cases[] = {
      {"speaker_0", "Speaker 1"},
      {"speaker_1", "Speaker 2"},
      {"speaker_2", "Speaker 3"},
      {"speaker__7_", "Speaker 8"},
      {"speaker_x", "Speaker 1"},
      {"speaker_", "Speaker 1"},
      {"speaker", "Speaker 1"},
      {"", "Speaker 1"},
      {"___", "Speaker 1"},
      {"12", "Speaker 13"},
      {"speaker_+4", "Speaker 5"},
      {"speaker_1.5", "Speaker 1"},
      {"speaker_9223372036854775807", "Speaker 9223372036854775808"},
      {"speaker_99999999999999999999", "Speaker 1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ElevenLabsTranscription::speakerLabel(c.id), c.label) << c.id;
}

TEST(GeminiTranscription, TimeTexts) {
  struct Case {
    const char* text;
    double seconds;
  } cases[] = {
      {"01:23.4", 83.4}, {"1:02:03.5", 3723.5}, {"83.4", 83.4},   {"5", 5},     {"0:5", 5},
      {"00:05.000", 5},  {"1:00:00", 3600},     {"no number", 0}, {"", 0},      {"::", 0},
      {" 1 : 30 ", 90},  {"\t2:\t03", 123},     {"1::30", 90},    {"x:30", 30}, {"nan", 0},
      {"inf", 0},        {"1:nan:5", 3605},     {"+5", 5},        {"1e1", 10},  {"5s", 0},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(GeminiTranscription::seconds(c.text), c.seconds) << c.text;
}

TEST(GeminiTranscription, InstructionNamesTheLanguageWhole) {
  const std::string tail =
      ". Return one JSON item per sentence, with start and end as MM:SS.s timestamps from the "
      "start of the audio. Return [] if nobody speaks.";
  EXPECT_EQ(GeminiTranscription::instruction(std::nullopt),
            "Transcribe this audio verbatim" + tail);
  EXPECT_EQ(GeminiTranscription::instruction("es"),
            "Transcribe this audio verbatim (language: es)" + tail);
  EXPECT_EQ(GeminiTranscription::instruction("es-ES"),
            "Transcribe this audio verbatim (language: es-ES)" + tail);
}

TEST(TranscriptionMakers, BuildEveryCloudKindFromItsPreset) {
  using T = TranscriptionBackendType;
  struct Case {
    T type;
    std::optional<std::string> model;
    const char* name;
    bool separates;
  } cases[] = {
      {T::openAIStyle, "whisper-1", "openai-style:whisper-1", false},
      {T::openAIStyle, std::nullopt, "openai-style:whisper-1", false},
      {T::elevenLabs, std::nullopt, "elevenlabs:scribe_v2", true},
      {T::assemblyAI, "ignored-model", "assemblyai", true},
      {T::gemini, "gemini-2.5-pro", "gemini:gemini-2.5-pro", false},
  };
  for (const Case& c : cases) {
    auto backend = BackendMakers::builtIn().transcription.at(c.type)(
        TranscriptionSetup{c.type, std::nullopt, c.model, "key", 128000});
    EXPECT_EQ(backend->name(), c.name);
    EXPECT_EQ(backend->separatesSpeakers(), c.separates);
  }
  // The backends' own defaults are the presets' addresses.
  auto presetAddress = [](const std::string& name) {
    for (const auto& preset : Preset<TranscriptionBackendType>::all()) {
      if (preset.name == name) return preset.address;
    }
    return std::string();
  };
  EXPECT_EQ(OpenAIStyleTranscription::defaultAddress, presetAddress("OpenAI"));
  EXPECT_EQ(ElevenLabsTranscription::defaultAddress, presetAddress("ElevenLabs"));
  EXPECT_EQ(AssemblyAITranscription::defaultAddress, presetAddress("AssemblyAI"));
  EXPECT_EQ(GeminiTranscription::defaultAddress, presetAddress("Gemini"));
  // An empty key is no key: the backend refuses before touching the network or the track.
  auto keyless = BackendMakers::builtIn().transcription.at(T::gemini)(
      TranscriptionSetup{T::gemini, std::nullopt, std::nullopt, "", 0});
  EXPECT_THROW(keyless->transcribe("/nonexistent/mic.pcm", std::nullopt), CloudError);
}

}  // namespace
}  // namespace kelv::core
