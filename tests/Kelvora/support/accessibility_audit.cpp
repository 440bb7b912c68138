#include "accessibility_audit.h"

#include <QAccessible>
#include <QQuickItem>

#include <functional>

namespace kelv::test {

namespace {

using Role = QAccessible::Role;

// The roles a user acts on, and the action each must offer.
QString actionOf(Role role) {
  switch (role) {
    case QAccessible::Button:
    case QAccessible::PageTab:
    case QAccessible::MenuItem:
    case QAccessible::Link:
      return QAccessibleActionInterface::pressAction();
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
      return QAccessibleActionInterface::toggleAction();
    default:
      return {};
  }
}

bool needsName(Role role) {
  switch (role) {
    case QAccessible::Button:
    case QAccessible::PageTab:
    case QAccessible::MenuItem:
    case QAccessible::Link:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Heading:
    case QAccessible::Graphic:
      return true;
    default:
      return false;
  }
}

QString describe(QAccessibleInterface* element) {
  QString description =
      QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(element->role()));
  if (QObject* object = element->object(); object && !object->objectName().isEmpty())
    description += QStringLiteral(" (%1)").arg(object->objectName());
  const QString name = element->text(QAccessible::Name);
  if (!name.isEmpty()) description += QStringLiteral(" \"%1\"").arg(name);
  return description;
}

void visit(QAccessibleInterface* element,
           const std::function<void(QAccessibleInterface*, int)>& action, int depth = 0) {
  if (!element || !element->isValid() || element->state().invisible) return;
  action(element, depth);
  for (int index = 0; index < element->childCount(); ++index)
    visit(element->child(index), action, depth + 1);
}

}  // namespace

std::vector<std::string> accessibilityFaults(QQuickWindow& window) {
  std::vector<std::string> faults;
  visit(QAccessible::queryAccessibleInterface(&window), [&](QAccessibleInterface* element, int) {
    const Role role = element->role();
    if (needsName(role) && element->text(QAccessible::Name).trimmed().isEmpty())
      faults.push_back((describe(element) + QStringLiteral(" has no name")).toStdString());
    const QString action = actionOf(role);
    if (action.isEmpty()) return;
    QAccessibleActionInterface* actions = element->actionInterface();
    if (!actions || !actions->actionNames().contains(action))
      faults.push_back((describe(element) + QStringLiteral(" offers no \"%1\" action").arg(action))
                           .toStdString());
  });
  return faults;
}

std::string accessibleTree(QQuickWindow& window) {
  QString tree;
  visit(QAccessible::queryAccessibleInterface(&window),
        [&](QAccessibleInterface* element, int depth) {
          tree += QString(depth * 2, QLatin1Char(' ')) + describe(element);
          if (QAccessibleActionInterface* actions = element->actionInterface())
            tree += QStringLiteral(" [%1]").arg(actions->actionNames().join(QLatin1Char(',')));
          tree += QLatin1Char('\n');
        });
  return tree.toStdString();
}

QAccessibleInterface* accessibleElement(QQuickWindow& window, QAccessible::Role role,
                                        const QString& name) {
  QAccessibleInterface* found = nullptr;
  visit(QAccessible::queryAccessibleInterface(&window), [&](QAccessibleInterface* element, int) {
    if (!found && element->role() == role && element->text(QAccessible::Name) == name)
      found = element;
  });
  return found;
}

bool doAccessibleAction(QAccessibleInterface* element, const QString& action) {
  if (!element) return false;
  QAccessibleActionInterface* actions = element->actionInterface();
  if (!actions || !actions->actionNames().contains(action)) return false;
  actions->doAction(action);
  return true;
}

}  // namespace kelv::test
