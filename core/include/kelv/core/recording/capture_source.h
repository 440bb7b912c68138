// The interface of every audio source that feeds a recorder.
#pragma once

#include <functional>

#include "kelv/core/audio/captured_audio.h"

namespace kelv::core {

class CaptureSource {
 public:
  using Deliver = std::function<void(CapturedAudio)>;

  virtual ~CaptureSource() = default;

  // Begins capturing. `deliver` may be called from any thread, any number of times, until
  // `stop` returns. Throws when capture can't start.
  virtual void start(Deliver deliver) = 0;
  // Stops capturing; once it returns `deliver` is no longer called.
  virtual void stop() = 0;
};

}  // namespace kelv::core
