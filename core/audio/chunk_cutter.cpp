#include "kelv/core/audio/chunk_cutter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "kelv/core/audio/audio_format.h"
#include "kelv/core/audio/track_audio.h"

namespace kelv::core {

namespace {
constexpr int64_t kLongestSpan = 80000;  // 5 seconds
// Beyond any real track; keeps the frame arithmetic far from overflow.
constexpr double kLongestChunk = 1e15;
}  // namespace

ChunkCutter::ChunkCutter(int64_t maxFrames, Sink& sink)
    : maxFrames_(maxFrames), span_(std::min(maxFrames / 10, kLongestSpan)), sink_(sink) {
  if (maxFrames_ < 1) throw std::invalid_argument("chunks must hold at least one sample");
}

int64_t ChunkCutter::maxFramesFor(double maxSeconds) {
  const double frames = std::trunc(maxSeconds * AudioFormat::kSampleRate);
  if (!(frames >= 1)) throw std::invalid_argument("chunk length must be at least one sample");
  return static_cast<int64_t>(std::min(frames, kLongestChunk));
}

void ChunkCutter::writePending(int64_t count) {
  if (count <= 0) return;
  if (!open_) {
    open_ = true;
    ++chunks_;
  }
  sink_.write(chunks_ - 1, position_, std::span<const float>(pending_.data(), count));
  pending_.erase(pending_.begin(), pending_.begin() + count);
  written_ += count;
  position_ += count;
}

void ChunkCutter::append(std::span<const float> samples) {
  pending_.insert(pending_.end(), samples.begin(), samples.end());
  const auto pendingSize = [this] { return static_cast<int64_t>(pending_.size()); };

  // A chunk must end within its last `span` allowed samples: cut it in the quietest window.
  while (written_ + pendingSize() > maxFrames_) {
    const int64_t room = maxFrames_ - written_;
    // A span shorter than one sample (maxFrames < 10) can fill a chunk to its limit; it
    // then closes as it is instead of taking one sample more.
    if (room > 0) writePending(TrackAudio::quietestCut(pending_, room - span_, room));
    sink_.close(chunks_ - 1);
    open_ = false;
    written_ = 0;
  }
  // Everything before the current chunk's search span can no longer take part in a cut.
  writePending(std::min(maxFrames_ - span_ - written_, pendingSize()));
}

void ChunkCutter::finish() {
  writePending(static_cast<int64_t>(pending_.size()));
  if (open_) {
    open_ = false;
    sink_.close(chunks_ - 1);
  }
}

}  // namespace kelv::core
