// Where a level meter reads its level, 0…1, on every tick. The meter polls: levels change far
// more often than the meter draws, so nothing is signalled.
//
// `TrackLevel` reads one track of the application model's running recorder (0 while nothing
// records or the track has no level yet); `FixedLevel` holds one value, for views drawn at a
// chosen level. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QString>

namespace kelv::app {

class AppModel;

class LevelSource : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("A level source is a TrackLevel or a FixedLevel")

 public:
  using QObject::QObject;
  // The current level, clamped to 0…1.
  virtual float level() const = 0;
};

class TrackLevel : public LevelSource {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* model READ model WRITE setModel NOTIFY modelChanged)
  // "mic" or "system".
  Q_PROPERTY(QString track READ track WRITE setTrack NOTIFY trackChanged)

 public:
  using LevelSource::LevelSource;

  float level() const override;

  QObject* model() const;
  void setModel(QObject* model);
  QString track() const { return track_; }
  void setTrack(const QString& track);

 signals:
  void modelChanged();
  void trackChanged();

 private:
  QPointer<AppModel> model_;
  QString track_ = QStringLiteral("mic");
};

class FixedLevel : public LevelSource {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(qreal value READ value WRITE setValue NOTIFY valueChanged)

 public:
  using LevelSource::LevelSource;

  float level() const override;

  qreal value() const { return value_; }
  void setValue(qreal value);

 signals:
  void valueChanged();

 private:
  qreal value_ = 0;
};

}  // namespace kelv::app
