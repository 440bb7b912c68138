// Loads a real QML view of the Kelvora module into a window on the offscreen platform, so a
// test can find its items by objectName, read their texts, colours and geometry, and drive it
// with synthesised mouse input.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace kelv::test {

class ViewHarness {
 public:
  ViewHarness();
  ~ViewHarness();

  QQmlEngine& engine() { return engine_; }
  QQuickWindow& window() { return window_; }

  // Creates the module's component (file name without ".qml", e.g. "PillButton") or a QML
  // text importing QtQuick and Kelvora, with the given properties, shown in the window at the
  // given size. Fails the test (and returns nullptr) when it does not load.
  QQuickItem* load(const QString& component, const QVariantMap& properties = {},
                   QSize size = {400, 300});
  QQuickItem* loadText(const QByteArray& qml, const QVariantMap& properties = {},
                       QSize size = {400, 300});
  QQuickItem* root() const { return root_; }

  // The first item under the root (delegates included) with this objectName, or nullptr.
  QQuickItem* find(const QString& objectName) const;
  QList<QQuickItem*> findAll(const QString& objectName) const;

  // Runs the event loop until the condition holds; false after a generous wait.
  bool waitUntil(const std::function<bool()>& condition);
  // Lets pending polish, layout and animations finish.
  void settle();

  // Mouse input at a point of an item (its centre by default), in window coordinates.
  void hover(QQuickItem* item);
  void press(QQuickItem* item);
  void release(QQuickItem* item);

  QImage grab();
  // The colour of one pixel of the rendered window, at a point of the item.
  QColor pixel(QQuickItem* item, QPointF at);

 private:
  QQuickItem* show(std::unique_ptr<QObject> object, QSize size, const QString& errors);

  QQmlEngine engine_;
  QQuickWindow window_;
  std::unique_ptr<QObject> object_;
  QQuickItem* root_ = nullptr;
};

// The property of an item as a colour, for comparisons in tests.
QColor colorOf(const QQuickItem* item, const char* property = "color");

}  // namespace kelv::test
