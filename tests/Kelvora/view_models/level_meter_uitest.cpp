// The level meter and the processing bar, drawn by the real items: lit segments for a level,
// their colours on screen, ticking that follows `running` and the window, and the bar's sweep.
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shell/theme.h"
#include "view_harness.h"
#include "view_models/meter_view.h"

namespace kelv::test {
namespace {

using app::MeterView;
using app::Theme;

TEST(MeterSegments, LitSegmentsAreTheRoundedSquareRootOfTheLevelTimes24) {
  const struct {
    float level;
    int lit;
  } cases[] = {{0.0f, 0},
               {0.25f, 12},
               {1.0f, 24},
               {0.0625f, 6},
               // √level × 24 = 0.5 rounds away from zero; just under it stays dark.
               {0.25f / 576.0f, 1},
               {0.24f / 576.0f, 0},
               {-0.5f, 0},
               {1.5f, 24},
               {std::numeric_limits<float>::quiet_NaN(), 0},
               {std::numeric_limits<float>::infinity(), 0}};
  for (const auto& [level, lit] : cases) {
    SCOPED_TRACE(level);
    EXPECT_EQ(MeterView::segmentsLit(level), lit);
  }
}

class MeterViews : public ::testing::Test {
 protected:
  void SetUp() override { Theme::shared().force(app::Appearance::light); }

  // A meter 8 high and 286 wide (segments 10 wide on a 12 pitch) at a fixed level, in an
  // active window.
  static MeterView* load(ViewHarness& views, double level, bool running) {
    QQuickItem* root = views.loadText(
        "Item { property alias level: source.value\n"
        "  FixedLevel { id: source; value: " +
            QByteArray::number(level) +
            " }\n"
            "  MeterView { objectName: 'meter'; x: 10; y: 10; width: 286; height: 8;"
            " source: source; running: " +
            (running ? "true" : "false") + " } }",
        {}, {320, 40});
    if (root == nullptr) return nullptr;
    views.window().requestActivate();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&views.window()));
    return qobject_cast<MeterView*>(views.find("meter"));
  }

  // The colour drawn in the middle of segment `index`.
  static QColor segment(ViewHarness& views, MeterView* meter, int index) {
    return views.pixel(meter, QPointF(index * 12 + 5, 4));
  }
};

TEST_F(MeterViews, LevelsLightTheirSegmentsWithTheLastThreeInAttention) {
  const QColor raised = Theme::shared().raised();
  const QColor accent = Theme::shared().accent();
  const QColor attention = Theme::shared().attention();
  const struct {
    double level;
    int lit;
  } cases[] = {{0.25, 12}, {1.0, 24}, {0.0, 0}};
  for (const auto& [level, lit] : cases) {
    SCOPED_TRACE(level);
    ViewHarness views;
    MeterView* meter = load(views, level, false);
    ASSERT_NE(meter, nullptr);
    views.settle();
    EXPECT_EQ(meter->litSegments(), lit);
    for (int index = 0; index < MeterView::kSegments; ++index) {
      SCOPED_TRACE(index);
      const QColor expected = index >= lit ? raised : index >= 21 ? attention : accent;
      EXPECT_EQ(segment(views, meter, index).rgb(), expected.rgb());
    }
    // The gaps show what lies under the meter.
    EXPECT_EQ(views.pixel(meter, QPointF(11, 4)).rgb(), QColor(Qt::white).rgb());
  }
}

TEST_F(MeterViews, ATickFollowsTheLevelAndRedraws) {
  ViewHarness views;
  MeterView* meter = load(views, 0.0, false);
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(meter->litSegments(), 0);
  views.root()->setProperty("level", 0.25);
  // Nothing moves until the next tick.
  EXPECT_EQ(meter->litSegments(), 0);
  meter->tick();
  views.settle();
  EXPECT_EQ(meter->litSegments(), 12);
  EXPECT_EQ(segment(views, meter, 11).rgb(), Theme::shared().accent().rgb());
  EXPECT_EQ(segment(views, meter, 12).rgb(), Theme::shared().raised().rgb());
}

TEST_F(MeterViews, TicksRunOnlyWhileRunningInAVisibleActiveWindow) {
  ViewHarness views;
  MeterView* meter = load(views, 0.5, true);
  ASSERT_NE(meter, nullptr);
  QSignalSpy ticks(meter, &MeterView::ticked);
  ASSERT_TRUE(views.waitUntil([&] { return ticks.count() >= 3; }));
  EXPECT_TRUE(meter->ticking());

  // Hidden: the timer stops, and no tick arrives while it stays hidden.
  views.window().hide();
  ASSERT_TRUE(views.waitUntil([&] { return !meter->ticking(); }));
  ticks.clear();
  QTest::qWait(400);
  EXPECT_EQ(ticks.count(), 0);

  // Shown and active again: it resumes.
  views.window().show();
  views.window().requestActivate();
  ASSERT_TRUE(views.waitUntil([&] { return ticks.count() >= 2; }));

  // Not running: stopped, though the window still shows it.
  meter->setRunning(false);
  EXPECT_FALSE(meter->ticking());
  ticks.clear();
  QTest::qWait(400);
  EXPECT_EQ(ticks.count(), 0);
}

TEST_F(MeterViews, AMeterLeavingItsWindowStopsTicking) {
  ViewHarness views;
  MeterView* meter = load(views, 0.5, true);
  ASSERT_NE(meter, nullptr);
  ASSERT_TRUE(views.waitUntil([&] { return meter->ticking(); }));
  meter->setParentItem(nullptr);
  EXPECT_FALSE(meter->ticking());
}

TEST(ProcessingBarView, TheBlockSweepsOnlyWhileRunning) {
  ViewHarness views;
  QQuickItem* bar = views.load("ProcessingBar", {{"running", false}}, {200, 3});
  ASSERT_NE(bar, nullptr);
  bar->setWidth(200);
  QQuickItem* block = views.find("processingBlock");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->width(), 0);
  EXPECT_DOUBLE_EQ(block->opacity(), 0.35);

  bar->setProperty("running", true);
  EXPECT_DOUBLE_EQ(block->width(), 70);
  EXPECT_DOUBLE_EQ(block->opacity(), 1.0);
  const qreal first = block->x();
  EXPECT_GE(first, -70);
  EXPECT_LE(first, 200);
  ASSERT_TRUE(views.waitUntil([&] { return block->x() != first; }));

  // Stopped: it stands still with no width.
  bar->setProperty("running", false);
  EXPECT_EQ(block->width(), 0);
  const qreal phase = bar->property("phase").toReal();
  QTest::qWait(200);
  EXPECT_EQ(bar->property("phase").toReal(), phase);
}

}  // namespace
}  // namespace kelv::test
