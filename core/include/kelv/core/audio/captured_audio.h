// One buffer of captured audio, as a capture source hands it to the recorder.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kelv/core/audio/track.h"

namespace kelv::core {

struct CapturedAudio {
  Track track;
  // Mono, 16 000 samples per second.
  std::vector<int16_t> samples;
  // Capture time of the first sample, in seconds on the uptime clock.
  double captureTime;

  CapturedAudio(Track track, std::vector<int16_t> samples, double captureTime)
      : track(track), samples(std::move(samples)), captureTime(captureTime) {}

  // From real samples: clamped to −1…1, scaled by 32767 and truncated toward zero, so full
  // scale maps to ±32767 (never −32768).
  CapturedAudio(Track track, std::span<const float> samples, double captureTime);
};

}  // namespace kelv::core
