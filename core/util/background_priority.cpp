#include "kelv/core/util/background_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kelv::core {

namespace {

// From linux/ioprio.h, which not every libc exposes.
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;

}  // namespace

void enterBackgroundPriority() noexcept {
  // On Linux both calls act on one thread when given its id.
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, thread, 19);
  syscall(SYS_ioprio_set, kIoprioWhoProcess, static_cast<int>(thread),
          kIoprioClassIdle << kIoprioClassShift);
}

}  // namespace kelv::core
