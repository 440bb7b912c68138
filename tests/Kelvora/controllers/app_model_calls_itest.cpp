// The application model with the outside world's signals: call prompts for a real sound
// server's clients answered through a fake notification server, and logind's sleep signal on
// the tests' private system bus.
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>

#include "app_model_fixture.h"
#include "fake_logind.h"
#include "fake_notification_server.h"
#include "kelv/core/util/system_info.h"
#include "pulse_server.h"
#include "shell/app_delegate.h"

namespace kelv::app {
namespace {

using State = core::MeetingStatus::State;
using kelv::test::FakeNotificationServer;
using testing::Contains;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr const char* kSleepLine =
    "Grabación detenida: Your computer went to sleep. The meeting will be processed as usual.";

// A call of Zoom as the sound server sees it: one process recording the microphone and
// playing into the speakers.
class ZoomCall {
 public:
  explicit ZoomCall(kelv::test::PulseServer& pulse) {
    kelv::test::writeToneWav(pulse.folder() / "call.wav", 300, 120);
    const std::vector<std::string> zoom = {"--property=application.process.binary=zoom",
                                           "--property=application.name=Zoom",
                                           "--property=application.process.id=424242"};
    auto with = [&](std::vector<std::string> argv) {
      argv.insert(argv.begin() + 1, zoom.begin(), zoom.end());
      return argv;
    };
    recording_ =
        pulse.spawn(with({"parecord", "--device=fakemic", (pulse.folder() / "zoom.wav").string()}));
    playing_ = pulse.spawn(with({"paplay", (pulse.folder() / "call.wav").string()}));
  }
  void hangUp() {
    recording_.reset();
    playing_.reset();
  }

 private:
  std::unique_ptr<kelv::test::ChildProcess> recording_;
  std::unique_ptr<kelv::test::ChildProcess> playing_;
};

class AppModelCallsTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    // Live capture and call watching, as installed.
    ::unsetenv("KELV_FAKE_CAPTURE");
    ::setenv("KELV_BUNDLE_ID", "com.tizara.app", 1);
    notifications.start();
  }

  // The detector's clock runs ahead on demand, so waiting for a call to be confirmed or to end
  // takes a couple of the watcher's samples instead of the real 5 and 20 seconds.
  std::function<double()> clock() {
    return [this] { return core::systemUptime() + skipped.load(); };
  }

  bool waitForCall(bool present) {
    return QTest::qWaitFor(
        [&] {
          skipped = skipped + 0.5;
          return model->calls().empty() != present;
        },
        30'000);
  }

  std::vector<FakeNotificationServer::Notification> titled(const QString& summary) const {
    std::vector<FakeNotificationServer::Notification> found;
    for (const auto& notification : notifications.received())
      if (notification.summary == summary) found.push_back(notification);
    return found;
  }

  // The model as the application launches it, with the delegate that answers notifications.
  void launchModel() {
    model = makeModel(script("exit 0\n"), kKeys, clock());
    delegate = std::make_unique<AppDelegate>(*model);
    delegate->launch();
  }

  kelv::test::PulseServer pulse;
  FakeNotificationServer notifications;
  std::atomic<double> skipped{0};
  const core::CallApp zoom = core::CallApp::of("zoom").value();
  std::unique_ptr<AppModel> model;
  std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppModelCallsTest, APromptRecordsTheCallUntilItEnds) {
  launchModel();
  ZoomCall call(pulse);
  ASSERT_TRUE(waitForCall(true));
  EXPECT_THAT(model->calls(), ElementsAre(zoom));

  ASSERT_TRUE(notifications.waitForCount(1));
  const auto prompt = notifications.received().front();
  EXPECT_EQ(prompt.summary, "¿Grabar esta clase?");
  EXPECT_EQ(prompt.body, "Zoom is on a call. Click to record it.");
  EXPECT_THAT(prompt.actions.join("|").toStdString(),
              testing::HasSubstr("call.record|Grabar|call.ignore|Don't Ask for Zoom"));

  notifications.invokeAction(prompt.id, "call.record");
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->isRecording(); }, 10'000));
  EXPECT_EQ(model->recordingCall(), zoom);
  // A running recording withdraws the prompt.
  ASSERT_TRUE(notifications.waitForClosedCount(1));
  EXPECT_THAT(notifications.closed(), ElementsAre(prompt.id));
  const core::MeetingFolder folder = model->recorder()->folder();

  call.hangUp();
  ASSERT_TRUE(waitForCall(false));
  EXPECT_FALSE(model->isRecording());
  EXPECT_FALSE(model->recordingCall());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !titled("Grabación detenida").empty(); }, 10'000));
  EXPECT_EQ(titled("Grabación detenida").front().body, "The Zoom call ended.");
  EXPECT_TRUE(fs::file_size(folder.path() / "mic.pcm") > 0);
  model->terminate();
}

TEST_F(AppModelCallsTest, ACallDuringTheUsersOwnRecordingIsOnlyListed) {
  launchModel();
  delegate->openURLs({"kelvora://start"});
  ASSERT_TRUE(model->isRecording());

  ZoomCall call(pulse);
  ASSERT_TRUE(waitForCall(true));
  call.hangUp();
  ASSERT_TRUE(waitForCall(false));
  // The user started it, so the call's end doesn't stop it; and no prompt was ever shown.
  EXPECT_TRUE(model->isRecording());
  EXPECT_TRUE(titled("¿Grabar esta clase?").empty());
  model->terminate();
}

TEST_F(AppModelCallsTest, TheIgnoreButtonSilencesTheApplication) {
  launchModel();
  {
    ZoomCall call(pulse);
    ASSERT_TRUE(waitForCall(true));
    ASSERT_TRUE(notifications.waitForCount(1));
    notifications.invokeAction(notifications.received().front().id, "call.ignore");
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->calls().empty(); }, 5'000));
    EXPECT_THAT(model->settings().load().ignoredCallApps, ElementsAre(zoom.id));
    ASSERT_TRUE(notifications.waitForClosedCount(1));
    EXPECT_THAT(notifications.closed(), ElementsAre(notifications.received().front().id));
  }
  // The next Zoom call goes unnoticed.
  ZoomCall again(pulse);
  for (int sample = 0; sample < 4; ++sample) {
    skipped = skipped + 6;
    QTest::qWait(2'100);
  }
  EXPECT_THAT(model->calls(), IsEmpty());
  EXPECT_EQ(notifications.received().size(), 1u);
  EXPECT_FALSE(model->isRecording());
}

TEST_F(AppModelCallsTest, WakingAfterASleepStopLooksAtTheCallsAfresh) {
  kelv::test::FakeLogind logind;
  launchModel();
  ZoomCall call(pulse);
  ASSERT_TRUE(waitForCall(true));
  ASSERT_TRUE(notifications.waitForCount(1));
  delegate->openURLs({"kelvora://start"});
  ASSERT_TRUE(model->isRecording());

  logind.emitPrepareForSleep(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isRecording(); }, 5'000));
  logind.emitPrepareForSleep(false);
  // The watcher starts over: the call is forgotten, found again and offered again.
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->calls().empty(); }, 5'000));
  ASSERT_TRUE(waitForCall(true));
  ASSERT_TRUE(QTest::qWaitFor([&] { return titled("¿Grabar esta clase?").size() == 2; }, 10'000));
  EXPECT_EQ(titled("Grabación detenida").front().body,
            "Your computer went to sleep. The meeting will be processed as usual.");
  model->terminate();
}

TEST_F(AppModelTest, SleepStopsARecordingAndQueuesIt) {
  kelv::test::FakeLogind logind;
  const auto model = makeModel(script(setStatus({{"state", "done"}, {"meetingFile", "z.md"}})));
  model->launch();

  // Asleep and awake while idle: nothing happens.
  logind.emitPrepareForSleep(true);
  logind.emitPrepareForSleep(false);
  QTest::qWait(300);
  EXPECT_THAT(output.lines(), IsEmpty());

  model->start();
  ASSERT_TRUE(model->isRecording());
  const core::MeetingFolder folder = model->recorder()->folder();
  QTest::qWait(300);
  logind.emitPrepareForSleep(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isRecording(); }, 5'000));
  ASSERT_TRUE(waitForLine(kSleepLine));
  ASSERT_TRUE(waitForLine("Apuntes listos: z"));
  EXPECT_EQ(folder.readStatus().state, State::done);
  logind.emitPrepareForSleep(false);
  QTest::qWait(200);
  EXPECT_THAT(output.lines(), ElementsAre(kSleepLine, "Apuntes listos: z"));
}

}  // namespace
}  // namespace kelv::app
