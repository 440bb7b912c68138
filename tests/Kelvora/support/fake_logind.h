// A stand-in for logind on the tests' private system bus: its own connection that owns the
// name org.freedesktop.login1 and sends the Manager's PrepareForSleep signal. Made with
// `ownName` false it sends the same signal without owning the name, as an impostor would.
// Main thread only; the name is given up when it is destroyed.
#pragma once

#include <QString>

namespace kelv::test {

class FakeLogind {
 public:
  // Throws std::runtime_error when the system bus or the name can't be had.
  explicit FakeLogind(bool ownName = true);
  ~FakeLogind();
  FakeLogind(const FakeLogind&) = delete;
  FakeLogind& operator=(const FakeLogind&) = delete;

  // Sends PrepareForSleep(sleeping) and returns once the bus daemon has routed it.
  void emitPrepareForSleep(bool sleeping);

 private:
  QString connectionName_;
  bool ownsName_ = false;
};

}  // namespace kelv::test
