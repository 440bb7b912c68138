#include "view_models/level_source.h"

#include <algorithm>
#include <cmath>

#include "controllers/app_model.h"

namespace kelv::app {

namespace {

float clamped(float level) { return std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f; }

}  // namespace

float TrackLevel::level() const {
  if (model_.isNull() || !model_->recorder()) return 0;
  const core::Track wanted =
      track_ == QLatin1String("system") ? core::Track::system : core::Track::mic;
  const auto levels = model_->recorder()->levels();
  const auto found = levels.find(wanted);
  return found == levels.end() ? 0 : clamped(found->second);
}

QObject* TrackLevel::model() const { return model_.data(); }

void TrackLevel::setModel(QObject* model) {
  auto* appModel = qobject_cast<AppModel*>(model);
  if (appModel == model_.data()) return;
  model_ = appModel;
  emit modelChanged();
}

void TrackLevel::setTrack(const QString& track) {
  if (track == track_) return;
  track_ = track;
  emit trackChanged();
}

float FixedLevel::level() const { return clamped(static_cast<float>(value_)); }

void FixedLevel::setValue(qreal value) {
  if (value == value_) return;
  value_ = value;
  emit valueChanged();
}

}  // namespace kelv::app
