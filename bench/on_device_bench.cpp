// On-device transcription on this machine: the real-time factor (processing time / audio
// time), its parts and the peak memory of the engine for the tiny, base and small models.
//
// No model can be downloaded here, so the models have random weights of the real dimensions
// (generated once and kept beside the program). Random weights never say anything useful, so
// every 30-second window decodes exactly 150 tokens, what a window of lecture speech costs,
// with no retries at higher temperatures. The audio is two minutes of a voice-like buzz in
// seven-second stretches with three-second pauses of room noise (70 % speech), and the speech
// detector (random weights too, arranged to hear loudness) keeps the pauses from the decoder.
//
// The parts come from a second run with 50 tokens per window: the difference is the decoder's
// cost per token, the rest per window is the encoder (with the detector's share).
//
// Goal on the two-core development machine: base at most 0.10 and small at most 0.30, so that a
// 90-minute class is ready in under ten minutes with base. Measured there (Release, greedy):
// tiny 0.031, base 0.055, small 0.169; base with a beam of 5: 0.101.
//
// usage: on_device_bench [--beam N] [MODEL...]   (default tiny base small; run the Release build)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/backends/on_device/on_device_transcription.h"
#include "kelv/core/util/system_info.h"
#include "speech_model_writer.h"
#include "voice_detector_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSeconds = 120;
constexpr double kSpeechSeconds = 7, kPauseSeconds = 3;
constexpr int kTokens = 150, kFewerTokens = 50;
constexpr double kWindowSeconds = 30;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Speech: a buzz with a moving pitch, in syllables. Pauses: room noise at -50 dBFS.
void writeTrack(const fs::path& path) {
  const auto frames = static_cast<int64_t>(kSeconds * 16000);
  std::vector<int16_t> samples(static_cast<size_t>(frames));
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0.0, 0.003 * 32767);
  double phase = 0;
  for (int64_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 16000;
    const bool speaking = std::fmod(t, kSpeechSeconds + kPauseSeconds) < kSpeechSeconds;
    const double pitch = 140 + 40 * std::sin(2 * M_PI * 0.7 * t);
    phase += 2 * M_PI * pitch / 16000;
    const double syllable = 0.3 + 0.7 * std::max(0.0, std::sin(2 * M_PI * 3.1 * t));
    const double voice =
        speaking ? 8000 * syllable * (std::sin(phase) + 0.4 * std::sin(3 * phase)) : 0;
    samples[static_cast<size_t>(i)] = static_cast<int16_t>(voice + noise(random));
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()),
             static_cast<std::streamsize>(frames * 2));
}

kelv::test::SpeechModelShape shapeOf(const std::string& model) {
  // vocabulary, audio context, width, heads, audio layers, text context, text layers, mels
  if (model == "tiny") return {51865, 1500, 384, 6, 4, 448, 4, 80};
  if (model == "small") return {51865, 1500, 768, 12, 12, 448, 12, 80};
  return kelv::test::SpeechModelShape::base();
}

double transcribe(const std::string& model, const fs::path& models, const fs::path& track, int beam,
                  int tokens) {
  kelv::core::OnDeviceTranscription backend(model, models);
  backend.decoding.beamSize = beam;
  backend.decoding.fixedTokensPerWindow = tokens;
  const double start = now();
  (void)backend.transcribe(track, std::string("es"));
  return now() - start;
}

// In a process of its own, so that the peak memory is this model's alone.
void measure(const std::string& model, const fs::path& models, const fs::path& track, int beam) {
  const double full = transcribe(model, models, track, beam, kTokens);
  const double fewer = transcribe(model, models, track, beam, kFewerTokens);
  // The speech, joined, fills this many windows.
  const double speech = kSeconds / (kSpeechSeconds + kPauseSeconds) * kSpeechSeconds;
  const double windows = std::ceil(speech / kWindowSeconds);
  const double perToken = (full - fewer) / ((kTokens - kFewerTokens) * windows);
  const double perWindow = full / windows - kTokens * perToken;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "%s: real-time factor %.3f (encoder %.0f ms per window, %.1f ms per token), peak %.0f MB\n",
      model.c_str(), full / kSeconds, perWindow * 1000, perToken * 1000,
      static_cast<double>(usage.ru_maxrss) / 1024);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int beam = 1;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--beam" && i + 1 < argc)
      beam = std::atoi(argv[++i]);
    else
      names.push_back(argument);
  }
  if (names.empty()) names = {"tiny", "base", "small"};

  const fs::path models = fs::absolute(argv[0]).parent_path() / "on-device-models";
  fs::create_directories(models);
  for (const std::string& name : names) {
    const kelv::core::OnDeviceModel* known = kelv::core::OnDeviceModel::named(name);
    if (!known) {
      std::fprintf(stderr, "on_device_bench: unknown model %s\n", name.c_str());
      return 2;
    }
    if (!fs::exists(models / known->fileName)) {
      std::fprintf(stderr, "writing a random-weight %s model to %s\n", name.c_str(),
                   models.c_str());
      kelv::test::writeSpeechModel(models / known->fileName, shapeOf(name));
    }
  }
  const fs::path detector = models / kelv::core::OnDeviceModel::voiceDetector().fileName;
  if (!fs::exists(detector)) kelv::test::writeVoiceDetector(detector);

  const fs::path folder =
      kelv::core::temporaryDirectory() / ("kelv-bench-" + kelv::core::randomUUID());
  fs::create_directories(folder);
  const fs::path track = folder / "mic.pcm";
  writeTrack(track);

  std::printf("# %.0f s of audio (%.0f %% speech), %d physical cores, %s\n", kSeconds,
              100 * kSpeechSeconds / (kSpeechSeconds + kPauseSeconds),
              kelv::core::physicalCoreCount(),
              beam > 1 ? ("beam of " + std::to_string(beam)).c_str() : "greedy decoding");
  std::fflush(stdout);
  int status = 0;
  for (const std::string& name : names) {
    const pid_t child = fork();
    if (child == 0) {
      measure(name, models, track, beam);
      _exit(0);
    }
    int childStatus = 0;
    waitpid(child, &childStatus, 0);
    if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) status = 1;
  }
  fs::remove_all(folder);
  return status;
}
