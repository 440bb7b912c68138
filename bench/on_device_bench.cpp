// On-device transcription on this machine: the real-time factor (processing time / audio
// time) and the peak memory of the engine with a model of the published "base" dimensions.
// The weights are random (no model can be downloaded here); the file is generated once and
// kept beside the program. Random weights rarely produce a confident transcript, so the engine
// decodes every window to its length limit and retries at higher temperatures: the figure is
// an upper bound of what real speech with the real model costs.
//
// usage: on_device_bench [SECONDS]   (default 120 s of audio; run the Release build)
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "kelv/core/backends/on_device/on_device_transcription.h"
#include "kelv/core/util/system_info.h"
#include "speech_model_writer.h"

namespace fs = std::filesystem;

namespace {

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A voice-like signal: a buzz with a moving pitch, in syllables and pauses.
void writeTrack(const fs::path& path, double seconds) {
  const auto frames = static_cast<int64_t>(seconds * 16000);
  std::vector<int16_t> samples(static_cast<size_t>(frames));
  double phase = 0;
  for (int64_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 16000;
    const double pitch = 140 + 40 * std::sin(2 * M_PI * 0.7 * t);
    phase += 2 * M_PI * pitch / 16000;
    const double syllable =
        std::max(0.0, std::sin(2 * M_PI * 3.1 * t)) * (std::fmod(t, 7.0) < 6 ? 1 : 0);
    samples[static_cast<size_t>(i)] =
        static_cast<int16_t>(8000 * syllable * (std::sin(phase) + 0.4 * std::sin(3 * phase)));
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()),
             static_cast<std::streamsize>(frames * 2));
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 120;
  const fs::path here = fs::absolute(argv[0]).parent_path();
  const fs::path models = here / "on-device-models";
  const fs::path model = models / "ggml-base.bin";
  if (!fs::exists(model)) {
    std::printf("writing a random-weight model of the base dimensions to %s\n", model.c_str());
    fs::create_directories(models);
    kelv::test::writeSpeechModel(model, kelv::test::SpeechModelShape::base());
  }
  const fs::path folder =
      kelv::core::temporaryDirectory() / ("kelv-bench-" + kelv::core::randomUUID());
  fs::create_directories(folder);
  const fs::path track = folder / "mic.pcm";
  writeTrack(track, seconds);

  kelv::core::OnDeviceTranscription backend(std::string("base"), models);
  const double start = now();
  const auto segments = backend.transcribe(track, std::string("es"));
  const double elapsed = now() - start;
  fs::remove_all(folder);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "audio %.0f s, %u cores: %.1f s, real-time factor %.3f (goal at most 0.15), "
      "%zu segments, peak memory %.0f MB\n",
      seconds, std::thread::hardware_concurrency(), elapsed, elapsed / seconds, segments.size(),
      static_cast<double>(usage.ru_maxrss) / 1024);
  return 0;
}
