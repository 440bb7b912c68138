// How one meeting state is drawn now, for a view to bind: the word, symbol and dot of the
// state from MeetingState's table, and its colour resolved in the current appearance (and
// again whenever the appearance changes). On the selection's highlight every state reads in
// the highlight's text colour. Made in QML beside what it styles (the badge, the banner).
// Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QColor>
#include <QObject>
#include <QString>

#include "view_models/meeting_state.h"

namespace kelv::app {

class StateStyle : public QObject {
  Q_OBJECT
  QML_ELEMENT

  Q_PROPERTY(kelv::app::MeetingState::Value state READ state WRITE setState NOTIFY changed)
  Q_PROPERTY(bool highlighted READ highlighted WRITE setHighlighted NOTIFY changed)
  // The state has a badge: every state but Done.
  Q_PROPERTY(bool shown READ shown NOTIFY changed)
  Q_PROPERTY(QString text READ text NOTIFY changed)
  Q_PROPERTY(QString symbol READ symbol NOTIFY changed)
  Q_PROPERTY(bool dot READ dot NOTIFY changed)
  Q_PROPERTY(QColor tone READ tone NOTIFY changed)

 public:
  explicit StateStyle(QObject* parent = nullptr);

  MeetingState::Value state() const { return state_; }
  void setState(MeetingState::Value state);
  bool highlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);

  bool shown() const { return !look().text.isEmpty(); }
  QString text() const { return look().text; }
  QString symbol() const { return look().symbol; }
  bool dot() const { return look().dot; }
  QColor tone() const;

 signals:
  void changed();

 private:
  const MeetingState::Look& look() const { return MeetingState::look(state_); }

  MeetingState::Value state_ = MeetingState::Done;
  bool highlighted_ = false;
};

}  // namespace kelv::app
