// A small org.freedesktop.Notifications server for the application's tests, on the private
// session bus of the test process. It records every Notify and CloseNotification it receives,
// hands out increasing ids (a replacement of an open notification keeps its id, as real servers
// do), and emits ActionInvoked and NotificationClosed when a test asks.
//
// It owns a D-Bus connection of its own, separate from the application's cached session-bus
// connection, and lives on the main thread: the application's asynchronous calls reach it while
// the test waits in the event loop (waitForCount, QSignalSpy::wait, QTest::qWaitFor).
// Starting it and destroying it change the service's owner; both return only once this
// process's session-bus connection has seen that change, so tests can run one after another in
// one process.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstddef>
#include <memory>
#include <vector>

namespace kelv::test {

class FakeNotificationServer {
 public:
  struct Notification {
    uint id = 0;  // the id returned to the caller
    QString app;
    uint replacesId = 0;
    QString icon;
    QString summary;
    QString body;
    QStringList actions;  // key, label, key, label, ...
    QVariantMap hints;
    int expireTimeout = 0;
  };

  FakeNotificationServer();
  // Releases the name and closes the connection.
  ~FakeNotificationServer();
  FakeNotificationServer(const FakeNotificationServer&) = delete;
  FakeNotificationServer& operator=(const FakeNotificationServer&) = delete;

  // Connects to DBUS_SESSION_BUS_ADDRESS and takes the service name. Throws std::runtime_error
  // when it can't.
  void start();

  // Every Notify received, in order.
  std::vector<Notification> received() const;
  // The ids passed to CloseNotification, in order.
  std::vector<uint> closed() const;
  // The ids shown now: notified, and neither closed by the caller nor by closeNotification.
  std::vector<uint> open() const;

  // Run the event loop until at least `count` Notify calls (or CloseNotification calls) have
  // arrived; false when they haven't within `timeoutMs`.
  bool waitForCount(std::size_t count, int timeoutMs = 10000) const;
  bool waitForClosedCount(std::size_t count, int timeoutMs = 10000) const;

  // Emit ActionInvoked(id, key), as when the user presses a button ("default": the body).
  // Returns once this process's session-bus connection has received and dispatched it.
  void invokeAction(uint id, const QString& key);
  // Emit NotificationClosed(id, reason) and forget the id (reason 1 expired, 2 dismissed by
  // the user, 3 closed by CloseNotification). Returns once it has been dispatched here.
  void closeNotification(uint id, uint reason = 2);

  // Make sure what the server sent has been dispatched in this process: a round trip through
  // the bus from both connections, then the pending events.
  void sync() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace kelv::test
