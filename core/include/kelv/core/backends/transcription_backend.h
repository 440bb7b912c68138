// What a speech-to-text backend is to the rest of the system. Calls are synchronous and report
// failures by throwing the backend's error (CloudError and friends, or the error of an
// unavailable backend). Implementations hold no mutable state after construction and may be
// called from several threads at once.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/transcript/timed_segment.h"

namespace kelv::core {

class TranscriptionBackend {
 public:
  virtual ~TranscriptionBackend() = default;

  // The label recorded as the meeting's transcription backend ("openai-style:whisper-1").
  virtual std::string name() const = 0;

  // Whether the backend labels speakers itself (its segments then carry a speaker).
  virtual bool separatesSpeakers() const { return false; }

  // The segments of the whole track file, in time order, times in seconds from its start.
  virtual std::vector<TimedSegment> transcribe(
      const std::filesystem::path& track, const std::optional<std::string>& language) const = 0;

  // Releases whatever model or resource the backend holds.
  virtual void unload() const {}

  // The connection test: one second of a 440 Hz tone (16-bit PCM at 16 kHz, raw) written to a
  // fresh "kelv-test-<UUID>.pcm" in the temporary folder and transcribed in `language`. The
  // segments are ignored; the file is removed in every case, and a failed removal is ignored.
  // Throws the backend's error, or PlatformError("The test audio could not be written.").
  void test(const std::optional<std::string>& language) const;
};

}  // namespace kelv::core
