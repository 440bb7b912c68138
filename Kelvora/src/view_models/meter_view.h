// The bar of a level meter, drawn straight into the scene graph: 24 rounded segments with
// 2-wide gaps, the unlit ones in `raised` and the lit ones in `accent`, the last three in
// `attention`. Both rows of segments are pictures made once per size and appearance; a tick
// only moves the edge up to which the lit picture shows, so a running meter costs one small
// redraw 15 times a second and no item or binding updates. Image nodes draw on every scene
// graph backend, the software one included.
//
// Ticks run only while `running` is set and the meter's window is exposed, shown and active;
// they stop as soon as the window is hidden, minimised, covered or no longer active, and when
// the meter leaves its window. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QColor>
#include <QPointer>
#include <QQuickItem>
#include <QTimer>

#include "view_models/level_source.h"

class QQuickWindow;

namespace kelv::app {

class MeterView : public QQuickItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(kelv::app::LevelSource* source READ source WRITE setSource NOTIFY sourceChanged)
  Q_PROPERTY(bool running READ running WRITE setRunning NOTIFY runningChanged)
  // Whether the tick timer runs now.
  Q_PROPERTY(bool ticking READ ticking NOTIFY tickingChanged)
  Q_PROPERTY(int litSegments READ litSegments NOTIFY litSegmentsChanged)

 public:
  static constexpr int kSegments = 24;
  static constexpr int kAttentionSegments = 3;
  static constexpr double kGap = 2;
  static constexpr double kCornerRadius = 1.5;
  static constexpr int kTickMs = 1000 / 15;

  explicit MeterView(QQuickItem* parent = nullptr);
  ~MeterView() override;

  // Lit segments for a level: √level × 24, rounded half away from zero.
  static int segmentsLit(float level);

  LevelSource* source() const { return source_; }
  void setSource(LevelSource* source);
  bool running() const { return running_; }
  void setRunning(bool running);
  bool ticking() const { return timer_.isActive(); }
  int litSegments() const { return lit_; }

  // Reads the level once and moves the lit edge (what the timer does).
  Q_INVOKABLE void tick();

 signals:
  void sourceChanged();
  void runningChanged();
  void tickingChanged();
  void litSegmentsChanged();
  // After every tick, lit or not.
  void ticked();

 protected:
  QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
  void itemChange(ItemChange change, const ItemChangeData& value) override;
  void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refreshColors();
  void watch(QQuickWindow* window);
  void reconsiderTimer();
  bool windowCanBeSeen() const;

  QPointer<LevelSource> source_;
  QPointer<QQuickWindow> window_;
  QMetaObject::Connection activeConnection_;
  QMetaObject::Connection visibilityConnection_;
  QTimer timer_;
  bool running_ = false;
  int lit_ = 0;
  bool geometryDirty_ = true;
  bool colorsDirty_ = true;
  QColor raised_, accent_, attention_;
};

}  // namespace kelv::app
