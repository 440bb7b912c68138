#include "desktop/tray_item.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "controllers/app_model.h"
#include "desktop/tray_icon.h"
#include "shell/theme.h"
#include "shell/view_engine.h"
#include "shell/window_shell.h"

namespace kelv::app {

namespace {

// A click on the icon that arrives this soon after the pop-over lost the focus to it is the
// click that closed it.
constexpr qint64 kReopenGuardMs = 300;

}  // namespace

TrayItem::TrayItem(AppModel& model, WindowShell& shell, QQmlEngine& engine, QObject* parent)
    : QObject(parent), model_(model), shell_(shell), engine_(engine), menu_(model) {
  startStop_ = contextMenu_.addAction(QString());
  connect(startStop_, &QAction::triggered, &menu_, &MenuModel::pressButton);
  contextMenu_.addSeparator();
  const struct {
    const char* title;
    const char* keys;
    void (MenuModel::*action)();
  } rows[] = {{"Abrir Tizara", "Ctrl+O", &MenuModel::openMainWindow},
              {"Ajustes…", "Ctrl+,", &MenuModel::openSettings},
              {"Salir de Tizara", "Ctrl+Q", &MenuModel::quit}};
  for (const auto& row : rows) {
    QAction* action = contextMenu_.addAction(QString::fromUtf8(row.title));
    action->setShortcut(QKeySequence(QString::fromLatin1(row.keys)));
    action->setShortcutVisibleInContextMenu(true);
    connect(action, &QAction::triggered, &menu_, [this, action = row.action] {
      closePopover();
      (menu_.*action)();
    });
  }
  icon_.setContextMenu(&contextMenu_);
  connect(&contextMenu_, &QMenu::aboutToShow, &menu_, &MenuModel::refreshShortcut);
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger) togglePopover();
  });
  connect(&menu_, &MenuModel::changed, this, &TrayItem::refresh);
  connect(&Theme::shared(), &Theme::appearanceChanged, this, &TrayItem::refresh);
  refresh();
}

TrayItem::~TrayItem() { delete popover_.data(); }

QString TrayItem::title() const {
  return QString::fromUtf8(model_.isRecording() ? kRecordingTitle : kTitle);
}

void TrayItem::refresh() {
  const bool recording = model_.isRecording();
  icon_.setIcon(TrayIcon::icon(recording, Theme::shared().ink()));
  icon_.setToolTip(title());
  startStop_->setText(menu_.buttonTitle());
}

void TrayItem::show() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    icon_.show();
  } else {
    try {
      makePopover(true);
      popover_->show();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "kelvora: %s\n", error.what());
    }
  }
  shell_.firstShown();
}

void TrayItem::makePopover(bool standalone) {
  if (!popover_.isNull()) return;
  QQuickWindow* window = makeWindow(engine_, QStringLiteral("MenuWindow"),
                                    {{QStringLiteral("menu"), QVariant::fromValue(&menu_)},
                                     {QStringLiteral("standalone"), standalone}},
                                    QStringLiteral("popover"), "The menu can't be shown")
                             .release();
  standalone_ = standalone;
  connect(window, &QWindow::visibleChanged, this, [this](bool visible) {
    if (!visible) closedAt_.start();
  });
  popover_ = window;
}

void TrayItem::togglePopover() {
  if (!popover_.isNull() && popover_->isVisible()) {
    closePopover();
    return;
  }
  if (!standalone_ && closedAt_.isValid() && closedAt_.elapsed() < kReopenGuardMs) return;
  openPopover();
}

void TrayItem::openPopover() {
  try {
    makePopover(false);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kelvora: %s\n", error.what());
    return;
  }
  if (!standalone_) place(*popover_);
  popover_->show();
  popover_->raise();
  popover_->requestActivate();
}

void TrayItem::closePopover() {
  if (!popover_.isNull() && !standalone_) popover_->close();
}

void TrayItem::place(QQuickWindow& window) const {
  // Under the icon when the tray tells where it is, else at the pointer; always inside the
  // screen's free area.
  const QRect iconArea = icon_.geometry();
  const QPoint anchor = iconArea.isValid() ? iconArea.bottomLeft() : QCursor::pos();
  QScreen* screen = QGuiApplication::screenAt(anchor);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect free = screen->availableGeometry();
  const QSize size(static_cast<int>(window.width()), static_cast<int>(window.height()));
  QPoint at = anchor;
  if (iconArea.isValid() && at.y() + size.height() > free.bottom())
    at.setY(iconArea.top() - size.height());  // a tray at the bottom of the screen
  at.setX(std::clamp(at.x(), free.left(), std::max(free.left(), free.right() - size.width())));
  at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() - size.height())));
  window.setPosition(at);
}

}  // namespace kelv::app
