#include "kelv/capture/call_watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "kelv/core/util/system_info.h"
#include "pulse_server.h"

namespace kelv::capture {
namespace {

using namespace std::chrono_literals;

class Events {
 public:
  void add(const core::CallEvent& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  // Waits until `count` events arrived or the timeout passed; returns what arrived.
  std::vector<core::CallEvent> waitFor(size_t count, std::chrono::seconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<core::CallEvent> events_;
};

TEST(CallWatcher, SeesACallOfAKnownApplicationStartAndEnd) {
  test::PulseServer server;
  test::writeToneWav(server.folder() / "call.wav", 300, 60);
  std::atomic<double> skipped{0};
  Events events;
  CallWatcher watcher([&](const core::CallEvent& event) { events.add(event); },
                      [&] { return core::systemUptime() + skipped.load(); });
  watcher.start();

  const std::vector<std::string> zoom = {"--property=application.process.binary=zoom",
                                         "--property=application.name=Zoom",
                                         "--property=application.process.id=424242"};
  auto with = [&](std::vector<std::string> argv) {
    argv.insert(argv.begin() + 1, zoom.begin(), zoom.end());
    return argv;
  };
  auto recording =
      server.spawn(with({"parecord", "--device=fakemic", (server.folder() / "out.wav").string()}));
  auto playing = server.spawn(with({"paplay", (server.folder() / "call.wav").string()}));
  const double began = core::systemUptime();

  auto seen = events.waitFor(1, 15s);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], core::CallEvent::started(*core::CallApp::named("us.zoom.xos")));
  EXPECT_GE(core::systemUptime() - began, 5.0);

  // The speakers alone keep nothing alive; 20 s without the microphone ends the call.
  recording->stop();
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(events.waitFor(2, 0s).size(), 1u);
  skipped = 20;
  seen = events.waitFor(2, 10s);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], core::CallEvent::ended(*core::CallApp::named("us.zoom.xos")));
  watcher.stop();
}

TEST(CallWatcher, MicrophoneWithoutSpeakersOrCameraIsNoCall) {
  test::PulseServer server;
  Events events;
  std::atomic<double> skipped{0};
  CallWatcher watcher([&](const core::CallEvent& event) { events.add(event); },
                      [&] { return core::systemUptime() + skipped.load(); });
  auto recording = server.spawn({"parecord", "--property=application.process.binary=firefox",
                                 "--device=fakemic", (server.folder() / "out.wav").string()});
  // Input alone never looks like a call: the watcher keeps sampling but reports nothing.
  watcher.start();
  std::this_thread::sleep_for(1s);
  skipped = 30;
  std::this_thread::sleep_for(2500ms);
  EXPECT_TRUE(events.waitFor(1, 0s).empty());
  watcher.stop();
  watcher.stop();
  recording->stop();
}

}  // namespace
}  // namespace kelv::capture
