// The global hotkey row of the settings: the saved hotkey, its capture from the key presses the
// view hands in, and the row's text and buttons. While capturing, the registered hotkey is off,
// so pressing the old one doesn't start a recording. Where the desktop binds the hotkey itself
// (the portal on Wayland), the row shows the trigger as the desktop words it, and "Change…" opens
// the desktop's own dialog when it has one. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QtQmlIntegration>

#include <optional>

#include "desktop/hotkey.h"
#include "desktop/hotkey_monitor.h"
#include "view_models/settings_record.h"

namespace kelv::app {

class HotkeyRecorder : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Part of the settings model.")
  Q_PROPERTY(bool available READ isAvailable NOTIFY changed)
  Q_PROPERTY(bool recording READ isRecording NOTIFY changed)
  Q_PROPERTY(QString text READ text NOTIFY changed)
  Q_PROPERTY(QString changeText READ changeText NOTIFY changed)
  Q_PROPERTY(bool canTurnOff READ canTurnOff NOTIFY changed)

 public:
  // `record` (for its preferences and problem line) and `monitor` (the registration the row
  // changes) outlive this object.
  HotkeyRecorder(SettingsRecord& record, HotkeyMonitor& monitor, QObject* parent = nullptr);
  ~HotkeyRecorder() override;

  // Whether a global hotkey can be registered on this desktop at all.
  bool isAvailable() const { return monitor_.isAvailable(); }
  bool isRecording() const { return recording_; }
  const std::optional<Hotkey>& hotkey() const { return hotkey_; }
  // Stores and registers it (none turns the hotkey off).
  void setHotkey(const std::optional<Hotkey>& hotkey);

  // The row's text: why hotkeys can't be used, "Press a shortcut…" while capturing, "Off"
  // without a hotkey, else the trigger as the desktop words it or, where it doesn't, the
  // hotkey's label.
  QString text() const;
  // "Cancel" while capturing, else "Change…".
  QString changeText() const;
  // Whether "Turn Off" is offered: a hotkey is set and none is being captured.
  bool canTurnOff() const;

  Q_INVOKABLE void record();
  Q_INVOKABLE void endRecording();
  // The change button: cancels the running capture; else opens the desktop's dialog where the
  // desktop has one and a hotkey is bound, or starts a capture.
  Q_INVOKABLE void toggleRecording();
  Q_INVOKABLE void turnOff() { setHotkey(std::nullopt); }
  // A key press while capturing: a valid hotkey is stored and ends the capture, Escape ends it
  // keeping the old one, any other key keeps it waiting. True when the press is consumed, which
  // is every press while capturing, so the application's shortcuts don't act on it.
  Q_INVOKABLE bool press(int key, int modifiers);

 signals:
  void changed();

 private:
  void save();

  SettingsRecord& record_;
  HotkeyMonitor& monitor_;
  std::optional<Hotkey> hotkey_;
  bool recording_ = false;
};

}  // namespace kelv::app
