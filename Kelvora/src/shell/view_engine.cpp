#include "shell/view_engine.h"

#include <QString>

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

}  // namespace kelv::app
