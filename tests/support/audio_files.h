// Audio fixtures generated at test time: raw tracks written directly, other formats made by
// the ffmpeg command-line tool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelv::test {

// Writes 16-bit little-endian samples, no header (the recorder's raw track format).
void writeRawTrack(const std::filesystem::path& path, const std::vector<int16_t>& samples);

// Runs a shell command; returns its exit status (-1 when it could not run).
int runCommand(const std::string& command);

// Runs `ffmpeg -y -loglevel error <arguments> <output>`; throws when it fails.
void ffmpeg(const std::string& arguments, const std::filesystem::path& output);

// A 440 Hz sine (amplitude 1/8) of `seconds` at `rate` with `channels` identical channels,
// encoded by ffmpeg as the output's extension says; `codec` adds encoder options.
void writeTone(const std::filesystem::path& output, double seconds, int rate, int channels,
               const std::string& codec = "");

// Runs `ffprobe` on the file's first audio stream; returns "codec,rate,channels" or "".
std::string probeAudio(const std::filesystem::path& path);

// Shell-quotes a path for runCommand.
std::string quoted(const std::filesystem::path& path);

}  // namespace kelv::test
