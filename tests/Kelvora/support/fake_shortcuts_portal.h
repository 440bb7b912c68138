// A stand-in for the desktop portal's global shortcuts on the tests' private session bus: its own
// connection owns org.freedesktop.portal.Desktop and serves /org/freedesktop/portal/desktop with
// org.freedesktop.portal.GlobalShortcuts of the version it is made with (0: a portal whose
// desktop has no global shortcuts, so the interface's property is missing). It answers
// CreateSession and BindShortcuts through Request objects on the predictable paths, as the real
// portal does, records every call and Session.Close, and emits Activated and ShortcutsChanged
// when a test asks. Bound shortcuts are reported with the trigger description the test set.
//
// Main thread only: the application's asynchronous calls reach it while the test waits in the
// event loop. The name is given up when it is destroyed.
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace kelv::test {

class FakeShortcutsPortal {
 public:
  struct Bind {
    QString session;
    QString id;
    QString description;
    QString preferredTrigger;
  };

  // Throws std::runtime_error when the session bus or the name can't be had.
  explicit FakeShortcutsPortal(unsigned version);
  ~FakeShortcutsPortal();
  FakeShortcutsPortal(const FakeShortcutsPortal&) = delete;
  FakeShortcutsPortal& operator=(const FakeShortcutsPortal&) = delete;

  // What BindShortcuts and later ShortcutsChanged report as the bound trigger.
  void setTriggerDescription(const QString& description);

  // The session paths handed out, closed and passed to ConfigureShortcuts, in order.
  std::vector<QString> sessions() const;
  std::vector<QString> closed() const;
  std::vector<QString> configured() const;
  std::vector<Bind> binds() const;

  // Emits Activated(session, id) / ShortcutsChanged(session, [id with this description]) and
  // returns once this process has dispatched it.
  void activate(const QString& session, const QString& id = QStringLiteral("toggle-recording"));
  void changeShortcuts(const QString& session, const QString& description);

  // Runs the event loop until `count` binds (or closes) have arrived; false after `timeoutMs`.
  bool waitForBinds(std::size_t count, int timeoutMs = 5000) const;
  bool waitForClosed(std::size_t count, int timeoutMs = 5000) const;

  // A round trip through the bus from both connections, then the pending events.
  void sync() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace kelv::test
