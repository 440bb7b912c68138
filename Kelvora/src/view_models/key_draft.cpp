#include "view_models/key_draft.h"

#include <utility>

namespace kelv::app {

KeyDraft::KeyDraft(QObject* parent) : QObject(parent) {
  pause_.setSingleShot(true);
  // A coarse timer may fire early; the pause is a promise to the typist.
  pause_.setTimerType(Qt::PreciseTimer);
  pause_.setInterval(kCommitPause);
  connect(&pause_, &QTimer::timeout, this, &KeyDraft::save);
}

void KeyDraft::setKey(const QString& key) {
  if (key_ == key) return;
  key_ = key;
  emit keyChanged();
  if (!draft_) emit keyShown(key_);
}

void KeyDraft::edit(const QString& text) {
  const bool was = pending();
  draft_ = text;
  pause_.start();
  if (!was) emit pendingChanged();
}

void KeyDraft::save() {
  pause_.stop();
  if (!draft_) return;
  const QString value = *std::exchange(draft_, std::nullopt);
  emit pendingChanged();
  if (value != key_) emit commit(value);
}

}  // namespace kelv::app
