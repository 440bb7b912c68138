// Sleep and wake of the computer, from logind's PrepareForSleep signal on the system bus
// (true before sleeping, false after waking). Only a sender that owns org.freedesktop.login1
// is believed. Without a system bus nothing is ever reported. Main thread only.
#pragma once

#include <QObject>

namespace kelv::app {

class SleepWatcher : public QObject {
  Q_OBJECT

 public:
  explicit SleepWatcher(QObject* parent = nullptr);
  // Subscribes to the signal; false when the system bus can't be reached.
  bool start();

 signals:
  void aboutToSleep();
  void wokeUp();

 private slots:
  void prepareForSleep(bool sleeping);

 private:
  bool started_ = false;
};

}  // namespace kelv::app
