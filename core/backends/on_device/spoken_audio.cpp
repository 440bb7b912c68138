#include "kelv/core/backends/on_device/spoken_audio.h"

#include <algorithm>
#include <cmath>

#include "kelv/core/audio/audio_format.h"

namespace kelv::core {

SpokenAudio::SpokenAudio(std::span<const float> chunk, std::vector<Span> speech) {
  const auto length = static_cast<int64_t>(chunk.size());
  for (Span& span : speech) {
    span.start = std::clamp<int64_t>(span.start, 0, length);
    span.end = std::clamp<int64_t>(span.end, span.start, length);
  }
  std::sort(speech.begin(), speech.end(),
            [](const Span& a, const Span& b) { return a.start < b.start; });
  for (const Span& span : speech) {
    if (span.end <= span.start) continue;
    if (!spans_.empty() && span.start <= spans_.back().end)
      spans_.back().end = std::max(spans_.back().end, span.end);
    else
      spans_.push_back(span);
  }

  const auto joining = static_cast<int64_t>(kJoiningSeconds * AudioFormat::kSampleRate);
  for (const Span& span : spans_) {
    if (!samples_.empty()) samples_.insert(samples_.end(), static_cast<size_t>(joining), 0.0f);
    joinedStarts_.push_back(static_cast<int64_t>(samples_.size()));
    samples_.insert(samples_.end(), chunk.begin() + span.start, chunk.begin() + span.end);
  }
}

double SpokenAudio::chunkSeconds(double joined) const {
  constexpr double rate = AudioFormat::kSampleRate;
  if (spans_.empty()) return 0;
  const double position = std::max(0.0, joined) * rate;
  // The last span that begins at or before the position.
  const auto next = std::upper_bound(joinedStarts_.begin(), joinedStarts_.end(), position,
                                     [](double p, int64_t start) { return p < start; });
  const size_t index =
      next == joinedStarts_.begin() ? 0 : static_cast<size_t>(next - joinedStarts_.begin()) - 1;
  const Span& span = spans_[index];
  const double into = std::min(position - static_cast<double>(joinedStarts_[index]),
                               static_cast<double>(span.end - span.start));
  return (static_cast<double>(span.start) + into) / rate;
}

}  // namespace kelv::core
