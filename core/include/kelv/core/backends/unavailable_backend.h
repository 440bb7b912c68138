// The stand-in for a backend kind without a maker: it builds fine and fails on every use with
// BackendUnavailableError, without touching the network or the file. Immutable; any thread.
#pragma once

#include <string>

#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/backends/transcription_backend.h"

namespace kelv::core {

class UnavailableBackend : public TranscriptionBackend, public NotesBackend {
 public:
  // `name` is the kind's stored value ("on-device", "gemini").
  explicit UnavailableBackend(std::string name) : name_(std::move(name)) {}

  std::string name() const override { return name_; }
  bool separatesSpeakers() const override { return false; }
  int contextTokens() const override { return 0; }
  // Both throw BackendUnavailableError.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;
  std::string complete(const std::string& system, const std::string& user) const override;

 private:
  std::string name_;
};

}  // namespace kelv::core
