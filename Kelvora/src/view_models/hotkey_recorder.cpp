#include "view_models/hotkey_recorder.h"

namespace kelv::app {

HotkeyRecorder::HotkeyRecorder(SettingsRecord& record, HotkeyMonitor& monitor, QObject* parent)
    : QObject(parent),
      record_(record),
      monitor_(monitor),
      hotkey_(Hotkey::saved(record.store().defaults())) {
  connect(&monitor_, &HotkeyMonitor::changed, this, &HotkeyRecorder::changed);
}

HotkeyRecorder::~HotkeyRecorder() {
  // A capture cut short keeps the hotkey it replaced.
  if (recording_) monitor_.registerHotkey(hotkey_);
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
  if (!recording_) monitor_.registerHotkey(hotkey_);
  emit changed();
}

QString HotkeyRecorder::text() const {
  if (!isAvailable())
    return QStringLiteral(
        "Los atajos globales no están disponibles en este escritorio: hace falta una sesión X11 o "
        "un portal del escritorio con atajos globales.");
  if (recording_) return QStringLiteral("Press a shortcut…");
  if (!hotkey_) return QStringLiteral("Off");
  if (const std::optional<QString> trigger = monitor_.trigger())
    return trigger->isEmpty() ? QStringLiteral("Sin asignar en el escritorio") : *trigger;
  return hotkey_->label();
}

QString HotkeyRecorder::changeText() const {
  return recording_ ? QStringLiteral("Cancel") : QStringLiteral("Change…");
}

bool HotkeyRecorder::canTurnOff() const { return isAvailable() && !recording_ && hotkey_; }

void HotkeyRecorder::record() {
  if (recording_) return;
  recording_ = true;
  monitor_.registerHotkey(std::nullopt);
  emit changed();
}

void HotkeyRecorder::endRecording() {
  if (!recording_) return;
  recording_ = false;
  monitor_.registerHotkey(hotkey_);
  emit changed();
}

void HotkeyRecorder::toggleRecording() {
  if (recording_)
    endRecording();
  else if (hotkey_ && monitor_.desktopConfigures())
    monitor_.configure();
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
