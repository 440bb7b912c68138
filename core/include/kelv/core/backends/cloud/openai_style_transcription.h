// Speech-to-text through the OpenAI audio-transcription endpoint, as offered by OpenAI, Groq
// and self-hosted Whisper servers: each compressed chunk of a track is uploaded as a form to
// "audio/transcriptions" under the base address, and the returned segments are placed on the
// track's timeline. Speakers are not separated.
//
// A plain value with no mutable state after construction; several tracks may be transcribed
// at once, each call with its own upload folder. transcribe() blocks the calling thread.
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

class OpenAIStyleTranscription : public TranscriptionBackend {
 public:
  static const std::string defaultAddress;

  // Absent address or model: the defaults (OpenAI, "whisper-1"); an empty key means none.
  OpenAIStyleTranscription(std::optional<std::string> address, std::optional<std::string> model,
                           std::optional<std::string> apiKey, std::shared_ptr<HttpSession> session);
  // From the settings: its address, model and key, on a new ephemeral session.
  explicit OpenAIStyleTranscription(
      const TranscriptionSetup& setup,
      std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral())
      : OpenAIStyleTranscription(setup.address, setup.model, setup.apiKey, std::move(session)) {}

  std::string name() const override { return "openai-style:" + model; }
  bool separatesSpeakers() const override { return false; }

  // The track's segments in time order. Throws CloudError, TrackAudio's errors, PlatformError
  // and TransferError; the upload folder is gone when this returns or throws.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;

  std::string address;
  std::string model;
  std::optional<std::string> apiKey;
  CloudClient client;
  double chunkSeconds;
};

}  // namespace kelv::core
