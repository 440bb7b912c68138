// Turns backend transcripts into speaker turns. merge() combines the microphone ("You") and
// system-audio ("Them") transcripts of a recording, dropping microphone segments that are only
// the room's echo of the loudspeakers; mixed() handles the single transcript of an imported
// recording. Pure functions with no state: safe from any thread.
#pragma once

#include <string_view>
#include <vector>

#include "kelv/core/transcript/timed_segment.h"
#include "kelv/core/transcript/turn.h"

namespace kelv::core::TranscriptMerge {

// Speaker labels this merge assigns.
inline constexpr std::string_view kYou = "You";
inline constexpr std::string_view kThem = "Them";
inline constexpr std::string_view kSpeaker = "Speaker";

// Turns ordered by start; at equal starts microphone turns come first. A microphone segment is
// echo when at least 60 % of its words (counting repeats) appear, exactly or within a small
// edit distance, among the words of system segments within 1.5 s of it; a segment with no
// words is dropped too. Consecutive segments of one speaker less than 2.0 s apart join.
std::vector<Turn> merge(const std::vector<TimedSegment>& mic,
                        const std::vector<TimedSegment>& system);

// Turns of a mixed track, ordered by start. With speaker separation, segments keep their own
// label ("Speaker" when they have none) and join like merge(); without it each non-blank
// segment is one "Speaker" turn.
std::vector<Turn> mixed(const std::vector<TimedSegment>& segments, bool separatesSpeakers);

// Levenshtein distance counted in user-perceived characters, canonically equivalent
// characters being equal (a precomposed "é" and "e" + U+0301 are the same character).
size_t editDistance(std::string_view a, std::string_view b);

}  // namespace kelv::core::TranscriptMerge
