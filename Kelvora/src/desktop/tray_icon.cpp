#include "desktop/tray_icon.h"

#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace kelv::app {

namespace {

constexpr double kGridWidth = 18;
constexpr double kGridHeight = 16;

}  // namespace

QImage TrayIcon::draw(bool recording, const QColor& color, int pixels) {
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // The 18 × 16 grid scaled to the square by its width, centred vertically, and moved by whole
  // pixels only, so the rings land on the same pixel edges at every size.
  const double scale = pixels / kGridWidth;
  painter.translate(0, std::round((pixels - kGridHeight * scale) / 2));
  painter.scale(scale, scale);

  QPen pen(color, 1.5);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QRectF(2.25, 1.25, 13.5, 13.5));
  if (recording) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(5.5, 4.5, 7, 7));
  } else {
    painter.drawEllipse(QRectF(6.25, 5.25, 5.5, 5.5));
  }
  return image;
}

QIcon TrayIcon::icon(bool recording, const QColor& color) {
  QIcon icon;
  // Drawn at each size rather than scaled, so small trays get crisp rings too.
  for (const int size : kSizes) icon.addPixmap(QPixmap::fromImage(draw(recording, color, size)));
  for (const int size : kLargeSizes)
    icon.addPixmap(QPixmap::fromImage(draw(recording, color, size)));
  return icon;
}

}  // namespace kelv::app
