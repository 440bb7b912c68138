// The hotkey through the desktop portal's GlobalShortcuts interface, for Wayland sessions where
// no client may grab keys: a session holding one shortcut, "toggle-recording", bound with the
// saved hotkey as its preferred trigger. The desktop decides the actual trigger (and may let the
// user change it in its own dialog); what it reports is shown as it reports it.
//
// Everything goes over the session bus without waiting: `probe` asks whether the portal offers
// the interface at all, and each answer arrives later as a signal. A portal that refuses or
// vanishes leaves the shortcut unbound; nothing is reported. Main thread only.
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

#include "desktop/hotkey.h"

namespace kelv::app {

class PortalShortcuts : public QObject {
  Q_OBJECT

 public:
  enum class State { unknown, probing, offered, missing };

  explicit PortalShortcuts(QObject* parent = nullptr);
  ~PortalShortcuts() override;

  // Asks the portal for the interface's version, once; `changed` follows the answer.
  void probe();
  State state() const { return state_; }
  // The interface's version; 2 and later have the desktop's own dialog (`configure`).
  unsigned version() const { return version_; }

  // Binds this hotkey in a new session (the old one is closed), or closes the session for none.
  // Binding the hotkey already bound does nothing. Before the probe has answered it is
  // remembered and bound then.
  void bind(const std::optional<Hotkey>& hotkey);
  // The trigger the desktop reports for the bound shortcut, as it words it; none until it has
  // answered, or while nothing is bound. Empty when the desktop left the shortcut unassigned.
  const std::optional<QString>& trigger() const { return trigger_; }
  // Opens the desktop's own dialog for the bound shortcut (version 2 and later; else nothing).
  void configure();

  // The trigger in the desktop shortcuts' notation: "CTRL+ALT+LOGO+r".
  static QString triggerOf(const Hotkey& hotkey);

 signals:
  // The bound shortcut was pressed.
  void activated();
  // The state, the version or the trigger changed.
  void changed();

 private slots:
  void onResponse(const QDBusMessage& message);
  void onActivated(const QDBusMessage& message);
  void onShortcutsChanged(const QDBusMessage& message);

 private:
  void closeSession();
  void createSession();
  void bindShortcut();
  // Calls a portal method that answers through a Request object: subscribes to the Response of
  // the Request path the portal will use, then calls.
  void request(const QString& method, QList<QVariant> arguments, const QString& token);
  void listenForResponse(const QString& path);
  void stopListening(const QString& path);
  void closeOnPortal(const QString& session);
  void takeShortcuts(const QVariant& shortcuts);
  void setTrigger(const std::optional<QString>& trigger);
  QString nextToken();

  State state_ = State::unknown;
  unsigned version_ = 0;
  std::optional<Hotkey> wanted_;
  std::optional<Hotkey> bound_;  // what the current session was made for
  QString session_;              // the session's object path once created
  QString pendingRequest_;       // the Request path whose Response is awaited
  QString pendingMethod_;
  QSet<QString> abandoned_;  // CreateSession requests whose session is closed on arrival
  std::optional<QString> trigger_;
};

}  // namespace kelv::app
