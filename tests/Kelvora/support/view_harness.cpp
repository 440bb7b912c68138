#include "view_harness.h"

#include <QElapsedTimer>
#include <QQmlComponent>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "shell/view_engine.h"

namespace kelv::test {

namespace {

// Generous for a sanitized build on a busy machine; conditions normally hold at once.
constexpr int kPatienceMs = 20000;

void collect(QQuickItem* item, const QString& name, QList<QQuickItem*>& found, bool first) {
  if (item->objectName() == name) {
    found << item;
    if (first) return;
  }
  for (QQuickItem* child : item->childItems()) {
    collect(child, name, found, first);
    if (first && !found.isEmpty()) return;
  }
}

QPoint centre(QQuickItem* item) {
  return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

}  // namespace

ViewHarness::ViewHarness() {
  app::prepareViewEngine(engine_);
  window_.setColor(Qt::white);
}

ViewHarness::~ViewHarness() {
  window_.hide();
  object_.reset();
}

QQuickItem* ViewHarness::load(const QString& component, const QVariantMap& properties, QSize size) {
  QQmlComponent loader(&engine_, QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/") + component + ".qml"));
  std::unique_ptr<QObject> object(loader.createWithInitialProperties(properties));
  return show(std::move(object), size, loader.errorString());
}

QQuickItem* ViewHarness::loadText(const QByteArray& qml, const QVariantMap& properties,
                                  QSize size) {
  QQmlComponent loader(&engine_);
  loader.setData("import QtQuick\nimport Kelvora\n" + qml, QUrl(QStringLiteral("qrc:/test.qml")));
  std::unique_ptr<QObject> object(loader.createWithInitialProperties(properties));
  return show(std::move(object), size, loader.errorString());
}

QQuickItem* ViewHarness::show(std::unique_ptr<QObject> object, QSize size, const QString& errors) {
  auto* item = qobject_cast<QQuickItem*>(object.get());
  if (item == nullptr) {
    ADD_FAILURE() << "the view does not load: " << errors.toStdString();
    return nullptr;
  }
  object_ = std::move(object);
  root_ = item;
  item->setParentItem(window_.contentItem());
  if (item->width() <= 0) item->setWidth(size.width());
  if (item->height() <= 0) item->setHeight(size.height());
  window_.resize(size);
  window_.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
  settle();
  return item;
}

QQuickItem* ViewHarness::find(const QString& objectName) const {
  QList<QQuickItem*> found;
  if (root_ != nullptr) collect(root_, objectName, found, true);
  return found.isEmpty() ? nullptr : found.first();
}

QList<QQuickItem*> ViewHarness::findAll(const QString& objectName) const {
  QList<QQuickItem*> found;
  if (root_ != nullptr) collect(root_, objectName, found, false);
  return found;
}

bool ViewHarness::waitUntil(const std::function<bool()>& condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > kPatienceMs) return false;
    QTest::qWait(10);
  }
  return true;
}

void ViewHarness::settle() {
  // The longest animation of the theme is 0.3 s; polish and layout run on the next frames.
  QTest::qWait(400);
}

void ViewHarness::hover(QQuickItem* item) { QTest::mouseMove(&window_, centre(item)); }

void ViewHarness::press(QQuickItem* item) {
  QTest::mousePress(&window_, Qt::LeftButton, Qt::NoModifier, centre(item));
}

void ViewHarness::release(QQuickItem* item) {
  QTest::mouseRelease(&window_, Qt::LeftButton, Qt::NoModifier, centre(item));
}

QImage ViewHarness::grab() { return window_.grabWindow(); }

QColor ViewHarness::pixel(QQuickItem* item, QPointF at) {
  const QImage image = grab();
  // The picture is in device pixels, more than the scene's where the screen is scaled (and
  // the offscreen platform's picture doesn't say by how much).
  const qreal scale = window_.width() > 0 ? qreal(image.width()) / window_.width() : 1;
  const QPoint point = (item->mapToScene(at) * scale).toPoint();
  return image.pixelColor(point);
}

QColor colorOf(const QQuickItem* item, const char* property) {
  return item == nullptr ? QColor() : item->property(property).value<QColor>();
}

}  // namespace kelv::test
