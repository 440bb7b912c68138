#include "kelv/core/transcript/transcript_merge.h"

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

using TranscriptMerge::editDistance;
using TranscriptMerge::merge;
using TranscriptMerge::mixed;

TimedSegment segment(double start, double end, const char* text,
                     std::optional<std::string> speaker = {}) {
  return TimedSegment{start, end, text, std::move(speaker)};
}

Turn turn(double start, const char* speaker, const char* text) {
  return Turn{start, speaker, text};
}

TEST(TranscriptMerge, EditDistanceCountsUserPerceivedCharacters) {
  struct Case {
    const char* a;
    const char* b;
    size_t expected;
  };
  const Case cases[] = {
      {"", "", 0},
      {"", "año", 3},
      {"kubernetes", "kubernetis", 1},
      {"gato", "pato", 1},
      {"kitten", "sitting", 3},
      {"canción", "cancion", 1},
      // Precomposed é against e + combining acute: the same character.
      {"caf\xC3\xA9", "cafe\xCC\x81", 0},
      // Marks in either order are canonically equivalent.
      {"e\xCC\x81\xCC\xA3", "e\xCC\xA3\xCC\x81", 0},
      // A flag and a family emoji are one character each.
      {"\xF0\x9F\x87\xAA\xF0\x9F\x87\xB8", "\xF0\x9F\x87\xB2\xF0\x9F\x87\xBD", 1},
      {"a\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7", "ab", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(editDistance(c.a, c.b), c.expected) << c.a << " / " << c.b;
    EXPECT_EQ(editDistance(c.b, c.a), c.expected) << c.b << " / " << c.a;
  }
}

TEST(TranscriptMerge, EchoFilter) {
  // 59 of 100 microphone words appear in the system segment.
  std::string hundredWords, fiftyNineOfThem;
  for (int i = 0; i < 100; ++i) hundredWords += (i < 59 ? " común" : " solo") + std::to_string(i);
  for (int i = 0; i < 59; ++i) fiftyNineOfThem += " común" + std::to_string(i);
  struct Case {
    const char* name;
    TimedSegment mic;
    TimedSegment system;
    bool kept;
  };
  const Case cases[] = {
      {"echo overlapping in time", segment(1, 3, "hola a todos"), segment(0.5, 3, "Hola a todos."),
       false},
      {"same words 1.6 s away", segment(5, 6, "hola a todos"), segment(0, 3.4, "Hola a todos."),
       true},
      {"same words exactly 1.5 s away", segment(5, 6, "hola a todos"),
       segment(0, 3.5, "Hola a todos."), false},
      {"neighbour after the segment", segment(0, 2, "hola a todos"),
       segment(3.5, 4, "hola a todos"), false},
      {"punctuation only", segment(0, 1, "..."), segment(10, 11, "nada"), false},
      {"fuzzy long word", segment(0, 1, "kubernetes"), segment(0, 1, "kubernetis"), false},
      {"fuzzy four letters", segment(0, 1, "gato"), segment(0, 1, "pato"), false},
      {"four letters, two off", segment(0, 1, "gato"), segment(0, 1, "pito"), true},
      {"three letters", segment(0, 1, "sol"), segment(0, 1, "son"), false},
      {"two letters only exact", segment(0, 1, "la"), segment(0, 1, "lo"), true},
      {"accented capitals fold", segment(0, 1, "ÁRBOL ÑANDÚ"), segment(0, 1, "árbol ñandú"), false},
      {"decomposed matches precomposed", segment(0, 1, "canci\x6F\xCC\x81n"),
       segment(0, 1, "canci\xC3\xB3n"), false},
      // 3 of 5 words match: exactly 60 %.
      {"exactly 60 %", segment(0, 1, "uno dos tres xx yy"), segment(0, 1, "uno dos tres"), false},
      // 59 of 100 words match.
      {"59 %", segment(0, 1, hundredWords.c_str()), segment(0, 1, fiftyNineOfThem.c_str()), true},
      {"repeated words count each time", segment(0, 1, "sí sí sí no, nunca"), segment(0, 1, "sí"),
       false},
      {"words split at apostrophes and digits stay", segment(0, 1, "l'été 2024"),
       segment(0, 1, "L ÉTÉ 2024"), false},
  };
  for (const Case& c : cases) {
    const auto turns = merge({c.mic}, {c.system});
    const bool kept =
        std::any_of(turns.begin(), turns.end(), [](const Turn& t) { return t.speaker == "You"; });
    EXPECT_EQ(kept, c.kept) << c.name;
  }
}

TEST(TranscriptMerge, LabelsOrdersAndJoins) {
  struct Case {
    const char* name;
    std::vector<TimedSegment> mic;
    std::vector<TimedSegment> system;
    std::vector<Turn> expected;
  };
  const Case cases[] = {
      {"empty inputs", {}, {}, {}},
      {"system alone joins at a gap of 2.0 s, not past it",
       {},
       {segment(0, 3, "uno", "A"), segment(5.0, 6, " dos\n"), segment(8.01, 9, "tres")},
       {turn(0, "Them", "uno dos"), turn(8.01, "Them", "tres")}},
      {"equal starts put You first, tracks keep their order",
       {segment(4, 5, "pregunta"), segment(4, 4.5, "otra")},
       {segment(4, 6, "respuesta"), segment(0, 1, "inicio")},
       {turn(0, "Them", "inicio"), turn(4, "You", "pregunta otra"), turn(4, "Them", "respuesta")}},
      {"a blank segment is skipped without moving the last end",
       {},
       {segment(0, 1, "a"), segment(2, 30, "  "), segment(3.5, 4, "b")},
       {turn(0, "Them", "a"), turn(3.5, "Them", "b")}},
      {"an end before the start advances the last end to the start",
       {},
       {segment(10, 2, "a"), segment(12, 13, "b"), segment(15.5, 16, "c")},
       {turn(10, "Them", "a b"), turn(15.5, "Them", "c")}},
      {"overlap joins, another speaker breaks",
       {segment(1, 2, "yo hablo")},
       {segment(0, 5, "ellos"), segment(3, 4, "siguen")},
       {turn(0, "Them", "ellos"), turn(1, "You", "yo hablo"), turn(3, "Them", "siguen")}},
  };
  for (const Case& c : cases) EXPECT_EQ(merge(c.mic, c.system), c.expected) << c.name;
}

TEST(TranscriptMerge, MixedTrack) {
  const std::vector<TimedSegment> segments = {
      segment(3, 4, "tercero", "B"), segment(0, 1, " primero ", "A"),
      segment(1.5, 2, "segundo", "A"), segment(2, 2.5, "\t"), segment(4.2, 5, "cuarto")};
  EXPECT_EQ(mixed(segments, true),
            (std::vector{turn(0, "A", "primero segundo"), turn(3, "B", "tercero"),
                         turn(4.2, "Speaker", "cuarto")}));
  EXPECT_EQ(mixed(segments, false),
            (std::vector{turn(0, "Speaker", "primero"), turn(1.5, "Speaker", "segundo"),
                         turn(3, "Speaker", "tercero"), turn(4.2, "Speaker", "cuarto")}));
}

}  // namespace
}  // namespace kelv::core
