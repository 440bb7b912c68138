#include "kelv/capture/tone_source.h"

#include <cmath>
#include <numbers>

#include "kelv/core/audio/audio_format.h"
#include "kelv/core/util/system_info.h"

namespace kelv::capture {

using core::CapturedAudio;
using core::Track;

ToneSource::ToneSource() = default;

ToneSource::~ToneSource() { stop(); }

void ToneSource::start(Deliver deliver) {
  queue_.sync([&] {
    deliver_ = std::move(deliver);
    begin_ = core::systemUptime();
  });
  timer_ = queue_.scheduleTimer(std::chrono::seconds(0), std::chrono::milliseconds(100),
                                [this] { tick(); });
}

void ToneSource::stop() {
  queue_.sync([&] {
    if (timer_) timer_->cancel();
    tick();  // the last partial stretch
    deliver_ = nullptr;
  });
}

void ToneSource::tick() {
  if (!deliver_) return;
  const auto target =
      static_cast<int64_t>((core::systemUptime() - begin_) * core::AudioFormat::kSampleRate);
  if (target <= sent_) return;
  const double captureTime = begin_ + static_cast<double>(sent_) / core::AudioFormat::kSampleRate;
  deliver_(CapturedAudio(Track::mic, tone(440, sent_, target), captureTime));
  deliver_(CapturedAudio(Track::system, tone(660, sent_, target), captureTime));
  sent_ = target;
}

std::vector<int16_t> ToneSource::tone(double frequency, int64_t begin, int64_t end) {
  std::vector<int16_t> samples;
  if (end <= begin) return samples;
  samples.reserve(static_cast<size_t>(end - begin));
  for (int64_t i = begin; i < end; ++i) {
    const double phase =
        2 * std::numbers::pi * frequency * static_cast<double>(i) / core::AudioFormat::kSampleRate;
    samples.push_back(static_cast<int16_t>(std::sin(phase) * kPeak));
  }
  return samples;
}

}  // namespace kelv::capture
