// Speech-to-text through ElevenLabs: each compressed chunk of a track is uploaded as a form,
// and the word timings that come back (with speaker identifiers, asked for only on a mixed
// track) are grouped into sentences.
//
// A plain value with no mutable state after construction. transcribe() blocks the calling
// thread.
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

class ElevenLabsTranscription : public TranscriptionBackend {
 public:
  static const std::string defaultAddress;

  ElevenLabsTranscription(std::optional<std::string> address, std::optional<std::string> model,
                          std::optional<std::string> apiKey, std::shared_ptr<HttpSession> session);
  // From the settings: its address, model and key, on a new ephemeral session.
  explicit ElevenLabsTranscription(
      const TranscriptionSetup& setup,
      std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral())
      : ElevenLabsTranscription(setup.address, setup.model, setup.apiKey, std::move(session)) {}

  std::string name() const override { return "elevenlabs:" + model; }
  bool separatesSpeakers() const override { return true; }

  // The track's sentence segments in time order. Throws CloudError, TrackAudio's errors,
  // PlatformError and TransferError; the upload folder is gone when this returns or throws.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;

  // "Speaker " + (n + 1) for a service identifier ending in "_n"; "Speaker 1" otherwise.
  static std::string speakerLabel(const std::string& speakerID);

  std::string address;
  std::string model;
  std::optional<std::string> apiKey;
  CloudClient client;
  double chunkSeconds = 10800;
};

}  // namespace kelv::core
