#include "kelv/core/backends/on_device/on_device_transcription.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <system_error>

#include <nlohmann/json.hpp>

#include "kelv/core/audio/audio_format.h"
#include "kelv/core/audio/chunk_cutter.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/backends/chunk_progress.h"
#include "kelv/core/backends/on_device/model_download.h"
#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/backends/on_device/spoken_audio.h"
#include "kelv/core/util/library_json.h"
#include "kelv/core/util/system_info.h"
#include "speech_detector.h"
#include "speech_engine.h"

namespace kelv::core {
namespace fs = std::filesystem;

namespace {

// Below this peak level (-60 dBFS) a chunk holds nothing worth transcribing.
constexpr float kSilentPeak = 0.001f;

struct ChunkInfo {
  int64_t start = 0;
  int64_t frames = 0;
  float peak = 0;
};

// First pass: where the cutter puts each chunk, without keeping any audio.
class ChunkSurvey : public ChunkCutter::Sink {
 public:
  std::vector<ChunkInfo> chunks;

  void write(int64_t chunk, int64_t position, std::span<const float> samples) override {
    if (chunk >= static_cast<int64_t>(chunks.size())) chunks.push_back({position, 0, 0});
    ChunkInfo& info = chunks.back();
    info.frames += static_cast<int64_t>(samples.size());
    for (float sample : samples) info.peak = std::max(info.peak, std::fabs(sample));
  }
  void close(int64_t) override {}
};

// Second pass: collects the samples of one chunk at a time and hands it on when complete.
class ChunkCollector : public ChunkCutter::Sink {
 public:
  ChunkCollector(int64_t firstWanted, std::function<void(int64_t, std::vector<float>&)> done)
      : firstWanted_(firstWanted), done_(std::move(done)) {}

  void write(int64_t chunk, int64_t, std::span<const float> samples) override {
    if (chunk >= firstWanted_) buffer_.insert(buffer_.end(), samples.begin(), samples.end());
  }
  void close(int64_t chunk) override {
    if (chunk < firstWanted_) return;
    done_(chunk, buffer_);
    buffer_.clear();
  }

 private:
  int64_t firstWanted_;
  std::function<void(int64_t, std::vector<float>&)> done_;
  std::vector<float> buffer_;
};

// What a saved progress file must match to be taken up again: the same audio, cut the same
// way, heard by the same model in the same language with the same terms.
nlohmann::json progressKey(const std::string& model, const std::optional<std::string>& language,
                           const std::vector<std::string>& vocabulary, int64_t trackFrames,
                           int64_t chunkFrames, size_t chunkCount) {
  return {{"model", model},
          {"language", language ? nlohmann::json(*language) : nlohmann::json(nullptr)},
          {"vocabulary", vocabulary},
          {"trackFrames", trackFrames},
          {"chunkFrames", chunkFrames},
          {"chunkCount", chunkCount}};
}

struct Progress {
  size_t chunksDone = 0;
  std::vector<TimedSegment> segments;
};

Progress readProgress(const fs::path& file, const nlohmann::json& key) {
  try {
    const nlohmann::json saved = LibraryJson::readFile(file);
    if (saved.at("key") != key) return {};
    Progress progress{saved.at("chunksDone").get<size_t>(),
                      timedSegmentsFromJson(saved.at("segments"))};
    if (progress.chunksDone > key.at("chunkCount").get<size_t>()) return {};
    return progress;
  } catch (const std::exception&) {
    return {};  // absent or unreadable: start over
  }
}

void writeProgress(const fs::path& file, const nlohmann::json& key, const Progress& progress) {
  LibraryJson::writeFile(file, {{"key", key},
                                {"chunksDone", progress.chunksDone},
                                {"segments", nlohmann::json(progress.segments)}});
}

// "es-ES" is heard as "es"; the engine knows languages, not regions.
std::optional<std::string> primaryLanguage(const std::optional<std::string>& code) {
  if (!code) return std::nullopt;
  const std::string primary = code->substr(0, code->find('-'));
  if (primary.empty()) return std::nullopt;
  return primary;
}

// A model file in the folder, fetched first when it isn't there.
fs::path present(const OnDeviceModel& model, const fs::path& folder) {
  const fs::path file = folder / model.fileName;
  std::error_code missing;
  if (!fs::exists(file, missing)) ModelDownload::fetch(model, folder);
  return file;
}

}  // namespace

OnDeviceTranscription::OnDeviceTranscription(std::optional<std::string> model,
                                             fs::path modelsFolder, double chunkSeconds)
    : model(model && !model->empty() ? *model : OnDeviceModel::defaultName),
      modelsFolder(std::move(modelsFolder)),
      chunkSeconds(chunkSeconds) {}

OnDeviceTranscription::OnDeviceTranscription(const TranscriptionSetup& setup)
    : OnDeviceTranscription(setup.model, OnDeviceModel::folder()) {
  vocabulary = setup.vocabulary;
}

std::string OnDeviceTranscription::engineVersion() {
  return std::string("whisper.cpp ") + SpeechEngine::version();
}

fs::path OnDeviceTranscription::progressFile(const fs::path& track) {
  return fs::path(track).concat(".on-device.json");
}

std::vector<TimedSegment> OnDeviceTranscription::transcribe(
    const fs::path& track, const std::optional<std::string>& language) const {
  const OnDeviceModel* known = OnDeviceModel::named(model);
  if (!known) throw OnDeviceError::unknownModel(model);
  const std::optional<std::string> spoken = primaryLanguage(language);

  const int64_t chunkFrames = ChunkCutter::maxFramesFor(chunkSeconds);
  std::vector<ChunkInfo> chunks;
  int64_t trackFrames = 0;
  {
    ChunkSurvey survey;
    ChunkCutter cutter(chunkFrames, survey);
    TrackAudio::forEachChunk(track, [&](std::span<const float> buffer) {
      trackFrames += static_cast<int64_t>(buffer.size());
      cutter.append(buffer);
    });
    cutter.finish();
    chunks = std::move(survey.chunks);
  }
  if (chunks.empty()) return {};

  const fs::path progressPath = progressFile(track);
  const nlohmann::json key =
      progressKey(model, spoken, vocabulary, trackFrames, chunkFrames, chunks.size());
  Progress progress = readProgress(progressPath, key);

  if (progress.chunksDone < chunks.size()) {
    const int threads = physicalCoreCount();
    // Each loaded at the first chunk that needs it.
    std::unique_ptr<SpeechDetector> detector;
    std::unique_ptr<SpeechEngine> engine;
    std::string prompt;

    const int count = static_cast<int>(chunks.size());
    ChunkCollector collector(
        static_cast<int64_t>(progress.chunksDone), [&](int64_t index, std::vector<float>& samples) {
          // The file changed under us between the passes: what was surveyed is all we know.
          if (index >= count) return;
          const ChunkInfo& chunk = chunks[static_cast<size_t>(index)];
          ChunkProgress::report(static_cast<int>(index) + 1, count);
          // The cheap gate first: digital silence needs no detector.
          if (chunk.peak >= kSilentPeak) {
            if (!detector)
              detector = std::make_unique<SpeechDetector>(
                  present(OnDeviceModel::voiceDetector(), modelsFolder), 1);
            const SpokenAudio speech(samples, detector->speech(samples));
            if (!speech.empty()) {
              if (!engine) {
                engine = std::make_unique<SpeechEngine>(present(*known, modelsFolder), threads);
                prompt = engine->promptFor(vocabulary);
              }
              const double offset = static_cast<double>(chunk.start) / AudioFormat::kSampleRate;
              const double limit =
                  static_cast<double>(chunk.start + chunk.frames) / AudioFormat::kSampleRate;
              double floor = progress.segments.empty() ? 0 : progress.segments.back().start;
              for (SpeechEngine::Segment& piece :
                   engine->transcribe(speech.samples(), spoken, prompt, decoding)) {
                // The engine pads the audio to whole windows and may place times past its end.
                const double start = std::clamp(offset + speech.chunkSeconds(piece.start),
                                                std::max(offset, floor), limit);
                const double end =
                    std::clamp(offset + speech.chunkSeconds(piece.end), start, limit);
                floor = start;
                progress.segments.push_back({start, end, std::move(piece.text), std::nullopt});
              }
            }
          }
          progress.chunksDone = static_cast<size_t>(index) + 1;
          writeProgress(progressPath, key, progress);
        });
    ChunkCutter cutter(chunkFrames, collector);
    TrackAudio::forEachChunk(track, [&](std::span<const float> buffer) { cutter.append(buffer); });
    cutter.finish();
  }

  std::error_code ignored;
  fs::remove(progressPath, ignored);
  return std::move(progress.segments);
}

}  // namespace kelv::core
