#include "meter_view.h"

#include <QQuickWindow>
#include <QSGClipNode>
#include <QSGFlatColorMaterial>
#include <QSGGeometryNode>
#include <QSGVertexColorMaterial>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "theme.h"

namespace kelv::app {

namespace {

// Points on each rounded corner, ends included.
constexpr int kCornerSteps = 4;
constexpr int kOutlinePoints = 4 * (kCornerSteps + 1);
constexpr int kSegmentVertices = kOutlinePoints * 3;

// The outline of a rounded rectangle, counter-clockwise from the top-right corner.
std::vector<QPointF> roundedOutline(const QRectF& rect, double radius) {
  std::vector<QPointF> points;
  points.reserve(kOutlinePoints);
  const QPointF centres[4] = {{rect.right() - radius, rect.top() + radius},
                              {rect.left() + radius, rect.top() + radius},
                              {rect.left() + radius, rect.bottom() - radius},
                              {rect.right() - radius, rect.bottom() - radius}};
  for (int corner = 0; corner < 4; ++corner) {
    for (int step = 0; step <= kCornerSteps; ++step) {
      const double angle = (corner * 90.0 + step * 90.0 / kCornerSteps) * std::numbers::pi / 180;
      points.emplace_back(centres[corner].x() + radius * std::cos(angle),
                          centres[corner].y() - radius * std::sin(angle));
    }
  }
  return points;
}

// Segment i's rectangle in an item of this size, or an empty one when there is no room.
QRectF segmentRect(int index, const QSizeF& size) {
  const double width = (size.width() - (MeterView::kSegments - 1) * MeterView::kGap) /
                       MeterView::kSegments;
  if (width <= 0 || size.height() <= 0) return {};
  return {index * (width + MeterView::kGap), 0, width, size.height()};
}

// Calls `vertex(point, segment)` for every vertex of the segments' triangles.
template <typename Vertex>
void tessellate(const QSizeF& size, Vertex vertex) {
  for (int index = 0; index < MeterView::kSegments; ++index) {
    const QRectF rect = segmentRect(index, size);
    const double radius =
        std::min({MeterView::kCornerRadius, rect.width() / 2, rect.height() / 2});
    const std::vector<QPointF> outline = roundedOutline(rect, radius);
    for (int point = 0; point < kOutlinePoints; ++point) {
      vertex(rect.center(), index);
      vertex(outline[point], index);
      vertex(outline[(point + 1) % kOutlinePoints], index);
    }
  }
}

struct MeterNode : QSGNode {
  QSGGeometryNode* track = nullptr;
  QSGClipNode* clip = nullptr;
  QSGGeometryNode* lit = nullptr;
};

QSGGeometryNode* geometryNode(QSGGeometry* geometry, QSGMaterial* material) {
  auto* node = new QSGGeometryNode;
  node->setGeometry(geometry);
  node->setFlag(QSGNode::OwnsGeometry);
  node->setMaterial(material);
  node->setFlag(QSGNode::OwnsMaterial);
  return node;
}

QSGGeometry::ColoredPoint2D colored(const QPointF& point, const QColor& color) {
  QSGGeometry::ColoredPoint2D vertex;
  vertex.set(static_cast<float>(point.x()), static_cast<float>(point.y()),
             static_cast<uchar>(color.red()), static_cast<uchar>(color.green()),
             static_cast<uchar>(color.blue()), static_cast<uchar>(color.alpha()));
  return vertex;
}

}  // namespace

MeterView::MeterView(QQuickItem* parent) : QQuickItem(parent) {
  setFlag(ItemHasContents);
  timer_.setInterval(kTickMs);
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, &MeterView::tick);
  connect(&Theme::shared(), &Theme::appearanceChanged, this, [this] {
    colorsDirty_ = true;
    update();
  });
}

MeterView::~MeterView() = default;

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
    activeConnection_ =
        connect(window, &QWindow::activeChanged, this, &MeterView::reconsiderTimer);
    visibilityConnection_ =
        connect(window, &QWindow::visibilityChanged, this, &MeterView::reconsiderTimer);
  }
  reconsiderTimer();
}

bool MeterView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.data() &&
      (event->type() == QEvent::Expose || event->type() == QEvent::Hide ||
       event->type() == QEvent::Show))
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
  auto* node = static_cast<MeterNode*>(old);
  if (node == nullptr) {
    node = new MeterNode;
    node->track = geometryNode(new QSGGeometry(QSGGeometry::defaultAttributes_Point2D(), 0),
                               new QSGFlatColorMaterial);
    node->lit = geometryNode(
        new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0),
        new QSGVertexColorMaterial);
    node->clip = new QSGClipNode;
    node->clip->setIsRectangular(true);
    auto* clipShape = new QSGGeometry(QSGGeometry::defaultAttributes_Point2D(), 4);
    clipShape->setDrawingMode(QSGGeometry::DrawTriangleStrip);
    node->clip->setGeometry(clipShape);
    node->clip->setFlag(QSGNode::OwnsGeometry);
    node->appendChildNode(node->track);
    node->appendChildNode(node->clip);
    node->clip->appendChildNode(node->lit);
    geometryDirty_ = colorsDirty_ = true;
  }

  const QSizeF size = this->size();
  const Theme& theme = Theme::shared();
  if (geometryDirty_ || colorsDirty_) {
    const bool room = segmentRect(0, size).isValid();
    const int vertices = room ? kSegments * kSegmentVertices : 0;

    QSGGeometry* track = node->track->geometry();
    track->allocate(vertices);
    track->setDrawingMode(QSGGeometry::DrawTriangles);
    auto* trackPoints = track->vertexDataAsPoint2D();
    QSGGeometry* lit = node->lit->geometry();
    lit->allocate(vertices);
    lit->setDrawingMode(QSGGeometry::DrawTriangles);
    auto* litPoints = lit->vertexDataAsColoredPoint2D();
    const QColor accent = theme.accent();
    const QColor attention = theme.attention();
    int written = 0;
    if (room) {
      tessellate(size, [&](const QPointF& point, int segment) {
        trackPoints[written].set(static_cast<float>(point.x()), static_cast<float>(point.y()));
        litPoints[written] = colored(
            point, segment >= kSegments - kAttentionSegments ? attention : accent);
        ++written;
      });
    }
    static_cast<QSGFlatColorMaterial*>(node->track->material())->setColor(theme.raised());
    node->track->markDirty(QSGNode::DirtyGeometry | QSGNode::DirtyMaterial);
    node->lit->markDirty(QSGNode::DirtyGeometry);
    geometryDirty_ = colorsDirty_ = false;
  }

  // The tick's whole effect: the clip's right edge at (width + 2) / 24 × lit.
  const QRectF clip(0, 0, (size.width() + kGap) / kSegments * lit_, size.height());
  if (node->clip->clipRect() != clip) {
    node->clip->setClipRect(clip);
    QSGGeometry::updateRectGeometry(node->clip->geometry(), clip);
    node->clip->markDirty(QSGNode::DirtyGeometry);
  }
  return node;
}

}  // namespace kelv::app
