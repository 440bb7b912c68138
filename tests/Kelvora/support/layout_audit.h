// What a user would see stick out or cut off in a window: every visible item must lie inside
// the window and inside each item that clips it (a clipping item, a layer, which draws only
// its own rectangle, a scrolling view across its width), and a text must fit its box unless it
// elides on purpose.
#pragma once

#include <QQuickWindow>
#include <string>
#include <vector>

namespace kelv::test {

// One line per fault, naming the item ("onboarding.done", else its type and text), what cuts
// it and by how many pixels. Empty when the window's content fits.
std::vector<std::string> layoutFaults(QQuickWindow& window);

}  // namespace kelv::test
