// The tray item's picture, drawn at run time: a ring with a smaller ring inside while idle, or
// a filled dot inside while recording, on an 18 × 16 grid, in one colour.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace kelv::app {

struct TrayIcon {
  // The pixel sizes the icon is drawn at; trays pick the nearest.
  static constexpr int kSizes[] = {16, 22, 24, 32};
  // Further sizes for trays on high-density screens.
  static constexpr int kLargeSizes[] = {44, 48, 64};

  // One square image of `pixels` per side.
  static QImage draw(bool recording, const QColor& color, int pixels);
  // Every size of kSizes and kLargeSizes.
  static QIcon icon(bool recording, const QColor& color);
};

}  // namespace kelv::app
