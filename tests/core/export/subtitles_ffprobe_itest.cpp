// The subtitles of a 3-hour class read back by FFmpeg's own SubRip and WebVTT demuxers: every
// cue is found, in order, and none starts before the one before it ends.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "kelv/core/export/subtitles.h"
#include "long_class.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

struct Packet {
  double start, duration;
};

std::vector<Packet> packets(const std::filesystem::path& file) {
  int status = -1;
  const std::string out = kelv::test::runCommand(
      "ffprobe -v error -show_entries packet=pts_time,duration_time -of csv=p=0 '" + file.string() +
          "'",
      &status);
  EXPECT_EQ(status, 0) << file;
  std::vector<Packet> found;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    Packet packet{};
    if (std::sscanf(line.c_str(), "%lf,%lf", &packet.start, &packet.duration) == 2)
      found.push_back(packet);
  }
  return found;
}

TEST(SubtitlesFFprobe, EveryCueReadBackInOrder) {
  kelv::test::TempDir temp;
  const ExportedMeeting meeting = ExportedMeeting::parse(kelv::test::longClassMarkdown(), "c.md");
  const std::vector<Subtitles::Cue> cues = Subtitles::cues(meeting);
  // Every fourth turn is too long for one cue.
  ASSERT_GT(cues.size(), meeting.transcript.size());
  const std::pair<const char*, std::string> files[] = {{"clase.srt", Subtitles::srt(cues)},
                                                       {"clase.vtt", Subtitles::webVtt(cues)}};
  for (const auto& [name, text] : files) {
    kelv::test::writeFile(temp / name, text);
    const std::vector<Packet> read = packets(temp / name);
    ASSERT_EQ(read.size(), cues.size()) << name;
    for (size_t index = 0; index < read.size(); ++index) {
      EXPECT_NEAR(read[index].start, cues[index].start / 1000.0, 0.002) << name << " " << index;
      EXPECT_GE(read[index].duration, 0.999) << name << " " << index;
      if (index > 0) {
        ASSERT_GT(read[index].start, read[index - 1].start) << name << " " << index;
        ASSERT_GE(read[index].start + 0.002, read[index - 1].start + read[index - 1].duration)
            << name << " " << index;
      }
    }
    EXPECT_NEAR(read.back().start + read.back().duration, 3 * 3600, 0.002) << name;
  }
}

}  // namespace
}  // namespace kelv::core
