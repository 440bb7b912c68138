// The transcript as subtitles for a recording of the class: one cue per turn, from the turn's
// start to the next turn's (the last to the class's end), the speaker first. A turn that
// doesn't fit two lines of 42 characters becomes several cues that share its time in
// proportion to their text. A cue lasts at least a second and none overlaps the next: a cue
// pushed later by a short one before it starts when that one ends. Pure; any thread.
#pragma once

#include <string>
#include <vector>

#include "kelv/core/export/exported_meeting.h"

namespace kelv::core::Subtitles {

inline constexpr size_t kLineLength = 42;  // characters, the speaker's "Profe: " included
inline constexpr size_t kLinesPerCue = 2;
inline constexpr long long kShortestCue = 1000;  // milliseconds

struct Cue {
  long long start = 0;  // milliseconds from the class's start
  long long end = 0;
  std::string speaker;             // empty: none
  std::vector<std::string> lines;  // the first begins with the text, not the speaker

  bool operator==(const Cue&) const = default;
};

std::vector<Cue> cues(const ExportedMeeting& meeting);

// SubRip: numbered cues, "00:01:02,500 --> …", "Profe: " before the first line.
std::string srt(const std::vector<Cue>& cues);
// WebVTT: a "WEBVTT" header, "00:01:02.500 --> …", each cue's text in a <v Profe> voice span,
// with "&", "<" and ">" escaped.
std::string webVtt(const std::vector<Cue>& cues);

}  // namespace kelv::core::Subtitles
