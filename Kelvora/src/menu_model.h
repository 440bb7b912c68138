// What the tray pop-over shows and does, read from the application model: the status line,
// the start/stop button's title, shortcut and hint, the low-disk text, the queue with each
// entry's state, and the elapsed time. The view lays these out and calls the actions; every
// rule about which text shows when lives here. Main thread only.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace kelv::app {

class AppModel;

class MenuModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the tray item")

  Q_PROPERTY(QObject* appModel READ appModelObject CONSTANT)
  // A recording with its start time: the header shows the recording view.
  Q_PROPERTY(bool recording READ recording NOTIFY changed)
  Q_PROPERTY(QDateTime startedAt READ startedAt NOTIFY changed)
  Q_PROPERTY(QString statusLine READ statusLine NOTIFY changed)
  Q_PROPERTY(QString buttonTitle READ buttonTitle NOTIFY changed)
  // The saved hotkey's label ("Ctrl+Alt+Super+R"), empty without one.
  Q_PROPERTY(QString shortcutLabel READ shortcutLabel NOTIFY changed)
  Q_PROPERTY(QString buttonHint READ buttonHint NOTIFY changed)
  Q_PROPERTY(bool lowDisk READ lowDisk NOTIFY changed)
  Q_PROPERTY(QString lowDiskText READ lowDiskText NOTIFY changed)
  // One map per waiting meeting: id, label, processing (bool) and state.
  Q_PROPERTY(QVariantList queue READ queue NOTIFY changed)
  // The ids of `queue`, joined: what the pop-over's transitions key on.
  Q_PROPERTY(QString queueKey READ queueKey NOTIFY changed)

 public:
  explicit MenuModel(AppModel& model, QObject* parent = nullptr);

  QObject* appModelObject() const;
  bool recording() const;
  QDateTime startedAt() const;
  QString statusLine() const;
  QString buttonTitle() const;
  QString shortcutLabel() const { return shortcut_; }
  QString buttonHint() const;
  bool lowDisk() const;
  QString lowDiskText() const;
  QVariantList queue() const;
  QString queueKey() const;

  // The elapsed time from `startedAt` to `now` in minutes and seconds ("4:07", "75:00").
  Q_INVOKABLE QString elapsedText(const QDateTime& now) const;
  static QString elapsedText(qint64 seconds);

  // Stops a recording; else records the latest call when calls are listed; else starts.
  Q_INVOKABLE void pressButton();
  Q_INVOKABLE void openMainWindow();
  Q_INVOKABLE void openSettings();
  // Ends the application through the same path as a termination signal.
  Q_INVOKABLE void quit();
  // Reads the saved hotkey again (it changes in the settings window).
  Q_INVOKABLE void refreshShortcut();

 signals:
  void changed();

 private:
  QPointer<AppModel> model_;
  QString shortcut_;
};

}  // namespace kelv::app
