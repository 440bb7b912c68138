// The QML engine every window and test loads the Kelvora module's views with, and the one way
// the application makes a window from the module. Main thread only, like the engine.
#pragma once

#include <QQmlEngine>
#include <QQuickWindow>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <string>

namespace kelv::app {

// Makes the module's components and C++ types importable (`import Kelvora`) in the engine.
void prepareViewEngine(QQmlEngine& engine);

// A new window from the module's `component` ("MenuWindow") with these initial properties,
// named `objectName`; the caller owns it. When the component does not make a window, throws
// std::runtime_error with `failure` + ": " + the engine's errors as its text.
std::unique_ptr<QQuickWindow> makeWindow(QQmlEngine& engine, const QString& component,
                                         const QVariantMap& properties, const QString& objectName,
                                         const std::string& failure);

}  // namespace kelv::app
