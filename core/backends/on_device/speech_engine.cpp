#include "speech_engine.h"

#include <ggml-backend.h>
#include <whisper.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

constexpr int kNarrowModelWidth = 256;

// The engine's own rule for a window without speech: its no-speech token is likely and the
// text it decoded is not. Such windows give no segments.
constexpr float kNoSpeechProbability = 0.6f;
constexpr float kLowAverageLogProbability = -1.0f;
// Retried at rising temperatures when a window's text looks like a loop or a guess.
constexpr float kTemperatureStep = 0.2f;

struct StateDeleter {
  void operator()(whisper_state* state) const { whisper_free_state(state); }
};

#ifdef KELV_ENGINE_GPU
// Whether a GPU device answers; otherwise says once why the CPU does the work.
bool gpuAnswers() {
  static const bool answers = [] {
    ggml_backend_dev_t gpu = nullptr;
    for (size_t i = 0; i < ggml_backend_dev_count() && !gpu; ++i) {
      ggml_backend_dev_t device = ggml_backend_dev_get(i);
      const auto type = ggml_backend_dev_type(device);
      if (type == GGML_BACKEND_DEVICE_TYPE_GPU || type == GGML_BACKEND_DEVICE_TYPE_IGPU)
        gpu = device;
    }
    if (!gpu) {
      std::fputs("kelv: no GPU found for on-device transcription; using the CPU\n", stderr);
      return false;
    }
    ggml_backend_t backend = ggml_backend_dev_init(gpu, nullptr);
    if (!backend) {
      std::fprintf(stderr, "kelv: the GPU %s didn't start; on-device transcription uses the CPU\n",
                   ggml_backend_dev_name(gpu));
      return false;
    }
    ggml_backend_free(backend);
    return true;
  }();
  return answers;
}
#endif

whisper_context* load(const std::filesystem::path& model, bool gpu) {
  whisper_context_params params = whisper_context_default_params();
  params.use_gpu = gpu;
  try {
    return whisper_init_from_file_with_params_no_state(model.c_str(), params);
  } catch (const std::exception&) {
    // Dimensions that pass the layout check but that the engine can't allocate for.
    return nullptr;
  }
}

// Benchmarks: the window's text is made of distinct ordinary tokens up to the fixed count,
// then it ends.
void forceTokens(whisper_context* context, whisper_state*, const whisper_token_data*, int decoded,
                 float* logits, void* count) {
  const int vocabulary = whisper_n_vocab(context);
  const whisper_token end = whisper_token_eot(context);
  // Tokens from 300 on are words in every vocabulary (below are bytes and punctuation).
  const int words = std::max(1, end - 300);
  const whisper_token chosen =
      decoded < *static_cast<const int*>(count) ? 300 + (decoded * 7919) % words : end;
  std::fill(logits, logits + vocabulary, -INFINITY);
  logits[chosen] = 0;
}

}  // namespace

SpeechEngine::SpeechEngine(const std::filesystem::path& model, int threads)
    : threads_(threads < 1 ? 1 : threads) {
  silence();
  checkFile(model);
#ifdef KELV_ENGINE_GPU
  if (gpuAnswers()) {
    context_ = load(model, true);
    if (!context_) {
      static std::once_flag once;
      std::call_once(once, [] {
        std::fputs("kelv: the GPU couldn't take the transcription model; using the CPU\n", stderr);
      });
    }
  }
#endif
  if (!context_) context_ = load(model, false);
  if (!context_) throw OnDeviceError::damagedModel(model);
  // Threads meet after every tensor operation; for a model this narrow the waiting costs more
  // than the sharing saves. Every published model is far wider.
  if (whisper_model_n_audio_state(context_) < kNarrowModelWidth) threads_ = 1;
}

SpeechEngine::~SpeechEngine() { whisper_free(context_); }

const char* SpeechEngine::version() { return whisper_version(); }

void SpeechEngine::silence() {
  static std::once_flag once;
  std::call_once(once, [] { whisper_log_set([](ggml_log_level, const char*, void*) {}, nullptr); });
}

int SpeechEngine::promptLimit() const { return whisper_n_text_ctx(context_) / 2 - 1; }

std::string SpeechEngine::promptFor(const std::vector<std::string>& terms) const {
  std::string prompt;
  for (const std::string& raw : terms) {
    const std::string term = UnicodeText::trimmed(raw);
    if (term.empty()) continue;
    std::string longer = prompt.empty() ? term : prompt + ", " + term;
    if (whisper_token_count(context_, longer.c_str()) > promptLimit()) break;
    prompt = std::move(longer);
  }
  return prompt;
}

std::vector<SpeechEngine::Segment> SpeechEngine::transcribe(
    std::span<const float> samples, const std::optional<std::string>& language,
    const std::string& prompt, const OnDeviceDecoding& decoding) const {
  if (samples.empty()) return {};
  std::unique_ptr<whisper_state, StateDeleter> state(whisper_init_state(context_));
  if (!state) throw OnDeviceError::engineFailed(-1);

  const bool beam = decoding.beamSize > 1;
  whisper_full_params params =
      whisper_full_default_params(beam ? WHISPER_SAMPLING_BEAM_SEARCH : WHISPER_SAMPLING_GREEDY);
  if (beam) params.beam_search.beam_size = decoding.beamSize;
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
  // The subject's terms lead every window, not only the first.
  params.initial_prompt = prompt.empty() ? nullptr : prompt.c_str();
  params.carry_initial_prompt = true;
  // Music notes, brackets and speaker marks are what the model makes up for noise.
  params.suppress_nst = true;
  params.no_speech_thold = kNoSpeechProbability;
  params.logprob_thold = kLowAverageLogProbability;
  params.temperature_inc = kTemperatureStep;
  int fixedTokens = decoding.fixedTokensPerWindow;
  if (fixedTokens > 0) {
    params.temperature_inc = 0;
    // Windows then advance by their whole length, as real speech mostly does.
    params.no_timestamps = true;
    params.logits_filter_callback = forceTokens;
    params.logits_filter_callback_user_data = &fixedTokens;
  }

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
