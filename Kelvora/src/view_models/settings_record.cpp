#include "view_models/settings_record.h"

#include <utility>

namespace kelv::app {

SettingsRecord::SettingsRecord(core::SettingsStore store, QObject* parent)
    : QObject(parent), store_(std::move(store)), settings_(store_.load()) {}

void SettingsRecord::update(const std::function<void(core::Settings&)>& change) {
  core::Settings next = settings_;
  change(next);
  if (next == settings_) return;
  const core::Settings previous = std::exchange(settings_, std::move(next));
  try {
    store_.save(settings_);
    setProblem({});
  } catch (const std::exception& error) {
    setProblem(QString::fromUtf8(error.what()));
  }
  emit saved(previous);
}

void SettingsRecord::setProblem(const QString& text) {
  if (problem_ == text) return;
  problem_ = text;
  emit problemChanged();
}

}  // namespace kelv::app
