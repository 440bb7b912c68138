#include "desktop/dock.h"

namespace kelv::app::Dock {

// Linux desktops have no activation policy: a window appears in the task bar while it is open
// and leaves it when closed, and the tray item stays either way. The rule therefore has nothing
// to switch, and both steps are kept only so that start-up reads the same everywhere.
void follow() {}

void refresh() {}

}  // namespace kelv::app::Dock
