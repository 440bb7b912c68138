// The settings record being edited and its save rule, shared by the objects of the settings
// window and by the application model, which observe its saves instead of calling each other.
//
// `update` edits a copy of the record and stores it when it differs (an equal record is never
// written); every real change is announced with `saved`, even when storing it failed, since the
// edit stays on screen and the next change tries again. Main thread only.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "kelv/core/settings/settings.h"
#include "kelv/core/settings/settings_store.h"

namespace kelv::app {

class SettingsRecord : public QObject {
  Q_OBJECT

 public:
  explicit SettingsRecord(core::SettingsStore store, QObject* parent = nullptr);

  const core::SettingsStore& store() const { return store_; }
  const core::Settings& settings() const { return settings_; }
  void update(const std::function<void(core::Settings&)>& change);

  // The last failure to store something, shown under the settings; the empty text when the
  // last save worked.
  const QString& problem() const { return problem_; }
  void setProblem(const QString& text);

 signals:
  // After every real change; `previous` is the record before it.
  void saved(const core::Settings& previous);
  void problemChanged();

 private:
  core::SettingsStore store_;
  core::Settings settings_;
  QString problem_;
};

}  // namespace kelv::app
