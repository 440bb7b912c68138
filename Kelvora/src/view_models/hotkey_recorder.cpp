#include "view_models/hotkey_recorder.h"

#include "desktop/hotkey_monitor.h"

namespace kelv::app {

HotkeyRecorder::HotkeyRecorder(SettingsRecord& record, bool available, QObject* parent)
    : QObject(parent),
      record_(record),
      available_(available),
      hotkey_(Hotkey::saved(record.store().defaults())) {}

HotkeyRecorder::~HotkeyRecorder() {
  // A capture cut short keeps the hotkey it replaced.
  if (recording_) HotkeyMonitor::shared().registerHotkey(hotkey_);
}

void HotkeyRecorder::save() {
  try {
    Hotkey::setSaved(record_.store().defaults(), hotkey_);
  } catch (const std::exception& error) {
    record_.setProblem(QString::fromUtf8(error.what()));
  }
}

void HotkeyRecorder::setHotkey(const std::optional<Hotkey>& hotkey) {
  hotkey_ = hotkey;
  save();
  if (!recording_) HotkeyMonitor::shared().registerHotkey(hotkey_);
  emit changed();
}

QString HotkeyRecorder::text() const {
  if (!available_) return "Global hotkeys are unavailable here: they need an X11 display.";
  if (recording_) return "Press a shortcut…";
  return hotkey_ ? hotkey_->label() : QStringLiteral("Off");
}

QString HotkeyRecorder::changeText() const {
  return recording_ ? QStringLiteral("Cancel") : QStringLiteral("Change…");
}

bool HotkeyRecorder::canTurnOff() const { return available_ && !recording_ && hotkey_; }

void HotkeyRecorder::record() {
  if (recording_) return;
  recording_ = true;
  HotkeyMonitor::shared().registerHotkey(std::nullopt);
  emit changed();
}

void HotkeyRecorder::endRecording() {
  if (!recording_) return;
  recording_ = false;
  HotkeyMonitor::shared().registerHotkey(hotkey_);
  emit changed();
}

void HotkeyRecorder::toggleRecording() {
  if (recording_)
    endRecording();
  else
    record();
}

bool HotkeyRecorder::press(int key, int modifiers) {
  if (!recording_) return false;
  if (auto hotkey = Hotkey::fromQtKey(key, Qt::KeyboardModifiers::fromInt(modifiers))) {
    hotkey_ = *hotkey;
    save();
    endRecording();
  } else if (key == Qt::Key_Escape) {
    endRecording();
  }
  return true;
}

}  // namespace kelv::app
