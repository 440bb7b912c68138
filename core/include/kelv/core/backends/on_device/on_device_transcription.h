// Speech-to-text on this computer with whisper.cpp: the audio never leaves it.
//
// A track is read as 16 kHz samples and cut at quiet points into chunks of a few minutes.
// After each chunk its segments are saved beside the track ("mic.pcm.on-device.json"), so a
// run that is killed resumes at the next chunk; the file goes when the track is done.
//
// Whisper invents text for anything that isn't speech (room noise gives "¡Gracias por ver el
// vídeo!"), so only speech reaches it: a chunk of digital silence is skipped outright, and the
// speech detector (Silero) finds the spans of the others where someone speaks (SpokenAudio).
// A chunk without speech gives no segments, and a track without any never loads the speech
// model. Segments are placed on the track's timeline, kept within their chunk and in order.
// The subject's terms (the settings' vocabulary) lead the engine's prompt.
//
// The models are loaded for each transcribe() call and freed at its end; a missing model is
// fetched when first needed (ModelDownload), the detector before the speech model. Holds no
// mutable state; transcribe() blocks the caller and uses every physical core.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/on_device/on_device_decoding.h"
#include "kelv/core/backends/transcription_backend.h"

namespace kelv::core {

class OnDeviceTranscription : public TranscriptionBackend {
 public:
  static constexpr double kChunkSeconds = 300;

  // `model`: a name of OnDeviceModel (absent or empty: the default); the file is looked for
  // in `modelsFolder`. An unknown name fails on use, not here.
  OnDeviceTranscription(std::optional<std::string> model, std::filesystem::path modelsFolder,
                        double chunkSeconds = kChunkSeconds);
  // From the settings: the configured model in the user's models folder, and the subject's
  // terms.
  explicit OnDeviceTranscription(const TranscriptionSetup& setup);

  std::string name() const override { return "on-device:" + model; }
  bool separatesSpeakers() const override { return false; }

  // Throws OnDeviceError (unknown or damaged model, download trouble, engine failure),
  // TrackAudio's errors and PlatformError.
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override;

  // "whisper.cpp 1.9.1": the engine this build transcribes with.
  static std::string engineVersion();

  // Where the segments of the chunks done so far are kept for `track`.
  static std::filesystem::path progressFile(const std::filesystem::path& track);

  std::string model;
  std::filesystem::path modelsFolder;
  double chunkSeconds;
  std::vector<std::string> vocabulary;  // the engine's prompt, cut at its limit
  OnDeviceDecoding decoding;
};

}  // namespace kelv::core
