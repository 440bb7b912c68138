#include "view_models/state_style.h"

#include "shell/theme.h"

namespace kelv::app {

StateStyle::StateStyle(QObject* parent) : QObject(parent) {
  connect(&Theme::shared(), &Theme::appearanceChanged, this, &StateStyle::changed);
}

void StateStyle::setState(MeetingState::Value state) {
  if (state_ == state) return;
  state_ = state;
  emit changed();
}

void StateStyle::setHighlighted(bool highlighted) {
  if (highlighted_ == highlighted) return;
  highlighted_ = highlighted;
  emit changed();
}

QColor StateStyle::tone() const {
  const Theme& theme = Theme::shared();
  return highlighted_ ? theme.onHighlight() : theme.color(look().tone);
}

}  // namespace kelv::app
