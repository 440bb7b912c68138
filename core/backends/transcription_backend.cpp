#include "kelv/core/backends/transcription_backend.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <string>

#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {

namespace {

// The recording path's sample rate and the level of its test tones.
constexpr int kSampleRate = 16000;
constexpr double kFrequency = 440;
constexpr double kPeak = 8000;

// One second of the tone as little-endian 16-bit samples.
std::string toneBytes() {
  std::string bytes;
  bytes.reserve(2 * kSampleRate);
  for (int i = 0; i < kSampleRate; ++i) {
    const double phase = 2 * std::numbers::pi * kFrequency * i / kSampleRate;
    const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::sin(phase) * kPeak));
    bytes.push_back(static_cast<char>(sample & 0xff));
    bytes.push_back(static_cast<char>(sample >> 8));
  }
  return bytes;
}

// Removes the file when the test ends, however it ends.
struct RemovedAtEnd {
  std::filesystem::path file;
  ~RemovedAtEnd() {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
  }
};

}  // namespace

void TranscriptionBackend::test(const std::optional<std::string>& language) const {
  const RemovedAtEnd audio{temporaryDirectory() / ("kelv-test-" + randomUUID() + ".pcm")};
  {
    std::ofstream out(audio.file, std::ios::binary);
    const std::string bytes = toneBytes();
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw PlatformError(0, "The test audio could not be written.");
  }
  transcribe(audio.file, language);
}

}  // namespace kelv::core
