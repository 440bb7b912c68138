// Keeps the computer from idle sleep while held: a logind "idle:sleep" block inhibitor on the
// system bus. The descriptor logind returns is the inhibitor; closing it releases it.
#pragma once

#include <string>

namespace kelv::capture {

class SleepInhibitor {
 public:
  // Asks logind; on failure holds nothing and `failure()` says why.
  SleepInhibitor();
  ~SleepInhibitor();
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;

  bool held() const { return fd_ >= 0; }
  const std::string& failure() const { return failure_; }

 private:
  int fd_ = -1;
  std::string failure_;
};

}  // namespace kelv::capture
