// The API-key field's draft and when it is handed on. Typing changes only the draft; `save`
// hands on (`commit`) a draft that differs from the stored key and forgets it. The field saves
// on return, when it loses focus and when it or its window goes away; the draft saves itself
// kCommitPause after its last change. So the keyring is written once per pause in typing, and
// never for an unchanged key.
//
// Made by the field in QML; main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

namespace kelv::app {

class KeyDraft : public QObject {
  Q_OBJECT
  QML_ELEMENT
  // The stored key, as the settings give it.
  Q_PROPERTY(QString key READ key WRITE setKey NOTIFY keyChanged)
  Q_PROPERTY(bool pending READ pending NOTIFY pendingChanged)

 public:
  // How long typing must rest before the draft is handed on.
  static constexpr std::chrono::milliseconds kCommitPause{600};

  explicit KeyDraft(QObject* parent = nullptr);

  QString key() const { return key_; }
  void setKey(const QString& key);
  bool pending() const { return draft_.has_value(); }
  const std::optional<QString>& draft() const { return draft_; }
  // Whether the pause after the last change is running.
  bool waiting() const { return pause_.isActive(); }

  // The field's text was typed; the pause starts again.
  Q_INVOKABLE void edit(const QString& text);
  // Hands the draft on when it differs from the key, then forgets it.
  Q_INVOKABLE void save();

 signals:
  void keyChanged();
  void pendingChanged();
  // The stored key changed while nothing was typed: the field shows it.
  void keyShown(const QString& key);
  void commit(const QString& value);

 private:
  QString key_;
  std::optional<QString> draft_;
  QTimer pause_;
};

}  // namespace kelv::app
