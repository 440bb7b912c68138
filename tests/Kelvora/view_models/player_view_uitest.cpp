// Listening back from the views, over a private sound server: the player bar's controls by
// click and by the accessibility tools' press, a turn's time playing the class from that
// moment, and the heard turn marked and followed as playback passes from turn to turn.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QMetaObject>
#include <QQuickItem>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "audio_files.h"
#include "kelv/core/audio/track_audio.h"
#include "pulse_server.h"
#include "shell/theme.h"
#include "temp_dir.h"
#include "view_harness.h"
#include "view_models/player.h"

namespace kelv::app {
namespace {

namespace fs = std::filesystem;

// Turns at 1, 3 and 5 s, each followed by enough text to push the next one off a small view.
std::string transcript() {
  std::string filler;
  for (int i = 0; i < 40; ++i) filler += "Texto de relleno que ocupa sitio en la vista. ";
  return "---\ntitle: \"Física\"\n---\n\n## Transcript\n\n"
         "[00:00:01] **Them:** Empezamos. " +
         filler +
         "\n\n"
         "[00:00:03] **You:** Una duda. " +
         filler +
         "\n\n"
         "[00:00:05] **Them:** Sigamos. " +
         filler + "\n";
}

enum class Press { click, accessible };

void press(test::ViewHarness& views, QQuickItem* item, Press how) {
  if (how == Press::click) {
    views.press(item);
    views.release(item);
    return;
  }
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(item);
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->actionInterface(), nullptr);
  accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

// The time label of the turn that shows `shortTime`.
QQuickItem* timeOf(test::ViewHarness& views, const QString& shortTime) {
  for (QQuickItem* time : views.findAll(QStringLiteral("turnTime")))
    if (time->property("text").toString() == shortTime) return time;
  return nullptr;
}

class PlayerViewTest : public testing::Test {
 protected:
  void SetUp() override {
    Theme::shared().force(Appearance::light);
    std::vector<int16_t> samples(8 * 16000);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * i / 16000.0));
    test::writeRawTrack(dir / "mic.pcm", samples);
    core::TrackAudio::compress(dir / "mic.pcm", dir / "mic.m4a");
    player.load({dir / "mic.m4a"});
    ASSERT_TRUE(views.waitUntil([&] { return player.state() == Player::Ready; }));
  }

  test::PulseServer server;
  test::TempDir dir;
  Player player;
  test::ViewHarness views;
};

TEST_F(PlayerViewTest, EveryControlDoesByAccessiblePressWhatAClickDoes) {
  ASSERT_NE(views.load(QStringLiteral("PlayerBar"),
                       {{QStringLiteral("player"), QVariant::fromValue(&player)}}, {640, 40}),
            nullptr);
  for (const Press how : {Press::click, Press::accessible}) {
    SCOPED_TRACE(how == Press::click ? "click" : "accessible press");
    player.seek(4);
    player.setSpeed(1.0);
    press(views, views.find(QStringLiteral("playerPlay")), how);
    EXPECT_EQ(player.state(), Player::Playing);
    press(views, views.find(QStringLiteral("playerPlay")), how);
    EXPECT_EQ(player.state(), Player::Ready);
    press(views, views.find(QStringLiteral("playerBack")), how);
    EXPECT_DOUBLE_EQ(player.position(), 0);  // not before the start
    press(views, views.find(QStringLiteral("playerForward")), how);
    EXPECT_DOUBLE_EQ(player.position(), std::min(10.0, player.duration()));
    press(views, views.find(QStringLiteral("playerSpeed")), how);
    EXPECT_DOUBLE_EQ(player.speed(), 1.25);
    EXPECT_EQ(views.find(QStringLiteral("playerSpeed"))->property("text").toString(),
              QStringLiteral("%1×").arg(QLocale().toString(1.25)));
  }
}

TEST_F(PlayerViewTest, PressingATurnsTimePlaysFromThatMoment) {
  for (const Press how : {Press::click, Press::accessible}) {
    SCOPED_TRACE(how == Press::click ? "click" : "accessible press");
    player.pause();
    player.seek(0);
    QQuickItem* view =
        views.load(QStringLiteral("MeetingFileView"),
                   {{QStringLiteral("markdown"), QString::fromStdString(transcript())},
                    {QStringLiteral("title"), QStringLiteral("Física")},
                    {QStringLiteral("player"), QVariant::fromValue(&player)}},
                   {600, 2400});
    ASSERT_NE(view, nullptr);
    QQuickItem* time = timeOf(views, QStringLiteral("00:03"));
    ASSERT_NE(time, nullptr);
    QQuickItem* target =
        how == Press::click ? time->findChild<QQuickItem*>("turnTimeButton") : time;
    ASSERT_NE(target, nullptr);
    press(views, target, how);
    EXPECT_EQ(player.state(), Player::Playing);
    QTest::qWait(300);
    EXPECT_NEAR(player.position(), 3.3, 0.15);
    EXPECT_EQ(view->property("heardRow").toInt(), 2);  // the header, then the turns
  }
}

TEST_F(PlayerViewTest, TheHeardTurnIsMarkedAndFollowedUnlessTheUserJustScrolled) {
  for (const bool scrolled : {false, true}) {
    SCOPED_TRACE(scrolled ? "scrolled a moment ago" : "left alone");
    player.pause();
    player.seek(0);
    QQuickItem* view =
        views.load(QStringLiteral("MeetingFileView"),
                   {{QStringLiteral("markdown"), QString::fromStdString(transcript())},
                    {QStringLiteral("title"), QStringLiteral("Física")},
                    {QStringLiteral("player"), QVariant::fromValue(&player)}},
                   {600, 300});
    ASSERT_NE(view, nullptr);
    player.playFrom(0.5);
    ASSERT_TRUE(views.waitUntil([&] { return view->property("heardRow").toInt() == 1; }));
    if (scrolled) QMetaObject::invokeMethod(view, "userScrolled");
    const double before = view->property("contentY").toDouble();
    // Following starts again a few seconds after the scroll, so only the next turn is asked.
    for (const int row : scrolled ? std::vector<int>{2} : std::vector<int>{2, 3}) {
      ASSERT_TRUE(views.waitUntil([&] { return view->property("heardRow").toInt() == row; }));
      views.settle();
      QQuickItem* time =
          timeOf(views, row == 2 ? QStringLiteral("00:03") : QStringLiteral("00:05"));
      if (scrolled) {
        EXPECT_DOUBLE_EQ(view->property("contentY").toDouble(), before);
        continue;
      }
      // In view, and marked alone.
      ASSERT_NE(time, nullptr);
      const QPointF top = time->mapToItem(view, QPointF(0, 0));
      EXPECT_GE(top.y(), 0);
      EXPECT_LE(top.y() + time->height(), view->height());
      int marked = 0;
      for (QQuickItem* mark : views.findAll(QStringLiteral("turnHeard")))
        marked += mark->isVisible();
      EXPECT_EQ(marked, 1);
      EXPECT_TRUE(time->findChild<QQuickItem*>("turnHeard")->isVisible());
    }
  }
}

}  // namespace
}  // namespace kelv::app
