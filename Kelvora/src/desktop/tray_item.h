// The application's tray item and its pop-over. The icon (StatusNotifierItem where a host
// runs, XEmbed otherwise) shows whether a recording runs, in the colour of the appearance; its
// tooltip and accessible name say the same in words. Activating it (a left click) opens or
// closes the pop-over; its context menu repeats the start/stop entry and the three rows. Where
// no tray exists at all, the pop-over's content opens as a small ordinary window instead, so
// the program is never out of reach.
//
// Main thread only; the engine and the shell must outlive the item.
#pragma once

#include <QElapsedTimer>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSystemTrayIcon>

#include <memory>

#include "view_models/menu_model.h"

namespace kelv::app {

class AppModel;
class WindowShell;

class TrayItem : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Tizara";
  static constexpr const char* kRecordingTitle = "Tizara, grabando";

  TrayItem(AppModel& model, WindowShell& shell, QQmlEngine& engine, QObject* parent = nullptr);
  ~TrayItem() override;

  // Shows the item (or, without a tray, the standalone window) and runs the shell's
  // first-appearance step.
  void show();

  // "Tizara, grabando" while recording, "Tizara" otherwise.
  QString title() const;
  QSystemTrayIcon& icon() { return icon_; }
  QMenu& contextMenu() { return contextMenu_; }
  MenuModel& menu() { return menu_; }
  // The pop-over's window once made, else nullptr.
  QQuickWindow* popover() const { return popover_.data(); }
  bool standalone() const { return standalone_; }

  void togglePopover();
  void openPopover();
  void closePopover();

 private:
  void refresh();
  void makePopover(bool standalone);
  void place(QQuickWindow& window) const;

  AppModel& model_;
  WindowShell& shell_;
  QQmlEngine& engine_;
  MenuModel menu_;
  QSystemTrayIcon icon_;
  QMenu contextMenu_;
  QAction* startStop_ = nullptr;
  QPointer<QQuickWindow> popover_;
  // When the pop-over last closed: a click on the icon takes the focus from the pop-over
  // before it arrives, and must close it rather than open it again.
  QElapsedTimer closedAt_;
  bool standalone_ = false;
};

}  // namespace kelv::app
