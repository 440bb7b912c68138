// The speech of one chunk put together for the decoder, and the way back to the chunk's times.
//
// The speech detector finds where in a chunk someone speaks; only those spans reach the
// decoder, joined one after the other with a tenth of a second of silence between them (so
// that words of separate utterances don't run together). A time in the joined audio maps back
// to the chunk: within a span, to the same place in the chunk; within a joining silence, to
// the end of the span before it. A plain value.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kelv::core {

class SpokenAudio {
 public:
  // Samples of the chunk, [start, end).
  struct Span {
    int64_t start = 0;
    int64_t end = 0;
  };

  static constexpr double kJoiningSeconds = 0.1;

  // `speech`: spans in any order; they are kept within the chunk and overlapping ones merged.
  SpokenAudio(std::span<const float> chunk, std::vector<Span> speech);

  const std::vector<float>& samples() const { return samples_; }
  bool empty() const { return samples_.empty(); }
  // The merged spans, in order.
  const std::vector<Span>& spans() const { return spans_; }

  // Seconds from the chunk's start for `joined` seconds into samples().
  double chunkSeconds(double joined) const;

 private:
  std::vector<Span> spans_;
  std::vector<int64_t> joinedStarts_;  // where each span begins in samples_
  std::vector<float> samples_;
};

}  // namespace kelv::core
