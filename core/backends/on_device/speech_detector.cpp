#include "speech_detector.h"

#include <whisper.h>

#include <cfloat>
#include <memory>

#include "kelv/core/audio/audio_format.h"
#include "kelv/core/backends/on_device/on_device_error.h"
#include "speech_engine.h"

namespace kelv::core {
namespace {

// A class has pauses for breath mid-sentence: only a longer quiet ends a span of speech, and
// each span keeps a fifth of a second on both sides so that first and last syllables stay.
constexpr float kSpeechProbability = 0.5f;
constexpr int kShortestSpeechMs = 250;
constexpr int kShortestSilenceMs = 300;
constexpr int kPaddingMs = 200;

struct SegmentsDeleter {
  void operator()(whisper_vad_segments* segments) const { whisper_vad_free_segments(segments); }
};

}  // namespace

SpeechDetector::SpeechDetector(const std::filesystem::path& model, int threads) {
  SpeechEngine::silence();
  checkFile(model);
  whisper_vad_context_params params = whisper_vad_default_context_params();
  params.n_threads = threads < 1 ? 1 : threads;
  params.use_gpu = false;  // a few milliseconds per second of audio: not worth a device
  try {
    context_ = whisper_vad_init_from_file_with_params(model.c_str(), params);
  } catch (const std::exception&) {
    context_ = nullptr;
  }
  if (!context_) throw OnDeviceError::damagedModel(model);
}

SpeechDetector::~SpeechDetector() { whisper_vad_free(context_); }

std::vector<SpokenAudio::Span> SpeechDetector::speech(std::span<const float> samples) {
  if (samples.empty()) return {};
  whisper_vad_params params = whisper_vad_default_params();
  params.threshold = kSpeechProbability;
  params.min_speech_duration_ms = kShortestSpeechMs;
  params.min_silence_duration_ms = kShortestSilenceMs;
  params.max_speech_duration_s = FLT_MAX;
  params.speech_pad_ms = kPaddingMs;
  std::unique_ptr<whisper_vad_segments, SegmentsDeleter> found(whisper_vad_segments_from_samples(
      context_, params, samples.data(), static_cast<int>(samples.size())));
  if (!found) throw OnDeviceError::engineFailed(-1);

  // The engine counts in hundredths of a second.
  constexpr double perHundredth = AudioFormat::kSampleRate / 100.0;
  std::vector<SpokenAudio::Span> spans;
  const int count = whisper_vad_segments_n_segments(found.get());
  for (int i = 0; i < count; ++i) {
    const auto start = static_cast<int64_t>(
        whisper_vad_segments_get_segment_t0(found.get(), i) * perHundredth + 0.5);
    const auto end = static_cast<int64_t>(
        whisper_vad_segments_get_segment_t1(found.get(), i) * perHundredth + 0.5);
    if (end > start) spans.push_back({start, end});
  }
  return spans;
}

}  // namespace kelv::core
