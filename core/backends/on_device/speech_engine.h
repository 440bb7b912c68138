// The speech engine behind the on-device backend: one loaded whisper.cpp model that turns
// 16 kHz mono samples into timed text. Private to KelvCore and only built with the engine.
//
// Loading checks the file's whole layout first, because the engine itself takes a file cut
// short inside its last tensor, or right after its vocabulary, for a complete model.
// transcribe() may run on several threads at once: each call decodes with a state of its own,
// so a chunk's result never depends on what was transcribed before it.
//
// A build with a GPU backend loads the model onto the GPU; where there is no device, or it
// fails, the model is loaded for the CPU instead and standard error says so once.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kelv/core/backends/on_device/on_device_decoding.h"

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
  // detected. `prompt`: the engine's initial prompt, kept for every window (see promptFor).
  // Segments of windows the engine judges to hold no speech are left out. Throws
  // OnDeviceError::engineFailed.
  std::vector<Segment> transcribe(std::span<const float> samples,
                                  const std::optional<std::string>& language,
                                  const std::string& prompt,
                                  const OnDeviceDecoding& decoding = {}) const;

  // The subject's terms as the engine's initial prompt ("autovalor, Kubernetes"): as many
  // whole terms, in their order, as fit in the tokens the engine keeps of a prompt.
  std::string promptFor(const std::vector<std::string>& terms) const;
  // Tokens of a prompt the engine keeps: half its text context, less the token that opens it.
  int promptLimit() const;

  // Throws OnDeviceError::damagedModel unless the file is laid out as a complete model:
  // header with sane dimensions, mel filters, vocabulary, and at least one tensor, with the
  // file ending exactly after the last tensor's data.
  static void checkFile(const std::filesystem::path& model);

  // The engine's release, "1.9.1".
  static const char* version();
  // Turns the engine's own messages on standard error off, once for the process: the tool's
  // output is ours.
  static void silence();

 private:
  whisper_context* context_ = nullptr;
  int threads_;
};

}  // namespace kelv::core
