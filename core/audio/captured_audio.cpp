#include "kelv/core/audio/captured_audio.h"

#include <algorithm>

namespace kelv::core {

CapturedAudio::CapturedAudio(Track track, std::span<const float> real, double captureTime)
    : track(track), captureTime(captureTime) {
  samples.reserve(real.size());
  for (float value : real) {
    // NaN compares false both ways; treat it as silence rather than undefined conversion.
    const float clamped = value == value ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
    samples.push_back(static_cast<int16_t>(clamped * 32767.0f));
  }
}

}  // namespace kelv::core
