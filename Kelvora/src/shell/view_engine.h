// The QML engine every window and test loads the Kelvora module's views with.
#pragma once

#include <QQmlEngine>

namespace kelv::app {

// Makes the module's components and C++ types importable (`import Kelvora`) in the engine.
void prepareViewEngine(QQmlEngine& engine);

}  // namespace kelv::app
