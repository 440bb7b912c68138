// The process plumbing of the application's launch: becoming the one running instance (or
// handing the kelvora: URLs to the instance that runs) and ending cleanly on termination
// signals. A signal that arrives before this process is the instance ends it as usual; from
// the moment a later launch can find the instance, a signal quits the event loop instead, so
// the normal end of the application runs.
#pragma once

#include <QCoreApplication>
#include <QStringList>

#include "desktop/single_instance.h"

namespace kelv::app::InstanceLaunch {

enum class Claim {
  // This process is the instance now.
  instance,
  // Another instance runs and has handled the URLs.
  handedOver,
  // Another instance holds the place but never answered.
  unanswered,
};

// Quits `application` on SIGTERM, SIGINT and SIGHUP once this process is the instance. False
// when the signals can't be handled (errno tells why).
bool quitOnTerminationSignals(QCoreApplication& application);

// Becomes the instance or hands `urls` over, retrying for a few seconds while an instance that
// won the race starts listening.
Claim claim(SingleInstance& instance, const QStringList& urls);

}  // namespace kelv::app::InstanceLaunch
