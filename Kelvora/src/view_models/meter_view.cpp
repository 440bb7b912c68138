#include "view_models/meter_view.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>

#include <algorithm>
#include <cmath>

#include "shell/theme.h"

namespace kelv::app {

namespace {

// Segment i's rectangle in an item of this size, or an empty one when there is no room.
QRectF segmentRect(int index, const QSizeF& size) {
  const double width =
      (size.width() - (MeterView::kSegments - 1) * MeterView::kGap) / MeterView::kSegments;
  if (width <= 0 || size.height() <= 0) return {};
  return {index * (width + MeterView::kGap), 0, width, size.height()};
}

// The 24 rounded segments drawn once, each in the colour `colorOf(index)` gives.
template <typename ColorOf>
QImage segments(const QSizeF& size, qreal ratio, ColorOf colorOf) {
  const QSize pixels(std::max(1, static_cast<int>(std::ceil(size.width() * ratio))),
                     std::max(1, static_cast<int>(std::ceil(size.height() * ratio))));
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(ratio, ratio);
  painter.setPen(Qt::NoPen);
  for (int index = 0; index < MeterView::kSegments; ++index) {
    const QRectF rect = segmentRect(index, size);
    if (rect.isEmpty()) break;
    painter.setBrush(colorOf(index));
    const double radius = std::min({MeterView::kCornerRadius, rect.width() / 2, rect.height() / 2});
    painter.drawRoundedRect(rect, radius, radius);
  }
  return image;
}

// The unlit track under the lit segments, which show up to the clip's edge.
struct MeterNode : QSGNode {
  QSGImageNode* track = nullptr;
  QSGImageNode* lit = nullptr;
  QSizeF litSize;  // the lit picture's size in item units
  qreal ratio = 1;
};

}  // namespace

MeterView::MeterView(QQuickItem* parent) : QQuickItem(parent) {
  setFlag(ItemHasContents);
  timer_.setInterval(kTickMs);
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, &MeterView::tick);
  refreshColors();
  connect(&Theme::shared(), &Theme::appearanceChanged, this, [this] {
    refreshColors();
    update();
  });
}

MeterView::~MeterView() = default;

void MeterView::refreshColors() {
  // Read here, on the interface thread; the render thread only reads these copies.
  const Theme& theme = Theme::shared();
  raised_ = theme.raised();
  accent_ = theme.accent();
  attention_ = theme.attention();
  colorsDirty_ = true;
}

int MeterView::segmentsLit(float level) {
  const float clamped = std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
  return static_cast<int>(std::lround(std::sqrt(static_cast<double>(clamped)) * kSegments));
}

void MeterView::setSource(LevelSource* source) {
  if (source == source_.data()) return;
  source_ = source;
  emit sourceChanged();
  tick();
}

void MeterView::setRunning(bool running) {
  if (running == running_) return;
  running_ = running;
  emit runningChanged();
  reconsiderTimer();
}

void MeterView::tick() {
  const int lit = segmentsLit(source_.isNull() ? 0.0f : source_->level());
  if (lit != lit_) {
    lit_ = lit;
    emit litSegmentsChanged();
    update();
  }
  emit ticked();
}

bool MeterView::windowCanBeSeen() const {
  if (window_.isNull() || !isVisible()) return false;
  const QWindow::Visibility visibility = window_->visibility();
  return window_->isExposed() && window_->isActive() && visibility != QWindow::Hidden &&
         visibility != QWindow::Minimized;
}

void MeterView::reconsiderTimer() {
  const bool wasTicking = timer_.isActive();
  timer_.stop();
  if (running_ && windowCanBeSeen()) {
    tick();
    timer_.start();
  }
  if (timer_.isActive() != wasTicking) emit tickingChanged();
}

void MeterView::watch(QQuickWindow* window) {
  if (window == window_.data()) return;
  if (!window_.isNull()) window_->removeEventFilter(this);
  disconnect(activeConnection_);
  disconnect(visibilityConnection_);
  window_ = window;
  if (window != nullptr) {
    // Exposure has no signal of its own; the window's expose events tell when it is covered.
    window->installEventFilter(this);
    activeConnection_ = connect(window, &QWindow::activeChanged, this, &MeterView::reconsiderTimer);
    visibilityConnection_ =
        connect(window, &QWindow::visibilityChanged, this, &MeterView::reconsiderTimer);
  }
  reconsiderTimer();
}

bool MeterView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.data() && (event->type() == QEvent::Expose ||
                                    event->type() == QEvent::Hide || event->type() == QEvent::Show))
    QMetaObject::invokeMethod(this, &MeterView::reconsiderTimer, Qt::QueuedConnection);
  return QQuickItem::eventFilter(watched, event);
}

void MeterView::itemChange(ItemChange change, const ItemChangeData& value) {
  if (change == ItemSceneChange) watch(value.window);
  if (change == ItemVisibleHasChanged) reconsiderTimer();
  QQuickItem::itemChange(change, value);
}

void MeterView::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
  if (newGeometry.size() != oldGeometry.size()) {
    geometryDirty_ = true;
    update();
  }
  QQuickItem::geometryChange(newGeometry, oldGeometry);
}

QSGNode* MeterView::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
  QQuickWindow* host = window();
  const QSizeF size = this->size();
  if (host == nullptr || size.isEmpty()) {
    delete old;
    return nullptr;
  }
  auto* node = static_cast<MeterNode*>(old);
  if (node == nullptr) {
    node = new MeterNode;
    node->track = host->createImageNode();
    node->track->setOwnsTexture(true);
    node->lit = host->createImageNode();
    node->lit->setOwnsTexture(true);
    node->appendChildNode(node->track);
    node->appendChildNode(node->lit);
    geometryDirty_ = colorsDirty_ = true;
  }

  // Built once per size and appearance: the two pictures of all 24 segments.
  const qreal ratio = host->effectiveDevicePixelRatio();
  if (geometryDirty_ || colorsDirty_ || ratio != node->ratio) {
    const QColor raised = raised_, accent = accent_, attention = attention_;
    node->track->setTexture(
        host->createTextureFromImage(segments(size, ratio, [&](int) { return raised; })));
    node->lit->setTexture(host->createTextureFromImage(segments(size, ratio, [&](int index) {
      return index >= kSegments - kAttentionSegments ? attention : accent;
    })));
    node->track->setRect(QRectF(QPointF(0, 0), size));
    node->track->setSourceRect(QRectF(QPointF(0, 0), node->track->texture()->textureSize()));
    node->litSize = size;
    node->ratio = ratio;
    geometryDirty_ = colorsDirty_ = false;
  }

  // The tick's whole effect: the lit picture shows up to (width + 2) / 24 × lit.
  const qreal edge = std::min(size.width(), (size.width() + kGap) / kSegments * lit_);
  node->lit->setRect(QRectF(0, 0, edge, size.height()));
  node->lit->setSourceRect(QRectF(0, 0, edge * ratio, size.height() * ratio));
  return node;
}

}  // namespace kelv::app
