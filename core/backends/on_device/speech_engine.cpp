#include "speech_engine.h"

#include <whisper.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <mutex>

#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

// The engine talks on standard error by default; the tool's output is ours.
void silenceEngine() {
  static std::once_flag once;
  std::call_once(once, [] { whisper_log_set([](ggml_log_level, const char*, void*) {}, nullptr); });
}

constexpr int kNarrowModelWidth = 256;

struct StateDeleter {
  void operator()(whisper_state* state) const { whisper_free_state(state); }
};

}  // namespace

SpeechEngine::SpeechEngine(const std::filesystem::path& model, int threads)
    : threads_(threads < 1 ? 1 : threads) {
  silenceEngine();
  checkFile(model);
  whisper_context_params params = whisper_context_default_params();
  params.use_gpu = false;
  try {
    context_ = whisper_init_from_file_with_params_no_state(model.c_str(), params);
  } catch (const std::exception&) {
    // Dimensions that pass the layout check but that the engine can't allocate for.
    context_ = nullptr;
  }
  if (!context_) throw OnDeviceError::damagedModel(model);
  // Threads meet after every tensor operation; for a model this narrow the waiting costs more
  // than the sharing saves. Every published model is far wider.
  if (whisper_model_n_audio_state(context_) < kNarrowModelWidth) threads_ = 1;
}

SpeechEngine::~SpeechEngine() { whisper_free(context_); }

std::vector<SpeechEngine::Segment> SpeechEngine::transcribe(
    std::span<const float> samples, const std::optional<std::string>& language) const {
  if (samples.empty()) return {};
  std::unique_ptr<whisper_state, StateDeleter> state(whisper_init_state(context_));
  if (!state) throw OnDeviceError::engineFailed(-1);

  whisper_full_params params = whisper_full_default_params(WHISPER_SAMPLING_GREEDY);
  params.n_threads = threads_;
  // Every chunk stands alone, so a resumed run gives what an uninterrupted one would.
  params.no_context = true;
  params.print_progress = false;
  params.print_realtime = false;
  params.print_special = false;
  params.print_timestamps = false;
  params.translate = false;
  const bool known = language && whisper_lang_id(language->c_str()) >= 0;
  params.language = known ? language->c_str() : "auto";
  params.detect_language = false;

  const int result = whisper_full_with_state(context_, state.get(), params, samples.data(),
                                             static_cast<int>(samples.size()));
  if (result != 0) throw OnDeviceError::engineFailed(result);

  std::vector<Segment> segments;
  const int count = whisper_full_n_segments_from_state(state.get());
  for (int i = 0; i < count; ++i) {
    const char* raw = whisper_full_get_segment_text_from_state(state.get(), i);
    std::string text = UnicodeText::trimmed(UnicodeText::repaired(raw ? raw : ""));
    if (text.empty()) continue;
    // The engine counts in hundredths of a second.
    segments.push_back({whisper_full_get_segment_t0_from_state(state.get(), i) / 100.0,
                        whisper_full_get_segment_t1_from_state(state.get(), i) / 100.0,
                        std::move(text)});
  }
  return segments;
}

}  // namespace kelv::core
