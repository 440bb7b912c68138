// kelv process with the real on-device engine: a speech model with random weights (written by
// the test support in the engine's own file format) transcribes raw tracks end to end.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/settings/settings.h"
#include "kelv/core/transcript/timed_segment.h"
#include "kelv/core/util/library_json.h"
#include "model_host.h"
#include "speech_model_writer.h"
#include "temp_dir.h"
#include "test_audio.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using core::MeetingStatus;
using core::TimedSegment;
using kelv::test::ToolResult;

class OnDeviceProcess : public testing::Test {
 protected:
  void SetUp() override {
#ifndef KELV_HAS_ON_DEVICE
    GTEST_SKIP() << "this build has no on-device transcription engine";
#endif
  }

  static void SetUpTestSuite() {
    modelDir = new kelv::test::TempDir;
    kelv::test::writeSpeechModel(model(), kelv::test::SpeechModelShape::tiny());
  }
  static void TearDownTestSuite() {
    delete modelDir;
    modelDir = nullptr;
  }
  static fs::path model() { return *modelDir / "model.bin"; }

  OnDeviceProcess() {
    environment = {{"HOME", temp.path().string()},
                   {"XDG_CONFIG_HOME", (temp / "config").string()},
                   {"XDG_DATA_HOME", (temp / "data").string()},
                   {"KELV_DEFAULTS_SUITE", "test"},
                   {"KELV_MEETINGS_DIR", (temp / "meetings").string()},
                   // Nothing reaches the real model host from a test.
                   {"KELV_MODEL_BASE_URL", "http://127.0.0.1:9"},
                   {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (temp / "no-bus").string()}};
    nlohmann::json settings = {{"notesFolder", core::folderURL(temp / "notes")},
                               {"vocabulary", nlohmann::json::array()},
                               {"transcription", {{"type", "on-device"}}},
                               {"notes", {{"type", "none"}}},
                               {"deleteAudioAfterProcessing", false},
                               {"askToRecordCalls", false},
                               {"ignoredCallApps", nlohmann::json::array()}};
    fs::create_directories(temp / "config" / "test");
    kelv::test::writeFile(temp / "config" / "test" / "preferences.json",
                          nlohmann::json{{"v2.settings", settings}}.dump());
  }

  fs::path installedModel() const { return temp / "data" / "Kelvora" / "Models" / "ggml-base.bin"; }
  void installModel() {
    fs::create_directories(installedModel().parent_path());
    fs::copy_file(model(), installedModel(), fs::copy_options::overwrite_existing);
  }

  // A meeting with a raw mic track of `seconds` (a tone; silence when `silent`).
  core::MeetingFolder meeting(double seconds, std::optional<std::string> language = "es",
                              bool silent = false) {
    core::MeetingStore store(temp / "meetings");
    const core::MeetingFolder folder =
        store.create(std::chrono::system_clock::now() - std::chrono::hours(++meetings), language);
    if (silent)
      kelv::test::writeFile(folder.micTrackPath(),
                            std::string(static_cast<size_t>(seconds * 32000), '\0'));
    else
      kelv::test::writeRawTrack(folder.micTrackPath(), seconds);
    return folder;
  }

  ToolResult process(const core::MeetingFolder& folder) {
    kelv::test::ToolRun run({"process", folder.id()}, environment);
    run.input = "{}";
    return kelv::test::runTool(run);
  }

  static std::vector<TimedSegment> segments(const core::MeetingFolder& folder, const char* track) {
    return core::timedSegmentsFromJson(
        core::LibraryJson::readFile(folder.path() / (std::string(track) + ".json")));
  }

  static void expectOrderedWithin(const std::vector<TimedSegment>& segments, double seconds) {
    for (size_t i = 0; i < segments.size(); ++i) {
      EXPECT_GE(segments[i].start, 0) << i;
      EXPECT_LE(segments[i].start, segments[i].end) << i;
      EXPECT_LE(segments[i].end, seconds) << i;
      EXPECT_FALSE(segments[i].text.empty()) << i;
      if (i > 0) {
        EXPECT_LE(segments[i - 1].start, segments[i].start) << i;
      }
    }
  }

  static inline kelv::test::TempDir* modelDir = nullptr;
  kelv::test::TempDir temp;
  std::map<std::string, std::string> environment;
  int meetings = 0;
};

TEST_F(OnDeviceProcess, SegmentsComeInOrderWithinTheTrack) {
  installModel();
  const core::MeetingFolder folder = meeting(65);
  const ToolResult result = process(folder);
  ASSERT_EQ(result.exitStatus, 0) << result.err << result.out;
  EXPECT_THAT(result.err, testing::HasSubstr("transcribing mic, chunk 1 of 1\n"));

  const std::vector<TimedSegment> mic = segments(folder, "mic");
  ASSERT_FALSE(mic.empty()) << "the random model should say something";
  expectOrderedWithin(mic, 65);
  const MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.transcriptionBackend, "on-device:base");
  EXPECT_FALSE(fs::exists(folder.path() / "mic.pcm.on-device.json"));
}

TEST_F(OnDeviceProcess, SilentAndEmptyTracksGiveNoSegments) {
  // No model at all: neither track needs the engine.
  const core::MeetingFolder folder = meeting(40, "es", /*silent=*/true);
  kelv::test::writeFile(folder.systemTrackPath(), "");
  const ToolResult result = process(folder);
  ASSERT_EQ(result.exitStatus, 0) << result.err << result.out;
  EXPECT_TRUE(segments(folder, "mic").empty());
  EXPECT_TRUE(segments(folder, "system").empty());
}

TEST_F(OnDeviceProcess, TheMeetingsLanguageReachesTheEngine) {
  installModel();
  std::map<std::string, std::vector<TimedSegment>> heard;
  for (const char* language : {"es", "es-ES", "de"}) {
    const core::MeetingFolder folder = meeting(20, language);
    const ToolResult result = process(folder);
    ASSERT_EQ(result.exitStatus, 0) << language << ": " << result.err;
    heard[language] = segments(folder, "mic");
  }
  // The region is dropped; another language changes what the random model makes of it.
  EXPECT_EQ(heard["es"], heard["es-ES"]);
  EXPECT_NE(heard["es"], heard["de"]);
}

TEST_F(OnDeviceProcess, AKilledRunResumesAfterTheLastFinishedChunk) {
  installModel();
  // Two chunks: five minutes and a bit.
  const double seconds = 320;
  const core::MeetingFolder whole = meeting(seconds);
  const ToolResult uninterrupted = process(whole);
  ASSERT_EQ(uninterrupted.exitStatus, 0) << uninterrupted.err;
  EXPECT_THAT(uninterrupted.err, testing::HasSubstr("chunk 2 of 2"));

  const core::MeetingFolder folder = meeting(seconds);
  const fs::path progress = folder.path() / "mic.pcm.on-device.json";
  {
    kelv::test::ChildProcess child({kelv::test::toolPath(), "process", folder.id()}, environment);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (!fs::exists(progress) && child.running() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(progress)) << "no chunk was saved";
    ::kill(child.pid(), SIGKILL);
    child.wait();
  }
  const nlohmann::json saved = core::LibraryJson::readFile(progress);
  ASSERT_EQ(saved.at("chunksDone"), 1);
  ASSERT_FALSE(fs::exists(folder.path() / "mic.json"));

  const ToolResult resumed = process(folder);
  ASSERT_EQ(resumed.exitStatus, 0) << resumed.err;
  EXPECT_THAT(resumed.err, testing::Not(testing::HasSubstr("chunk 1 of 2")));
  EXPECT_THAT(resumed.err, testing::HasSubstr("chunk 2 of 2"));
  const std::vector<TimedSegment> mic = segments(folder, "mic");
  EXPECT_EQ(mic, segments(whole, "mic"));
  expectOrderedWithin(mic, seconds);
  EXPECT_FALSE(fs::exists(progress));
}

TEST_F(OnDeviceProcess, ADamagedModelIsAClearErrorOfTheMeeting) {
  const std::string complete = kelv::test::readFile(model());
  // Cut inside the header, the vocabulary, right after it (no weights at all), inside the
  // last tensor; and one byte too many.
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"header", complete.substr(0, 20)},
      {"vocabulary", complete.substr(0, 200'000)},
      {"last tensor", complete.substr(0, complete.size() - 1)},
      {"trailing byte", complete + "x"},
      {"not a model", std::string(4096, 'x')},
  };
  for (const auto& [what, bytes] : damaged) {
    fs::create_directories(installedModel().parent_path());
    kelv::test::writeFile(installedModel(), bytes);
    const core::MeetingFolder folder = meeting(10);
    const ToolResult result = process(folder);
    EXPECT_EQ(result.exitStatus, 1) << what << ": " << result.err;
    const MeetingStatus status = folder.readStatus();
    EXPECT_EQ(status.state, MeetingStatus::State::needsAttention) << what;
    EXPECT_EQ(status.lastError,
              "The transcription model file ggml-base.bin is damaged or incomplete. "
              "Run \"kelv download\" to fetch it again.")
        << what;
  }
}

TEST_F(OnDeviceProcess, AMissingModelIsDownloadedFirst) {
  kelv::test::ModelHost host;
  host.serve("ggml-base.bin", kelv::test::readFile(model()));
  environment["KELV_MODEL_BASE_URL"] = host.baseUrl();
  const core::MeetingFolder folder = meeting(10);
  const ToolResult result = process(folder);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_THAT(result.err, testing::HasSubstr("downloading the transcription model \"base\""));
  EXPECT_EQ(kelv::test::readFile(installedModel()), kelv::test::readFile(model()));
}

TEST_F(OnDeviceProcess, AModelThatCantBeFetchedLeavesTheMeetingNeedingAttention) {
  const core::MeetingFolder folder = meeting(10);
  const ToolResult result = process(folder);
  EXPECT_EQ(result.exitStatus, 1);
  const MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.state, MeetingStatus::State::needsAttention);
  EXPECT_THAT(status.lastError.value_or(""),
              testing::StartsWith("Couldn't download the transcription model \"base\": "));
}

}  // namespace
}  // namespace kelv::tool
