#include "shell/view_engine.h"

#include <QQmlComponent>
#include <QString>
#include <QUrl>

#include <stdexcept>

// Generated with the module; its static registration runs once this file is linked in.
void qml_register_types_Kelvora();

namespace kelv::app {

void prepareViewEngine(QQmlEngine& engine) {
  // Reading the registration's address keeps the generated file in the static library's link;
  // the read is volatile so that an optimised build cannot drop it, and with it every type.
  static void (*volatile registration)() = &qml_register_types_Kelvora;
  (void)registration;
  engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
}

std::unique_ptr<QQuickWindow> makeWindow(QQmlEngine& engine, const QString& component,
                                         const QVariantMap& properties, const QString& objectName,
                                         const std::string& failure) {
  QQmlComponent loader(&engine, QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/%1.qml").arg(component)));
  const auto fail = [&] {
    return std::runtime_error(failure + ": " + loader.errorString().toStdString());
  };
  // Creating from a component that failed to load crashes inside Qt 6.4.
  if (loader.isError()) throw fail();
  std::unique_ptr<QObject> object(loader.createWithInitialProperties(properties));
  auto* window = qobject_cast<QQuickWindow*>(object.get());
  if (window == nullptr) throw fail();
  object.release();
  window->setObjectName(objectName);
  return std::unique_ptr<QQuickWindow>(window);
}

}  // namespace kelv::app
