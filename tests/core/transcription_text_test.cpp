// The pure pieces of the backends' requests and results: speaker labels, time texts, prompts.
#include <gtest/gtest.h>

#include "kelv/core/eleven_labs_transcription.h"
#include "kelv/core/gemini_transcription.h"

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
  for (const Case& c : cases) EXPECT_EQ(ElevenLabsTranscription::speakerLabel(c.id), c.label) << c.id;
}

TEST(GeminiTranscription, TimeTexts) {
  struct Case {
    const char* text;
    double seconds;
  } cases[] = {
      {"01:23.4", 83.4},   {"1:02:03.5", 3723.5}, {"83.4", 83.4},    {"5", 5},
      {"0:5", 5},          {"00:05.000", 5},      {"1:00:00", 3600}, {"no number", 0},
      {"", 0},             {"::", 0},             {" 1 : 30 ", 90},  {"\t2:\t03", 123},
      {"1::30", 90},       {"x:30", 30},          {"nan", 0},        {"inf", 0},
      {"1:nan:5", 3605},   {"+5", 5},             {"1e1", 10},       {"5s", 0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(GeminiTranscription::seconds(c.text), c.seconds) << c.text;
}

TEST(GeminiTranscription, InstructionNamesTheLanguageWhole) {
  const std::string tail =
      ". Return one JSON item per sentence, with start and end as MM:SS.s timestamps from the "
      "start of the audio. Return [] if nobody speaks.";
  EXPECT_EQ(GeminiTranscription::instruction(std::nullopt), "Transcribe this audio verbatim" + tail);
  EXPECT_EQ(GeminiTranscription::instruction("es"),
            "Transcribe this audio verbatim (language: es)" + tail);
  EXPECT_EQ(GeminiTranscription::instruction("es-ES"),
            "Transcribe this audio verbatim (language: es-ES)" + tail);
}

}  // namespace
}  // namespace kelv::core
