// The rule that shows the application as a regular application only while one of its ordinary
// windows is open, and as a tray item otherwise.
#pragma once

namespace kelv::app::Dock {

// Starts following window changes.
void follow();
// Applies the rule once.
void refresh();

}  // namespace kelv::app::Dock
