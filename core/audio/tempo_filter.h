// Changes the speed of 16 kHz mono audio and keeps its pitch, through libavfilter's `atempo`.
// Internal to KelvCore; one filter per stretch of audio played at one speed, on one thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct AVFilterGraph;
struct AVFilterContext;

namespace kelv::core {

class TempoFilter {
 public:
  // REQUIRES: 0.5 <= tempo <= 2. Throws std::runtime_error when the filter can't be built.
  explicit TempoFilter(double tempo);
  ~TempoFilter();
  TempoFilter(const TempoFilter&) = delete;
  TempoFilter& operator=(const TempoFilter&) = delete;

  // Feeds samples in; what comes out is taken with pull().
  void push(std::span<const float> samples);
  // No more input: what the filter still holds becomes available to pull().
  void finish();
  // Moves up to out.size() ready samples into `out`; returns how many.
  size_t pull(std::span<float> out);

 private:
  void drain();

  AVFilterGraph* graph_ = nullptr;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  int64_t fed_ = 0;
  std::vector<float> ready_;
  size_t readyStart_ = 0;
};

}  // namespace kelv::core
