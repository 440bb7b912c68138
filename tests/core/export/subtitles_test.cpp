// Subtitle cues of a transcript: one per turn until the next turn, long turns split at two
// lines of 42 characters with times in proportion to their text, every cue a second or more
// and none overlapping the next; and the two file formats written from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelv/core/export/subtitles.h"

namespace kelv::core {
namespace {

using Subtitles::Cue;

std::string words(int count) {
  std::string out;
  for (int index = 0; index < count; ++index) out += index ? " abcdefghi" : "abcdefghi";
  return out;
}

std::string describe(const std::vector<Cue>& cues) {
  std::string out;
  for (const Cue& cue : cues) {
    out += std::to_string(cue.start) + "-" + std::to_string(cue.end) + " " + cue.speaker + " |";
    for (const std::string& line : cue.lines) out += line + "|";
    out += "\n";
  }
  return out;
}

struct Case {
  const char* what;
  std::vector<SpokenLine> lines;
  double duration;
  std::vector<Cue> expected;
};

TEST(Subtitles, CuesFollowTheTurns) {
  const std::string nine = "abcdefghi";
  const std::string three = nine + " " + nine + " " + nine;
  const std::string four = three + " " + nine;
  const Case cases[] = {
      {"each turn until the next, the last until the class's end",
       {{0, "00:00:00", "Profe", "Hola."}, {5, "00:00:05", "Yo", "Buenas."}},
       12,
       {{0, 5000, "Profe", {"Hola."}}, {5000, 12000, "Yo", {"Buenas."}}}},
      {"a long turn split in proportion to the text of its pieces",
       {{0, "00:00:00", "Profe", words(16)}, {30, "00:00:30", "Yo", "Vale."}},
       40,
       {{0, 13161, "Profe", {three, four}},
        {13161, 26323, "Profe", {three, four}},
        {26323, 30000, "Profe", {nine + " " + nine}},
        {30000, 40000, "Yo", {"Vale."}}}},
      {"turns written at the same second last a second each, one after the other",
       {{10, "00:00:10", "Profe", "Uno."},
        {10, "00:00:10", "Yo", "Dos."},
        {10, "00:00:10", "Profe", "Tres."},
        {20, "00:00:20", "Yo", "Cuatro."}},
       25,
       {{10000, 11000, "Profe", {"Uno."}},
        {11000, 12000, "Yo", {"Dos."}},
        {12000, 20000, "Profe", {"Tres."}},
        {20000, 25000, "Yo", {"Cuatro."}}}},
      {"a turn without a speaker has the whole line, a word too long for it is cut",
       {{1, "00:00:01", "", std::string(50, 'x')}},
       3,
       {{1000, 3000, "", {std::string(42, 'x'), std::string(8, 'x')}}}},
      {"characters are counted, not bytes",
       {{0, "00:00:00", "Profe", "áéíóú ñ áéíóú ñ áéíóú ñ áéíóú ñ áé"}},
       2,
       {{0, 2000, "Profe", {"áéíóú ñ áéíóú ñ áéíóú ñ áéíóú ñ áé"}}}},
      {"a last turn past the known length still lasts a second, empty turns give nothing",
       {{7, "00:00:07", "Yo", ""}, {8, "00:00:08", "Yo", "Fin."}},
       8,
       {{8000, 9000, "Yo", {"Fin."}}}},
  };
  for (const Case& test : cases) {
    ExportedMeeting meeting;
    meeting.transcript = test.lines;
    meeting.duration = test.duration;
    EXPECT_EQ(describe(Subtitles::cues(meeting)), describe(test.expected)) << test.what;
  }
}

TEST(Subtitles, FilesInBothFormats) {
  const std::vector<Cue> cues = {{61500, 3723004, "Profe", {"a < b & c", "--> d"}},
                                 {3723004, 3724004, "", {"sin nombre"}}};
  EXPECT_EQ(Subtitles::srt(cues),
            "1\n00:01:01,500 --> 01:02:03,004\nProfe: a < b & c\n--> d\n\n"
            "2\n01:02:03,004 --> 01:02:04,004\nsin nombre\n\n");
  EXPECT_EQ(Subtitles::webVtt(cues),
            "WEBVTT\n\n00:01:01.500 --> 01:02:03.004\n<v Profe>a &lt; b &amp; c\n--&gt; d\n\n"
            "01:02:03.004 --> 01:02:04.004\nsin nombre\n\n");
}

}  // namespace
}  // namespace kelv::core
