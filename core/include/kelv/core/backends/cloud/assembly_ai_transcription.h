// Speech-to-text through AssemblyAI's asynchronous service: per chunk of a track, upload the
// audio, create a transcript job that points at it, and poll the job until it completes; the
// words that come back (with speaker letters for a mixed track) are grouped into sentences.
//
// A plain value with no mutable state after construction. transcribe() blocks the calling
// thread, including the waits between polls (through the client's injectable sleep).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/cloud/cloud_client.h"
#include "kelv/core/backends/transcription_backend.h"
#include "kelv/core/transcript/timed_segment.h"

namespace kelv::core {

class AssemblyAITranscription : public TranscriptionBackend {
 public:
  static const std::string defaultAddress;
  // Upload addresses on hosts under this domain are trusted besides the configured host.
  static const std::string serviceDomain;

  AssemblyAITranscription(std::optional<std::string> address, std::optional<std::string> apiKey,
                          std::shared_ptr<HttpSession> session);
  // From the settings: its address, key (no model: the service picks), on a new ephemeral session.
  explicit AssemblyAITranscription(
      const TranscriptionSetup& setup,
      std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral())
      : AssemblyAITranscription(setup.address, setup.apiKey, std::move(session)) {}

  std::string name() const override { return "assemblyai"; }
  bool separatesSpeakers() const override { return true; }

  // The track's sentence segments in time order. Throws CloudError (failed for a job that
  // errors or never completes), TrackAudio's errors, PlatformError and TransferError; the
  // upload folder is gone when this returns or throws.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;

  std::string address;
  std::optional<std::string> apiKey;
  CloudClient client;
  double chunkSeconds = 10800;
  double pollInterval = 3;
  int maxPolls = 600;
};

}  // namespace kelv::core
