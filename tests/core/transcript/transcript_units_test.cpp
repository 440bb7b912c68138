#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kelv/core/transcript/timed_segment.h"
#include "kelv/core/transcript/turn.h"
#include "kelv/core/transcript/word.h"
#include "kelv/core/util/library_json.h"

namespace kelv::core {
namespace {

using nlohmann::json;

TEST(TranscriptUnits, JsonRoundTripsAndLeavesOutAbsentSpeaker) {
  const TimedSegment labelled{1.5, 2.25, "¿Qué tal, señora Núñez? 👋", "A"};
  const TimedSegment unlabelled{0, 0.5, "hola", std::nullopt};
  EXPECT_EQ(timedSegmentFromJson(json(labelled)), labelled);
  EXPECT_EQ(timedSegmentFromJson(json(unlabelled)), unlabelled);
  EXPECT_FALSE(json(unlabelled).contains("speaker"));
  EXPECT_EQ(LibraryJson::encode(json(std::vector{unlabelled})),
            "[\n  {\n    \"end\" : 0.5,\n    \"start\" : 0,\n    \"text\" : \"hola\"\n  }\n]");

  const Turn you{12.0, "You", "Buenos días"};
  const Turn anonymous{3.0, std::nullopt, "sin etiqueta"};
  EXPECT_EQ(turnsFromJson(json(std::vector{you, anonymous})), (std::vector{you, anonymous}));
  EXPECT_FALSE(json(anonymous).contains("speaker"));
  EXPECT_EQ(turnFromJson(json::parse(R"({"start":1,"speaker":null,"text":"x"})")).speaker,
            std::nullopt);
}

TEST(TranscriptUnits, ReadersRejectMalformedRecords) {
  const char* segments[] = {
      R"({"end":1,"text":"x"})",
      R"({"start":0,"text":"x"})",
      R"({"start":0,"end":1})",
      R"({"start":"0","end":1,"text":"x"})",
      R"({"start":0,"end":1,"text":3})",
      R"({"start":0,"end":1,"text":"x","speaker":7})",
      R"([])",
      R"("text")",
  };
  for (const char* text : segments) {
    EXPECT_THROW(timedSegmentFromJson(json::parse(text)), LibraryJson::DecodingError) << text;
  }
  const char* turns[] = {
      R"({"speaker":"You","text":"x"})",
      R"({"start":0})",
      R"({"start":0,"text":"x","speaker":[]})",
      R"(null)",
  };
  for (const char* text : turns) {
    EXPECT_THROW(turnFromJson(json::parse(text)), LibraryJson::DecodingError) << text;
  }
  EXPECT_THROW(timedSegmentsFromJson(json::parse(R"({"start":0})")), LibraryJson::DecodingError);
  // A time too large for a double is a decoding failure like any other, not another exception.
  EXPECT_THROW(timedSegmentFromJson(LibraryJson::parse(R"({"start":1e400,"end":1,"text":"x"})")),
               LibraryJson::DecodingError);
  EXPECT_THROW(turnsFromJson(json::parse(R"([{"start":0,"text":"a"}, 5])")),
               LibraryJson::DecodingError);
}

Word word(const char* text, double start, double end, std::optional<std::string> speaker = {}) {
  return Word{text, start, end, std::move(speaker)};
}

TEST(WordSentences, GroupsWordsIntoSentences) {
  struct Case {
    const char* name;
    std::vector<Word> words;
    std::vector<TimedSegment> expected;
  };
  const Case cases[] = {
      {"punctuation joins without a space, an ender closes, even at no gap",
       {word("Hola", 0, 0.4), word(",", 0.4, 0.45), word(" qué ", 0.5, 0.7), word("tal?", 0.8, 1.0),
        word("Bien", 1.0, 1.2)},
       {{0, 1.0, "Hola, qué tal?", {}}, {1.0, 1.2, "Bien", {}}}},
      {"a pause of exactly one second joins, a longer one splits",
       {word("uno", 0, 1), word("dos", 2, 2.5), word("tres", 3.7, 4)},
       {{0, 2.5, "uno dos", {}}, {3.7, 4, "tres", {}}}},
      {"a change of speaker splits, labelled or not",
       {word("sí", 0, 0.2, "A"), word("no", 0.3, 0.5, "B"), word("quizá", 0.6, 0.8)},
       {{0, 0.2, "sí", "A"}, {0.3, 0.5, "no", "B"}, {0.6, 0.8, "quizá", {}}}},
      {"punctuation ignores speaker and gap, and an ender after an ender stands alone",
       {word("Fin", 0, 1, "A"), word("…", 9, 9.5, "B"), word("!", 10, 11, "C"), word("?", 12, 13)},
       {{0, 11, "Fin…!", "A"}, {12, 13, "?", {}}}},
      {"a punctuation-only first word is a segment of its own; blanks are skipped",
       {word("¡", 0, 0.1), word(" \n", 0.1, 5), word("Olé!", 0.2, 0.5), word("。", 0.5, 0.6),
        word("全角！", 0.7, 0.9), word("x", 0.9, 1.0)},
       {{0, 0.5, "¡ Olé!", {}},
        {0.5, 0.6, "。", {}},
        {0.7, 0.9, "全角！", {}},
        {0.9, 1.0, "x", {}}}},
      {"an end earlier than the start never shrinks the segment",
       {word("a", 0, 2), word("b", 1, 1.5)},
       {{0, 2, "a b", {}}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Word::sentences(c.words), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace kelv::core
