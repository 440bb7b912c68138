// What a screen reader would stumble on in a window, read through the same accessibility
// interfaces AT-SPI reads: a control, heading or field without a name, a picture that isn't
// hidden although it says nothing, a button or check box that offers no action to press.
#pragma once

#include <QAccessibleInterface>
#include <QQuickWindow>
#include <QString>

#include <string>
#include <vector>

namespace kelv::test {

// One line per fault, naming the element by its role and the item's objectName.
std::vector<std::string> accessibilityFaults(QQuickWindow& window);

// The window's visible elements, one per line, indented by depth: role, objectName, name and
// actions. For failure messages.
std::string accessibleTree(QQuickWindow& window);

// The visible element of the window with this role and accessible name, or nullptr.
QAccessibleInterface* accessibleElement(QQuickWindow& window, QAccessible::Role role,
                                        const QString& name);

// Runs the element's action ("Press", "Toggle") as a screen reader does; false when the
// element doesn't offer it.
bool doAccessibleAction(QAccessibleInterface* element, const QString& action);

}  // namespace kelv::test
