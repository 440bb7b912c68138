// What the tray pop-over shows and does, read from the application model: the status line,
// the start/stop button's title, shortcut and hint, the low-disk text, the queue with each
// entry's state, and the elapsed time. The view lays these out and calls the actions; every
// rule about which text shows when lives here. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

#include "view_models/level_source.h"
#include "view_models/menu_queue_model.h"

namespace kelv::app {

class AppModel;

// What the pop-over is drawn from: the parts of the application model it reads.
struct MenuState {
  struct Waiting {
    QString id;
    QString label;
  };
  bool recording = false;  // a recorder runs
  QDateTime startedAt;     // invalid when none
  QStringList callNames;   // in order of arrival
  std::vector<Waiting> queue;
  QString processingID;                 // empty when none
  std::optional<int64_t> lowDiskSpace;  // free bytes
  QString shortcut;                     // the saved hotkey's label, empty without one
};

class MenuModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the tray item")
  Q_MOC_INCLUDE("controllers/app_model.h")

  Q_PROPERTY(kelv::app::AppModel* appModel READ appModel CONSTANT)
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
  // The waiting meetings, each with its state's word.
  Q_PROPERTY(kelv::app::MenuQueueModel* queue READ queue CONSTANT)
  // What the two meters read: the running recorder's tracks unless replaced.
  Q_PROPERTY(kelv::app::LevelSource* micLevel READ micLevel WRITE setMicLevel NOTIFY levelsChanged)
  Q_PROPERTY(kelv::app::LevelSource* systemLevel READ systemLevel WRITE setSystemLevel NOTIFY
                 levelsChanged)

 public:
  // Follows the application model and acts on it.
  explicit MenuModel(AppModel& model, QObject* parent = nullptr);
  // Shows a fixed state and acts on nothing (views drawn for review).
  explicit MenuModel(MenuState state, QObject* parent = nullptr);

  const MenuState& state() const { return state_; }

  AppModel* appModel() const;
  bool recording() const;
  QDateTime startedAt() const;
  QString statusLine() const;
  QString buttonTitle() const;
  QString shortcutLabel() const { return state_.shortcut; }
  QString buttonHint() const;
  bool lowDisk() const;
  QString lowDiskText() const;
  MenuQueueModel* queue() { return &queue_; }
  // The queue's rows for a state: only the meeting being processed reads "Procesando".
  static std::vector<MenuQueueModel::Row> queueRows(const MenuState& state);
  LevelSource* micLevel() const { return micLevel_; }
  void setMicLevel(LevelSource* source);
  LevelSource* systemLevel() const { return systemLevel_; }
  void setSystemLevel(LevelSource* source);

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
  void levelsChanged();

 private:
  void read();

  QPointer<AppModel> model_;
  MenuState state_;
  MenuQueueModel queue_;
  QPointer<LevelSource> micLevel_;
  QPointer<LevelSource> systemLevel_;
};

}  // namespace kelv::app
