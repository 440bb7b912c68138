// Speech-to-text on this computer with whisper.cpp: the audio never leaves it.
//
// A track is read as 16 kHz samples and cut at quiet points into chunks of a few minutes.
// After each chunk its segments are saved beside the track ("mic.pcm.on-device.json"), so a
// run that is killed resumes at the next chunk; the file goes when the track is done. A chunk
// of digital silence is skipped rather than handed to the engine, which tends to invent words
// for it. Segments are placed on the track's timeline, kept within their chunk and in order.
//
// The model file is loaded for each transcribe() call and freed at its end; a missing model
// is fetched first (ModelDownload). Holds no mutable state; transcribe() blocks the caller
// and uses every core.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/transcription_backend.h"

namespace kelv::core {

class OnDeviceTranscription : public TranscriptionBackend {
 public:
  static constexpr double kChunkSeconds = 300;

  // `model`: a name of OnDeviceModel (absent or empty: the default); the file is looked for
  // in `modelsFolder`. An unknown name fails on use, not here.
  OnDeviceTranscription(std::optional<std::string> model, std::filesystem::path modelsFolder,
                        double chunkSeconds = kChunkSeconds);
  // From the settings: the configured model in the user's models folder.
  explicit OnDeviceTranscription(const TranscriptionSetup& setup);

  std::string name() const override { return "on-device:" + model; }
  bool separatesSpeakers() const override { return false; }

  // Throws OnDeviceError (unknown or damaged model, download trouble, engine failure),
  // TrackAudio's errors and PlatformError.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;

  // Where the segments of the chunks done so far are kept for `track`.
  static std::filesystem::path progressFile(const std::filesystem::path& track);

  std::string model;
  std::filesystem::path modelsFolder;
  double chunkSeconds;
};

}  // namespace kelv::core
