#include "audio_files.h"

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace kelv::test {

void writeRawTrack(const std::filesystem::path& path, const std::vector<int16_t>& samples) {
  std::string bytes;
  bytes.reserve(samples.size() * 2);
  for (int16_t sample : samples) {
    const auto value = static_cast<uint16_t>(sample);
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    throw std::runtime_error("can't write " + path.string());
}

int runCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string quoted(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void ffmpeg(const std::string& arguments, const std::filesystem::path& output) {
  const std::string command =
      "ffmpeg -nostdin -y -loglevel error " + arguments + " " + quoted(output);
  if (runCommand(command) != 0) throw std::runtime_error("failed: " + command);
}

void writeTone(const std::filesystem::path& output, double seconds, int rate, int channels,
               const std::string& codec) {
  // Every channel a copy of the tone (an upmix filter would scale them).
  std::string pan = "pan=" + std::to_string(channels) + "c";
  for (int c = 0; c < channels; ++c) pan += "|c" + std::to_string(c) + "=c0";
  ffmpeg("-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) +
             ":duration=" + std::to_string(seconds) + " -af '" + pan + "' " + codec,
         output);
}

std::string probeAudio(const std::filesystem::path& path) {
  const std::string command =
      "ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels"
      " -of csv=p=0 " +
      quoted(path);
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "";
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  ::pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace kelv::test
