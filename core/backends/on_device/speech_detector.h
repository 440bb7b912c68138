// The speech detector of the on-device backend: the engine's voice activity detection with a
// Silero model, which finds the spans of a chunk where someone speaks. Private to KelvCore and
// only built with the engine.
//
// Loading checks the file's layout first: the engine takes a file cut short inside its last
// tensor for a complete model, and a file with no tensors at all for an empty test model.
// One detector keeps state while it works: use it from one thread at a time. Its graph is a
// few thousand operations per 32 ms of audio, far too little to share among threads: give it
// one.
#pragma once

#include <filesystem>
#include <span>
#include <vector>

#include "kelv/core/backends/on_device/spoken_audio.h"

struct whisper_vad_context;

namespace kelv::core {

class SpeechDetector {
 public:
  // Throws OnDeviceError::damagedModel for anything that isn't a complete detector model, and
  // PlatformError when the file can't be opened.
  SpeechDetector(const std::filesystem::path& model, int threads);
  ~SpeechDetector();
  SpeechDetector(const SpeechDetector&) = delete;
  SpeechDetector& operator=(const SpeechDetector&) = delete;

  // Where in `samples` (16 kHz mono) someone speaks, in order, padded a little on both sides.
  // Throws OnDeviceError::engineFailed.
  std::vector<SpokenAudio::Span> speech(std::span<const float> samples);

  // Throws OnDeviceError::damagedModel unless the file is laid out as a complete detector:
  // header, four encoder layers, and its fifteen tensors with nothing after the last one.
  static void checkFile(const std::filesystem::path& model);

 private:
  whisper_vad_context* context_ = nullptr;
};

}  // namespace kelv::core
