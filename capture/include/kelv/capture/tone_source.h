// A synthetic capture source: a 440 Hz tone on the microphone track and a 660 Hz tone on the
// system track, delivered every 0.1 s in step with the uptime clock. It lets the whole
// recording path run without audio hardware.
//
// Threading: start, the ticks and stop run on its serial queue "kelv.tone"; deliveries come
// from that queue. Started once; after stop it is not started again.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "kelv/core/recording/capture_source.h"
#include "kelv/core/util/serial_queue.h"

namespace kelv::capture {

class ToneSource : public core::CaptureSource {
 public:
  static constexpr double kPeak = 8000;

  ToneSource();
  ~ToneSource() override;

  void start(Deliver deliver) override;
  void stop() override;

  // sin(2π × frequency × i / 16000) × 8000, truncated, for every index i in [begin, end).
  // Indices are absolute, so consecutive stretches join without a phase jump.
  static std::vector<int16_t> tone(double frequency, int64_t begin, int64_t end);

 private:
  void tick();

  core::SerialQueue queue_{"kelv.tone"};
  std::shared_ptr<core::SerialQueue::Timer> timer_;
  Deliver deliver_;
  double begin_ = 0;
  int64_t sent_ = 0;
};

}  // namespace kelv::capture
