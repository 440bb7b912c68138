// Recording control on its own: the tone source, a real store in a temporary folder, and what
// it hands on when a recording ends.
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app_model_fixture.h"
#include "controllers/recording_control.h"

namespace kelv::app {
namespace {

using State = core::MeetingStatus::State;
using testing::ElementsAre;
using testing::IsEmpty;

class RecordingControlTest : public AppModelTest {
 protected:
  std::unique_ptr<RecordingControl> makeControl() {
    return std::make_unique<RecordingControl>(
        store, settings,
        RecordingControl::Options{
            true, [this] { ++started; },
            [this](const core::MeetingFolder& folder) { finished.push_back(folder.id()); }});
  }

  core::MeetingStore store{temp / "meetings"};
  core::SettingsStore settings{core::Preferences(preferencesFile()),
                               std::make_shared<core::MemorySecretStore>(kKeys)};
  int started = 0;
  std::vector<std::string> finished;
};

TEST_F(RecordingControlTest, OneRecordingAtATimeHandedOnOnceWhenStopped) {
  const auto control = makeControl();
  QSignalSpy changes(control.get(), &RecordingControl::recorderChanged);
  const core::CallApp zoom = core::CallApp::of("zoom").value();

  ASSERT_TRUE(control->start(zoom));
  const core::MeetingFolder folder = control->recorder()->folder();
  EXPECT_FALSE(control->start());  // already recording: nothing changes
  EXPECT_EQ(control->recorder()->folder().id(), folder.id());
  EXPECT_EQ(control->call(), zoom);
  EXPECT_TRUE(control->startedAt());
  EXPECT_EQ(started, 1);

  control->stop();
  control->stop();  // idle: nothing to hand on
  EXPECT_FALSE(control->isRecording());
  EXPECT_FALSE(control->startedAt());
  EXPECT_FALSE(control->call());
  EXPECT_THAT(finished, ElementsAre(folder.id()));
  EXPECT_EQ(folder.readStatus().state, State::processing);
  EXPECT_EQ(changes.count(), 2);
}

TEST_F(RecordingControlTest, AnAbandonedRecordingIsLeftForTheNextLaunch) {
  const auto control = makeControl();
  ASSERT_TRUE(control->start());
  const core::MeetingFolder folder = control->recorder()->folder();
  control->abandon();
  EXPECT_FALSE(control->isRecording());
  EXPECT_THAT(finished, IsEmpty());
  // Closed and waiting: the next launch resumes its processing.
  EXPECT_EQ(folder.readStatus().state, State::processing);
}

TEST_F(RecordingControlTest, RecorderEventsReachTheStateAndTheUser) {
  const auto control = makeControl();
  ASSERT_TRUE(control->start());
  const core::MeetingFolder folder = control->recorder()->folder();

  control->handle(core::RecorderEvent::lowDisk(450'000'000));
  EXPECT_EQ(control->lowDiskSpace(), 450'000'000);
  EXPECT_TRUE(
      waitForLine("Poco espacio en disco: 450 MB free. Recording stops below 200 MB.", 1, 5000))
      << testing::PrintToString(output.lines());

  // A stop for some other folder changes nothing here but is still handed on.
  core::MeetingFolder other = store.create(std::chrono::system_clock::now(), std::nullopt);
  control->handle(core::RecorderEvent::stopped(other, "Recording stopped: elsewhere."));
  EXPECT_TRUE(control->isRecording());

  control->handle(
      core::RecorderEvent::stopped(folder, "Recording stopped: the disk is almost full."));
  EXPECT_FALSE(control->isRecording());
  EXPECT_FALSE(control->lowDiskSpace());
  EXPECT_THAT(finished, ElementsAre(other.id(), folder.id()));
  EXPECT_TRUE(
      waitForLine("Grabación detenida: Recording stopped: the disk is almost full.", 1, 5000));
}

}  // namespace
}  // namespace kelv::app
