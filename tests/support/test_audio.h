// Audio for tests of the transcription backends: raw tracks with a known length, and an
// independent measure (the ffprobe tool) of what a service received.
#pragma once

#include <filesystem>
#include <string>

namespace kelv::test {

// Writes a raw track (16-bit little-endian mono at 16 kHz) of `seconds`: a tone whose loudness
// rises and falls twice a second, so a chunk cut always finds a quiet spot.
void writeRawTrack(const std::filesystem::path& path, double seconds);

// The duration ffprobe reports for a compressed audio file given as bytes; -1 when ffprobe
// can't read it.
double probedDuration(const std::string& bytes);

}  // namespace kelv::test
