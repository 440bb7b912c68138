// The speech engine behind the on-device backend: one loaded whisper.cpp model that turns
// 16 kHz mono samples into timed text. Private to KelvCore and only built with the engine.
//
// Loading checks the file's whole layout first, because the engine itself takes a file cut
// short inside its last tensor, or right after its vocabulary, for a complete model.
// transcribe() may run on several threads at once: each call decodes with a state of its own,
// so a chunk's result never depends on what was transcribed before it.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct whisper_context;

namespace kelv::core {

class SpeechEngine {
 public:
  struct Segment {
    double start = 0;  // seconds from the first sample given
    double end = 0;
    std::string text;  // trimmed, never empty
  };

  // Throws OnDeviceError::damagedModel for anything that isn't a complete model file, and
  // PlatformError when the file can't be opened.
  SpeechEngine(const std::filesystem::path& model, int threads);
  ~SpeechEngine();
  SpeechEngine(const SpeechEngine&) = delete;
  SpeechEngine& operator=(const SpeechEngine&) = delete;

  // `language`: a primary language code ("es") the engine knows, else the language is
  // detected. Throws OnDeviceError::engineFailed.
  std::vector<Segment> transcribe(std::span<const float> samples,
                                  const std::optional<std::string>& language) const;

  // Throws OnDeviceError::damagedModel unless the file is laid out as a complete model:
  // header with sane dimensions, mel filters, vocabulary, and at least one tensor, with the
  // file ending exactly after the last tensor's data.
  static void checkFile(const std::filesystem::path& model);

 private:
  whisper_context* context_ = nullptr;
  int threads_;
};

}  // namespace kelv::core
