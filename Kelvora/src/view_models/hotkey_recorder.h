// The global hotkey row of the settings: the saved hotkey, its capture from the key presses the
// view hands in, and the row's text and buttons. While capturing, the registered hotkey is off,
// so pressing the old one doesn't start a recording. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QtQmlIntegration>

#include <optional>

#include "desktop/hotkey.h"
#include "view_models/settings_record.h"

namespace kelv::app {

class HotkeyRecorder : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Part of the settings model.")
  Q_PROPERTY(bool available READ isAvailable CONSTANT)
  Q_PROPERTY(bool recording READ isRecording NOTIFY changed)
  Q_PROPERTY(QString text READ text NOTIFY changed)
  Q_PROPERTY(QString changeText READ changeText NOTIFY changed)
  Q_PROPERTY(bool canTurnOff READ canTurnOff NOTIFY changed)

 public:
  // `record` (for its preferences and problem line) outlives this object. `available`: whether
  // a global hotkey can be registered on this desktop at all.
  HotkeyRecorder(SettingsRecord& record, bool available, QObject* parent = nullptr);
  ~HotkeyRecorder() override;

  bool isAvailable() const { return available_; }
  bool isRecording() const { return recording_; }
  const std::optional<Hotkey>& hotkey() const { return hotkey_; }
  // Stores and registers it (none turns the hotkey off).
  void setHotkey(const std::optional<Hotkey>& hotkey);

  // The row's text: why hotkeys can't be used, "Press a shortcut…" while capturing, else the
  // hotkey's label or "Off".
  QString text() const;
  // "Cancel" while capturing, else "Change…".
  QString changeText() const;
  // Whether "Turn Off" is offered: a hotkey is set and none is being captured.
  bool canTurnOff() const;

  Q_INVOKABLE void record();
  Q_INVOKABLE void endRecording();
  // The change button: starts a capture, or cancels the running one.
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
  const bool available_;
  std::optional<Hotkey> hotkey_;
  bool recording_ = false;
};

}  // namespace kelv::app
