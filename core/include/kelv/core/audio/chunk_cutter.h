// Splits a stream of samples into chunks of bounded length, cutting in the quietest 10 ms
// of the last part of each chunk so that words are rarely split.
//
// The cutter owns no files: it hands every sample, in order, to a sink together with the
// number of the chunk it belongs to, and tells the sink when a chunk is complete. Each sample
// lands in exactly one chunk; chunk numbers start at 0 and no chunk is empty. Memory stays
// bounded: between calls to append() it holds at most `span()` samples.
//
// Not thread-safe; one cutter serves one stream on one thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kelv::core {

class ChunkCutter {
 public:
  class Sink {
   public:
    virtual ~Sink() = default;
    // Samples for chunk `chunk`; `position` is the absolute track index of samples[0]. The
    // first call for a chunk opens it.
    virtual void write(int64_t chunk, int64_t position, std::span<const float> samples) = 0;
    // Chunk `chunk` is complete; no more samples will come for it.
    virtual void close(int64_t chunk) = 0;
  };

  // REQUIRES: maxFrames >= 1.
  ChunkCutter(int64_t maxFrames, Sink& sink);

  // maxSeconds × 16000, truncated; throws std::invalid_argument when that is not a finite
  // count of at least one sample.
  static int64_t maxFramesFor(double maxSeconds);

  // Feeds the next samples of the track. Sink errors propagate.
  void append(std::span<const float> samples);
  // Writes what is left and closes the last chunk. Call once, after the last append().
  void finish();

  int64_t maxFrames() const noexcept { return maxFrames_; }
  // The stretch before a chunk's limit in which a cut is searched: min(maxFrames / 10, 80000).
  int64_t span() const noexcept { return span_; }

 private:
  void writePending(int64_t count);

  int64_t maxFrames_;
  int64_t span_;
  Sink& sink_;
  int64_t chunks_ = 0;    // chunks opened so far
  bool open_ = false;     // a chunk has samples and is not closed yet
  int64_t written_ = 0;   // samples in the open chunk
  int64_t position_ = 0;  // absolute index of the next sample to write
  std::vector<float> pending_;
};

}  // namespace kelv::core
