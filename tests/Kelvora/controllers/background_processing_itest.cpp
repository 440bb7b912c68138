// Background processing on its own, with scripted stand-ins for the processing tool: meetings
// run one after another and their outcome is reported; the end of the process reports nothing.
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app_model_fixture.h"
#include "audio_files.h"
#include "controllers/background_processing.h"

namespace kelv::app {
namespace {

using State = core::MeetingStatus::State;
using testing::IsEmpty;

class BackgroundProcessingTest : public AppModelTest {
 protected:
  core::MeetingFolder waitingMeeting() {
    kelv::test::writeTone(temp / "class.m4a", 0.5, 16000, 1);
    return store.importAudio({temp / "class.m4a"}, std::nullopt, "es");
  }

  core::MeetingStore store{temp / "meetings"};
  core::SettingsStore settings{core::Preferences(preferencesFile()),
                               std::make_shared<core::MemorySecretStore>(kKeys)};
};

TEST_F(BackgroundProcessingTest, MeetingsRunOneAfterAnotherAndTheirOutcomeIsReported) {
  BackgroundProcessing background(
      store, settings,
      script(setStatus({{"state", "done"}, {"meetingFile", "Derivadas.md"}}) + "sleep 0.3\n"));
  size_t longestQueue = 0;
  QObject::connect(&background, &BackgroundProcessing::queueChanged,
                   [&] { longestQueue = std::max(longestQueue, background.queue().size()); });
  const core::MeetingFolder first = waitingMeeting();
  const core::MeetingFolder second = waitingMeeting();
  background.enqueue(first);
  background.enqueue(second);

  ASSERT_TRUE(waitForLine("Apuntes listos: Derivadas", 2))
      << testing::PrintToString(output.lines());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !background.isChildRunning(); }, 5000));
  EXPECT_EQ(longestQueue, 2u);
  EXPECT_THAT(background.queue(), IsEmpty());
  EXPECT_FALSE(background.processingID());
  EXPECT_EQ(first.readStatus().state, State::done);
  EXPECT_EQ(second.readStatus().state, State::done);
}

TEST_F(BackgroundProcessingTest, TheEndOfTheProcessLeavesTheMeetingQueuedAndUnreported) {
  BackgroundProcessing background(store, settings, script("exec sleep 60\n"));
  const core::MeetingFolder folder = waitingMeeting();
  background.enqueue(folder);
  ASSERT_TRUE(QTest::qWaitFor([&] { return background.isChildRunning(); }, kChildTimeout));
  EXPECT_EQ(background.processingID(), QString::fromStdString(folder.id()));

  background.terminate();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !background.isChildRunning(); }, 5000));
  QTest::qWait(200);
  EXPECT_THAT(output.lines(), IsEmpty());
  EXPECT_EQ(folder.readStatus().state, State::processing);
}

}  // namespace
}  // namespace kelv::app
