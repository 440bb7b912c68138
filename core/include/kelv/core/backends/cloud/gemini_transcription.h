// Speech-to-text through Google's Gemini model: each compressed chunk of a track goes inline
// (base64) in a generateContent request with a fixed instruction and a response schema that
// makes the model answer with a JSON array of sentences timed as "MM:SS.s" text; the times are
// parsed, clamped into the chunk and placed on the track's timeline.
//
// A plain value with no mutable state after construction. transcribe() blocks the calling
// thread.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/cloud/cloud_client.h"
#include "kelv/core/backends/transcription_backend.h"
#include "kelv/core/transcript/timed_segment.h"

namespace kelv::core {

class GeminiTranscription : public TranscriptionBackend {
 public:
  static const std::string defaultAddress;

  GeminiTranscription(std::optional<std::string> address, std::optional<std::string> model,
                      std::optional<std::string> apiKey, std::shared_ptr<HttpSession> session);
  // From the settings: its address, model and key, on a new ephemeral session.
  explicit GeminiTranscription(const TranscriptionSetup& setup,
                               std::shared_ptr<HttpSession> session = HttpSession::makeEphemeral())
      : GeminiTranscription(setup.address, setup.model, setup.apiKey, std::move(session)) {}

  std::string name() const override { return "gemini:" + model; }
  bool separatesSpeakers() const override { return false; }

  // The track's segments in time order. Throws CloudError, TrackAudio's errors, PlatformError
  // and TransferError; the upload folder is gone when this returns or throws.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;

  // The instruction sent with every chunk; the language, when given, is named whole.
  static std::string instruction(const std::optional<std::string>& language);
  // Seconds in a time text of colon-separated parts ("01:23.4", "1:02:03.5", "83.4"); a part
  // that is no finite number counts as 0. Never fails.
  static double seconds(std::string_view text);

  std::string address;
  std::string model;
  std::optional<std::string> apiKey;
  CloudClient client;
  double chunkSeconds = 600;
};

}  // namespace kelv::core
