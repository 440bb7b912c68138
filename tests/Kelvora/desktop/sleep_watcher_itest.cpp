#include "desktop/sleep_watcher.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "fake_logind.h"

namespace kelv::app {
namespace {

using kelv::test::FakeLogind;

constexpr int kWaitMs = 5000;

struct Order {
  const char* name;
  bool logindFirst;
};

void PrintTo(const Order& order, std::ostream* out) { *out << order.name; }

class SleepWatcherOrder : public ::testing::TestWithParam<Order> {};

// logind is normally there before the application, but it can also (re)appear later.
TEST_P(SleepWatcherOrder, ReportsSleepAndWakeInOrder) {
  std::optional<FakeLogind> logind;
  if (GetParam().logindFirst) logind.emplace();
  SleepWatcher watcher;
  ASSERT_TRUE(watcher.start());
  if (!GetParam().logindFirst) logind.emplace();

  int step = 0;
  std::vector<std::pair<const char*, int>> seen;
  QObject::connect(&watcher, &SleepWatcher::aboutToSleep,
                   [&] { seen.emplace_back("sleep", ++step); });
  QObject::connect(&watcher, &SleepWatcher::wokeUp, [&] { seen.emplace_back("wake", ++step); });
  QSignalSpy woke(&watcher, &SleepWatcher::wokeUp);

  logind->emitPrepareForSleep(true);
  logind->emitPrepareForSleep(false);
  ASSERT_TRUE(woke.count() > 0 || woke.wait(kWaitMs));

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_STREQ(seen[0].first, "sleep");
  EXPECT_STREQ(seen[1].first, "wake");
}

INSTANTIATE_TEST_SUITE_P(Startup, SleepWatcherOrder,
                         ::testing::Values(Order{"LogindFirst", true}, Order{"LogindLater", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SleepWatcher, IgnoresASenderThatDoesNotOwnLogindsName) {
  FakeLogind logind;
  FakeLogind impostor(/*ownName=*/false);
  SleepWatcher watcher;
  ASSERT_TRUE(watcher.start());
  QSignalSpy slept(&watcher, &SleepWatcher::aboutToSleep);
  QSignalSpy woke(&watcher, &SleepWatcher::wokeUp);

  impostor.emitPrepareForSleep(true);
  impostor.emitPrepareForSleep(false);
  // The real signal comes after the impostor's were routed; once it is here, theirs would be.
  logind.emitPrepareForSleep(true);
  ASSERT_TRUE(slept.count() > 0 || slept.wait(kWaitMs));

  EXPECT_EQ(slept.count(), 1);
  EXPECT_EQ(woke.count(), 0);
}

TEST(SleepWatcher, StartingTwiceReportsEachSignalOnce) {
  FakeLogind logind;
  SleepWatcher watcher;
  ASSERT_TRUE(watcher.start());
  ASSERT_TRUE(watcher.start());
  QSignalSpy slept(&watcher, &SleepWatcher::aboutToSleep);
  QSignalSpy woke(&watcher, &SleepWatcher::wokeUp);

  logind.emitPrepareForSleep(true);
  logind.emitPrepareForSleep(false);
  ASSERT_TRUE(woke.count() > 0 || woke.wait(kWaitMs));

  EXPECT_EQ(slept.count(), 1);
  EXPECT_EQ(woke.count(), 1);
}

}  // namespace
}  // namespace kelv::app
