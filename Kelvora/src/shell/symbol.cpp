#include "shell/symbol.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QQuickWindow>
#include <QStandardPaths>

#include <cmath>
#include <utility>

namespace kelv::app {

namespace {

// Symbol names used by the views and the freedesktop icons that draw them.
constexpr std::pair<const char*, const char*> kIcons[] = {
    {"exclamationmark.triangle.fill", "dialog-warning-symbolic"},
    {"macwindow", "focus-windows-symbolic"},
    {"gearshape", "emblem-system-symbolic"},
    {"power", "system-shutdown-symbolic"},
    {"circle.dotted.circle", "emblem-synchronizing-symbolic"},
    {"bolt.horizontal.circle", "process-stop-symbolic"},
    {"doc.on.doc", "edit-copy-symbolic"},
    {"checkmark", "object-select-symbolic"},
    {"checkmark.circle.fill", "emblem-ok-symbolic"},
    {"checkmark.square.fill", "checkbox-checked-symbolic"},
    {"arrow.down.circle", "folder-download-symbolic"},
    {"square.and.pencil", "document-edit-symbolic"},
    {"folder", "folder-symbolic"},
    {"ellipsis", "view-more-horizontal-symbolic"},
    {"arrow.down.to.line", "go-bottom-symbolic"},
    {"sparkles", "starred-symbolic"},
    {"chevron.down", "pan-down-symbolic"},
    {"slider.horizontal.3", "preferences-system-symbolic"},
    {"play.fill", "media-playback-start-symbolic"},
    {"pause.fill", "media-playback-pause-symbolic"},
    {"gobackward.10", "media-seek-backward-symbolic"},
    {"goforward.10", "media-seek-forward-symbolic"},
};

void useFallbackTheme() {
  static const bool done = [] {
    // Platforms without a desktop theme (the offscreen one of the tests and snapshots) search
    // no system folders at all, so the XDG icon folders are added.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory))
      if (!paths.contains(folder)) paths << folder;
    QIcon::setThemeSearchPaths(paths);
    // Desktops without a theme of their own (and the tests) draw Adwaita's symbols.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
      QIcon::setThemeName(QStringLiteral("Adwaita"));
    return true;
  }();
  (void)done;
}

}  // namespace

Symbol::Symbol(QQuickItem* parent) : QQuickPaintedItem(parent) {
  setImplicitSize(16, 16);
  setAntialiasing(true);
}

QString Symbol::iconName(const QString& name) {
  for (const auto& [symbol, icon] : kIcons)
    if (name == QLatin1String(symbol)) return QString::fromLatin1(icon);
  return {};
}

void Symbol::setName(const QString& name) {
  if (name == name_) return;
  name_ = name;
  emit nameChanged();
  update();
}

void Symbol::setColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  emit colorChanged();
  update();
}

void Symbol::paint(QPainter* painter) {
  const QString icon = iconName(name_);
  if (icon.isEmpty()) return;
  useFallbackTheme();
  const qreal ratio = window() != nullptr ? window()->effectiveDevicePixelRatio() : 1.0;
  const int side = static_cast<int>(std::ceil(std::min(width(), height()) * ratio));
  if (side <= 0) return;
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter tint(&image);
    QIcon::fromTheme(icon).paint(&tint, QRect(0, 0, side, side));
    // Keep the icon's shape, take our colour.
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), color_);
  }
  image.setDevicePixelRatio(ratio);
  const qreal drawn = side / ratio;
  painter->drawImage(QPointF((width() - drawn) / 2, (height() - drawn) / 2), image);
}

}  // namespace kelv::app
