#include "test_audio.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "temp_dir.h"

namespace kelv::test {

void writeRawTrack(const std::filesystem::path& path, double seconds) {
  const auto frames = static_cast<size_t>(seconds * 16000);
  std::vector<int16_t> samples(frames);
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 16000;
    const double loudness = 0.5 * (1 - std::cos(2 * M_PI * 2 * t));
    samples[i] = static_cast<int16_t>(12000 * loudness * std::sin(2 * M_PI * 440 * t));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * sizeof(int16_t)));
  if (!out) throw std::runtime_error("can't write " + path.string());
}

double probedDuration(const std::string& bytes) {
  TempDir dir;
  writeFile(dir / "probe.m4a", bytes);
  const std::string command = "ffprobe -v error -show_entries format=duration -of csv=p=0 '" +
                              (dir / "probe.m4a").string() + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char line[128] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  const int status = ::pclose(pipe);
  if (!read || status != 0) return -1;
  try {
    return std::stod(line);
  } catch (const std::exception&) {
    return -1;
  }
}

}  // namespace kelv::test
