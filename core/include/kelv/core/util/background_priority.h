// Lowest scheduling priority for work nobody waits on: processing meetings in the background
// must never make recording or the desktop stutter.
#pragma once

namespace kelv::core {

// Gives the calling thread nice 19 and the idle I/O class. Threads it starts afterwards
// inherit both. Best effort: a refusal by the system is ignored.
void enterBackgroundPriority() noexcept;

}  // namespace kelv::core
