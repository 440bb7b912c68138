// The application model against the real processing tool (or small scripted stand-ins for
// it where a test needs a child that misbehaves), the tone source and fake services on
// loopback. Notifications are read from standard output, where they go outside an installed
// application.
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app_model_fixture.h"
#include "audio_files.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/util/platform_error.h"
#include "shell/app_delegate.h"

namespace kelv::app {
namespace {

using State = core::MeetingStatus::State;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;

TEST_F(AppModelTest, RecordingIsProcessedByTheToolAndReported) {
  const auto model = makeModel();
  QSignalSpy processingIDs(model.get(), &AppModel::processingIDChanged);
  std::vector<std::vector<AppModel::QueuedMeeting>> queues;
  QObject::connect(model.get(), &AppModel::queueChanged, [&] { queues.push_back(model->queue()); });

  const core::MeetingFolder folder = recordBriefly(*model, 1.2);
  EXPECT_FALSE(model->isRecording());
  EXPECT_FALSE(model->startedAt());
  // The recorder has closed the folder before stop returns.
  EXPECT_EQ(folder.readStatus().state, State::processing);

  const core::MeetingStatus before = folder.readStatus();
  const std::string name = core::MeetingFileWriter::baseName("Derivadas", before.startedAt);
  ASSERT_TRUE(waitForLine("Apuntes listos: " + name)) << testing::PrintToString(output.lines());

  const core::MeetingStatus after = folder.readStatus();
  EXPECT_EQ(after.state, State::done);
  EXPECT_TRUE(fs::exists(temp / "notes" / (name + ".md")));
  // Queued and running, then gone from the list.
  ASSERT_FALSE(queues.empty());
  EXPECT_THAT(
      queues.front(),
      ElementsAre(AppModel::QueuedMeeting{
          folder.id(), core::MeetingFileWriter::displayTitle(std::nullopt, before.startedAt)}));
  EXPECT_THAT(model->queue(), IsEmpty());
  EXPECT_GE(processingIDs.count(), 2);
  EXPECT_FALSE(model->processingID());
  EXPECT_FALSE(model->isProcessingChildRunning());
  EXPECT_THAT(output.linesStartingWith("Una clase"), IsEmpty());
}

TEST_F(AppModelTest, StartWhileRecordingAndStopWhileIdleChangeNothing) {
  const auto model = makeModel(script("exit 0\n"));
  model->stop();
  model->start();
  const std::string first = model->recorder()->folder().id();
  model->start();
  EXPECT_EQ(model->recorder()->folder().id(), first);
  model->terminate();
  EXPECT_EQ(core::MeetingStore(temp / "meetings").list().size(), 1u);
  EXPECT_THAT(output.lines(), IsEmpty());
}

TEST_F(AppModelTest, AMissingToolMarksTheMeetingForAttention) {
  const auto model = makeModel(temp / "nowhere" / "kelv");
  const core::MeetingFolder folder = recordBriefly(*model, 0.5);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !output.linesStartingWith("Una clase requiere atención: ").empty(); },
      kChildTimeout));
  const core::MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.state, State::needsAttention);
  ASSERT_TRUE(status.lastError);
  EXPECT_THAT(*status.lastError, StartsWith("Couldn't start Processing: "));
  EXPECT_THAT(output.linesStartingWith("Una clase requiere atención: "),
              ElementsAre("Una clase requiere atención: " + *status.lastError));
}

// The folder's status, not the exit status, tells how processing went.
TEST_F(AppModelTest, TheOutcomeIsReadFromTheFolder) {
  struct Case {
    std::string body;
    std::string line;
    State state;
  };
  const std::vector<Case> cases = {
      {"exit 0\n", "Una clase requiere atención: Processing stopped unexpectedly.",
       State::needsAttention},
      {setStatus({{"state", "done"}, {"meetingFile", "Derivadas 1.5.md"}}) + "exit 1\n",
       "Apuntes listos: Derivadas 1.5", State::done},
      {setStatus({{"state", "needs-attention"}, {"lastError", "The notes service said no."}}) +
           "exit 0\n",
       "Una clase requiere atención: The notes service said no.", State::needsAttention},
      {"kill -9 $$\n", "Una clase requiere atención: Processing stopped unexpectedly.",
       State::needsAttention},
  };
  std::map<std::string, size_t> seen;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto model = makeModel(script(c.body));
    const core::MeetingFolder folder = recordBriefly(*model, 0.3);
    ASSERT_TRUE(waitForLine(c.line, ++seen[c.line])) << testing::PrintToString(output.lines());
    EXPECT_EQ(folder.readStatus().state, c.state);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model->isProcessingChildRunning(); }, 5000));
  }
}

TEST_F(AppModelTest, MeetingsAreProcessedOneAfterAnother) {
  const fs::path log = temp / "children.log";
  const auto model = makeModel(script("echo \"start $2\" >> " + log.string() + "\nsleep 1\n" +
                                      setStatus({{"state", "done"}, {"meetingFile", "x.md"}}) +
                                      "echo \"end $2\" >> " + log.string() + "\n"));
  size_t longestQueue = 0;
  QObject::connect(model.get(), &AppModel::queueChanged,
                   [&] { longestQueue = std::max(longestQueue, model->queue().size()); });
  const core::MeetingFolder first = recordBriefly(*model, 0.2);
  const core::MeetingFolder second = recordBriefly(*model, 0.2);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return output.linesStartingWith("Apuntes listos: ").size() == 2; }, kChildTimeout));
  EXPECT_EQ(kelv::test::readFile(log), "start " + first.id() + "\nend " + first.id() + "\nstart " +
                                           second.id() + "\nend " + second.id() + "\n");
  EXPECT_EQ(longestQueue, 2u);
}

TEST_F(AppModelTest, TheChildGetsExactlyTheKeysOfTheCurrentConfigurations) {
  const std::string body =
      "cat > \"$folder/secrets.json\"\n" + setStatus({{"state", "done"}, {"meetingFile", "x.md"}});
  {
    const auto model = makeModel(script(body));
    const core::MeetingFolder folder = recordBriefly(*model, 0.2);
    ASSERT_TRUE(waitForLine("Apuntes listos: x"));
    EXPECT_EQ(nlohmann::json::parse(kelv::test::readFile(folder.path() / "secrets.json")),
              (nlohmann::json{{"v2.transcription.openAIStyle", "sk-stt"},
                              {"v2.notes.openAICompatible", "sk-notes"}}));
  }
  const auto model = makeModel(script(body), {});
  const core::MeetingFolder folder = recordBriefly(*model, 0.2);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return output.linesStartingWith("Apuntes listos: x").size() == 2; }, kChildTimeout));
  EXPECT_EQ(kelv::test::readFile(folder.path() / "secrets.json"), "{}");
}

TEST_F(AppModelTest, QuittingDuringProcessingLeavesTheMeetingForTheNextLaunch) {
  core::MeetingFolder folder = [&] {
    const auto model = makeModel(script("exec sleep 60\n"));
    const core::MeetingFolder folder = recordBriefly(*model, 0.2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->isProcessingChildRunning(); }, kChildTimeout));
    model->terminate();
    EXPECT_FALSE(model->isProcessingChildRunning());
    return folder;
  }();
  QTest::qWait(200);
  EXPECT_EQ(folder.readStatus().state, State::processing);
  EXPECT_THAT(output.lines(), IsEmpty());

  // The next launch processes it.
  const auto model = makeModel(script(setStatus({{"state", "done"}, {"meetingFile", "y.md"}})));
  model->launch();
  ASSERT_TRUE(waitForLine("Apuntes listos: y"));
  EXPECT_EQ(folder.readStatus().state, State::done);
}

TEST_F(AppModelTest, QuittingWhileRecordingStopsWithoutQueueing) {
  const auto model = makeModel(script("exit 0\n"));
  model->start();
  const core::MeetingFolder folder = model->recorder()->folder();
  QTest::qWait(300);
  model->terminate();
  QTest::qWait(500);
  EXPECT_EQ(folder.readStatus().state, State::processing);
  EXPECT_FALSE(model->isRecording());
  EXPECT_FALSE(model->processingID());
  EXPECT_THAT(output.lines(), IsEmpty());
}

TEST_F(AppModelTest, ImportAcceptsOneAudioFileAndQueuesIt) {
  const auto model = makeModel(script("exec sleep 60\n"));
  kelv::test::writeFile(temp / "notes.txt", "not audio");
  kelv::test::writeTone(temp / "class.m4a", 1.0, 16000, 1);
  fs::create_directories(temp / "folder.m4a");
  const std::vector<std::vector<fs::path>> refused = {
      {temp / "notes.txt"},
      {temp / "class.m4a", temp / "class.m4a"},
      {temp / "folder.m4a"},
      {},
  };
  for (const auto& files : refused) {
    try {
      model->importAudio(files);
      ADD_FAILURE() << "accepted " << testing::PrintToString(files);
    } catch (const core::PlatformError& error) {
      EXPECT_STREQ(error.what(), "Drop a single audio file to import it.");
    }
  }
  EXPECT_THAT(core::MeetingStore(temp / "meetings").list(), IsEmpty());

  model->importAudio({temp / "class.m4a"});
  const auto folders = core::MeetingStore(temp / "meetings").list();
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_TRUE(fs::exists(folders[0].path() / "mixed.m4a"));
  EXPECT_EQ(folders[0].readStatus().state, State::processing);
  EXPECT_EQ(model->selection(), QString::fromStdString(folders[0].id()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return model->processingID().has_value(); }, kChildTimeout));
  model->terminate();
}

TEST_F(AppModelTest, LaunchRepairsInterruptedRecordingsAndResumesProcessing) {
  const core::MeetingStore store(temp / "meetings");
  const core::MeetingFolder interrupted = store.create(std::chrono::system_clock::now(), "es");
  kelv::test::writeRawTrack(interrupted.path() / "mic.pcm", std::vector<int16_t>(32000, 100));
  const auto model = makeModel(script(setStatus({{"state", "done"}, {"meetingFile", "r.md"}})));
  model->launch();
  model->launch();  // once only
  EXPECT_THAT(output.lines(),
              ElementsAre(testing::EndsWith(": Its Meeting file will be marked as interrupted.")));
  ASSERT_TRUE(waitForLine("Apuntes listos: r"));
  EXPECT_TRUE(interrupted.readStatus().interrupted);
  EXPECT_EQ(output.linesStartingWith("Apuntes listos: ").size(), 1u);
}

TEST_F(AppModelTest, LaunchReportsUnreadableSettingsAndKeepsAnUnreadableFileAside) {
  kelv::test::writeFile(preferencesFile(), "{\"v2.settings\": tru");
  const auto model = makeModel(script("exit 0\n"));
  model->launch();
  const auto reports = output.linesStartingWith("No se pudieron leer los ajustes: ");
  ASSERT_EQ(reports.size(), 1u) << testing::PrintToString(output.lines());
  EXPECT_THAT(reports[0], testing::HasSubstr("couldn't be read; it was kept as " +
                                             preferencesFile().string() + ".corrupt-"));
  std::vector<fs::path> aside;
  for (const auto& entry : fs::directory_iterator(preferencesFile().parent_path()))
    if (entry.path().filename().string().starts_with("preferences.json.corrupt-"))
      aside.push_back(entry);
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(kelv::test::readFile(aside[0]), "{\"v2.settings\": tru");
  model->terminate();
}

TEST_F(AppModelTest, TheModelDownloadRunsOnceAndOnlyForTheOnDeviceBackend) {
  const fs::path log = temp / "downloads.log";
  const fs::path child = script("echo \"$1\" >> " + log.string() + "\nsleep 1\nexit $STATUS\n");
  ::setenv("STATUS", "0", 1);
  const auto model = makeModel(child);
  model->downloadModel();  // a cloud backend needs no model
  EXPECT_FALSE(model->modelDownload());

  writeSettings(true, /*onDevice=*/true);
  model->downloadModel();
  model->downloadModel();
  EXPECT_EQ(model->modelDownload(), "Downloading the transcription model in the background…");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return model->modelDownload() == "Transcription model ready."; }, kChildTimeout));
  EXPECT_EQ(kelv::test::readFile(log), "download\n");

  ::setenv("STATUS", "1", 1);
  const auto failing = makeModel(child);
  failing->downloadModel();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return failing->modelDownload() ==
               "The transcription model will download with your first Meeting.";
      },
      kChildTimeout));
  ::unsetenv("STATUS");
}

TEST_F(AppModelTest, ReprocessingRunsAFinishedMeetingAgain) {
  const auto model = makeModel(script(setStatus({{"state", "done"}, {"meetingFile", "p.md"}})));
  const core::MeetingFolder folder = recordBriefly(*model, 0.2);
  ASSERT_TRUE(waitForLine("Apuntes listos: p"));
  core::MeetingEntry entry;
  entry.folder = folder;
  entry.state = core::MeetingEntry::State::processing;
  model->reprocess(entry);  // busy entries are left alone
  QTest::qWait(300);
  EXPECT_EQ(output.linesStartingWith("Apuntes listos: ").size(), 1u);
  entry.state = core::MeetingEntry::State::done;
  model->reprocess(entry);
  ASSERT_TRUE(waitForLine("Apuntes listos: p", 2));
}

TEST_F(AppModelTest, IgnoringAnApplicationStoresItOnce) {
  const auto model = makeModel(script("exit 0\n"));
  const core::CallApp zoom = core::CallApp::of("zoom").value();
  AppDelegate delegate(*model);
  delegate.respond({{"call", QString::fromStdString(zoom.id)}}, "call.ignore");
  model->ignore(zoom);
  EXPECT_THAT(core::SettingsStore(core::Preferences(preferencesFile()),
                                  std::make_shared<core::MemorySecretStore>())
                  .load()
                  .ignoredCallApps,
              ElementsAre(zoom.id));
  // A response naming no known application opens the meeting instead.
  delegate.respond({{"call", "nonsense"}, {"meeting", "2025-03-14-091500-ab12"}}, "default");
  EXPECT_EQ(model->selection(), QString("2025-03-14-091500-ab12"));
  EXPECT_FALSE(model->isRecording());
}

TEST_F(AppModelTest, KelvoraURLsStartAndStop) {
  const auto model = makeModel(script("exit 0\n"));
  AppDelegate delegate(*model);
  delegate.openURLs({"kelvora://start"});
  ASSERT_TRUE(model->isRecording());
  const std::string id = model->recorder()->folder().id();
  delegate.openURLs({"kelvora://start", "https://start", "kelvora://elsewhere"});
  EXPECT_EQ(model->recorder()->folder().id(), id);
  delegate.openURLs({"kelvora://stop"});
  EXPECT_FALSE(model->isRecording());
  EXPECT_EQ(core::MeetingStore(temp / "meetings").list().size(), 1u);
}

}  // namespace
}  // namespace kelv::app
