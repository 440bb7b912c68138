// Call control fed call events directly (watching itself is covered with a real sound server
// in the application model's call tests), with a real recording control on the tone source.
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app_model_fixture.h"
#include "controllers/call_control.h"
#include "controllers/recording_control.h"

namespace kelv::app {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

class CallControlTest : public AppModelTest {
 protected:
  core::MeetingStore store{temp / "meetings"};
  core::SettingsStore settings{core::Preferences(preferencesFile()),
                               std::make_shared<core::MemorySecretStore>(kKeys)};
  std::vector<std::string> finished;
  RecordingControl recording{
      store, settings, RecordingControl::Options{true, {}, [this](const core::MeetingFolder& f) {
                                                   finished.push_back(f.id());
                                                 }}};
  CallControl calls{settings, recording, CallControl::Options{true, {}}};
  const core::CallApp zoom = core::CallApp::of("zoom").value();
  const core::CallApp teams = core::CallApp::of("teams").value();
};

TEST_F(CallControlTest, CallsAreListedOnceInTheOrderTheyBegan) {
  using core::CallEvent;
  struct Step {
    CallEvent event;
    std::vector<core::CallApp> listed;
  };
  const std::vector<Step> steps = {
      {CallEvent::started(zoom), {zoom}},         {CallEvent::started(zoom), {zoom}},
      {CallEvent::started(teams), {zoom, teams}}, {CallEvent::ended(zoom), {teams}},
      {CallEvent::ended(zoom), {teams}},          {CallEvent::ended(teams), {}},
  };
  for (const Step& step : steps) {
    calls.handle(step.event);
    EXPECT_EQ(calls.calls(), step.listed);
  }
  EXPECT_FALSE(recording.isRecording());
}

TEST_F(CallControlTest, ARecordedCallStopsItsRecordingWhenItEnds) {
  calls.record(zoom);  // not in a call: nothing happens
  EXPECT_FALSE(recording.isRecording());

  calls.handle(core::CallEvent::started(zoom));
  calls.handle(core::CallEvent::started(teams));
  calls.record(zoom);
  ASSERT_TRUE(recording.isRecording());
  EXPECT_EQ(recording.call(), zoom);
  const std::string id = recording.recorder()->folder().id();
  calls.record(teams);  // one recording at a time
  EXPECT_EQ(recording.call(), zoom);

  calls.handle(core::CallEvent::ended(teams));  // not the recorded call
  EXPECT_TRUE(recording.isRecording());
  calls.handle(core::CallEvent::ended(zoom));
  EXPECT_FALSE(recording.isRecording());
  EXPECT_THAT(finished, ElementsAre(id));
  EXPECT_TRUE(waitForLine("Grabación detenida: The Zoom call ended.", 1, 5000))
      << testing::PrintToString(output.lines());
}

TEST_F(CallControlTest, AnIgnoredApplicationIsStoredOnceAndNeverListed) {
  calls.handle(core::CallEvent::started(zoom));
  calls.ignore(zoom);
  calls.ignore(zoom);
  EXPECT_THAT(calls.calls(), IsEmpty());
  EXPECT_THAT(settings.load().ignoredCallApps, ElementsAre(zoom.id));
  calls.handle(core::CallEvent::started(zoom));
  EXPECT_THAT(calls.calls(), IsEmpty());
}

}  // namespace
}  // namespace kelv::app
