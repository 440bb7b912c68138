// kelv process with the real on-device engine: a speech model and a speech detector with random
// weights (written by the test support in the engine's own file formats) transcribe raw tracks
// end to end. The detector hears the test tone as speech and quiet noise as none.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
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
#include "voice_detector_writer.h"

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
    kelv::test::writeVoiceDetector(detector());
  }
  static void TearDownTestSuite() {
    delete modelDir;
    modelDir = nullptr;
  }
  static fs::path model() { return *modelDir / "model.bin"; }
  static fs::path detector() { return *modelDir / "detector.bin"; }

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

  fs::path models() const { return temp / "data" / "Kelvora" / "Models"; }
  fs::path installedModel() const { return models() / "ggml-base.bin"; }
  fs::path installedDetector() const { return models() / "ggml-silero-v6.2.0.bin"; }
  void installDetector() {
    fs::create_directories(models());
    fs::copy_file(detector(), installedDetector(), fs::copy_options::overwrite_existing);
  }
  void installModel() {
    installDetector();
    fs::copy_file(model(), installedModel(), fs::copy_options::overwrite_existing);
  }
  void setVocabulary(const std::vector<std::string>& terms) {
    const fs::path file = temp / "config" / "test" / "preferences.json";
    nlohmann::json preferences = core::LibraryJson::readFile(file);
    preferences["v2.settings"]["vocabulary"] = terms;
    kelv::test::writeFile(file, preferences.dump());
  }
  // A raw track of 16-bit samples.
  core::MeetingFolder meetingWith(const std::vector<int16_t>& samples) {
    core::MeetingStore store(temp / "meetings");
    const core::MeetingFolder folder =
        store.create(std::chrono::system_clock::now() - std::chrono::hours(++meetings), "es");
    kelv::test::writeFile(folder.micTrackPath(),
                          std::string(reinterpret_cast<const char*>(samples.data()),
                                      samples.size() * sizeof(int16_t)));
    return folder;
  }
  // Quiet white noise: room noise far below speech, far above digital silence.
  static std::vector<int16_t> noise(double seconds, double rms) {
    std::mt19937 random(7);
    std::normal_distribution<double> normal(0.0, rms * 32767);
    std::vector<int16_t> samples(static_cast<size_t>(seconds * 16000));
    for (int16_t& sample : samples)
      sample = static_cast<int16_t>(std::clamp(normal(random), -32767.0, 32767.0));
    return samples;
  }
  // A loud 440 Hz tone, as the detector hears speech.
  static std::vector<int16_t> tone(double seconds) {
    std::vector<int16_t> samples(static_cast<size_t>(seconds * 16000));
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] =
          static_cast<int16_t>(10000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 16000));
    return samples;
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
    installDetector();
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
  host.serve("ggml-silero-v6.2.0.bin", kelv::test::readFile(detector()));
  environment["KELV_MODEL_BASE_URL"] = host.baseUrl();
  const core::MeetingFolder folder = meeting(10);
  const ToolResult result = process(folder);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_THAT(result.err, testing::HasSubstr("downloading the transcription model \"base\""));
  EXPECT_THAT(result.err,
              testing::HasSubstr("downloading the speech detection model \"silero-v6.2.0\""));
  EXPECT_EQ(kelv::test::readFile(installedModel()), kelv::test::readFile(model()));
  EXPECT_EQ(kelv::test::readFile(installedDetector()), kelv::test::readFile(detector()));
  EXPECT_FALSE(segments(folder, "mic").empty());
}

TEST_F(OnDeviceProcess, AModelThatCantBeFetchedLeavesTheMeetingNeedingAttention) {
  // The detector is fetched first; with it in place, the speech model is what's missing.
  const std::pair<bool, const char*> cases[] = {
      {false, "Couldn't download the speech detection model \"silero-v6.2.0\": "},
      {true, "Couldn't download the transcription model \"base\": "},
  };
  for (const auto& [detectorHere, message] : cases) {
    if (detectorHere) installDetector();
    const core::MeetingFolder folder = meeting(10);
    const ToolResult result = process(folder);
    EXPECT_EQ(result.exitStatus, 1) << message;
    const MeetingStatus status = folder.readStatus();
    EXPECT_EQ(status.state, MeetingStatus::State::needsAttention) << message;
    EXPECT_THAT(status.lastError.value_or(""), testing::StartsWith(message));
  }
}

TEST_F(OnDeviceProcess, NoiseAndSilenceNeverLoadTheSpeechModel) {
  installDetector();
  // A damaged speech model: loading it would fail the meeting.
  kelv::test::writeFile(installedModel(), "not a model");
  struct Case {
    const char* what;
    std::vector<int16_t> samples;
  };
  const Case cases[] = {
      {"digital silence", std::vector<int16_t>(40 * 16000, 0)},
      {"room noise at -50 dBFS", noise(40, 0.003)},
      {"fan noise at -46 dBFS", noise(40, 0.005)},
  };
  for (const Case& c : cases) {
    const core::MeetingFolder folder = meetingWith(c.samples);
    const ToolResult result = process(folder);
    ASSERT_EQ(result.exitStatus, 0) << c.what << ": " << result.err;
    EXPECT_TRUE(segments(folder, "mic").empty()) << c.what;
  }
}

TEST_F(OnDeviceProcess, OnlyTheSpeechIsTranscribedAtItsOwnTimes) {
  installModel();
  // Noise, speech from 20 s to 30 s, noise, speech from 45 s to 50 s.
  std::vector<int16_t> samples = noise(20, 0.003);
  for (const auto& part : {tone(10), noise(15, 0.003), tone(5), noise(10, 0.003)})
    samples.insert(samples.end(), part.begin(), part.end());
  const core::MeetingFolder folder = meetingWith(samples);
  const ToolResult result = process(folder);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const std::vector<TimedSegment> mic = segments(folder, "mic");
  ASSERT_FALSE(mic.empty());
  expectOrderedWithin(mic, 60);
  // The detector pads each span by a fifth of a second.
  const auto withinSpeech = [](double time) {
    return (time >= 19.7 && time <= 30.3) || (time >= 44.7 && time <= 50.3);
  };
  // (Where within the speech the random model puts its words is its own affair.)
  for (const TimedSegment& segment : mic) {
    EXPECT_TRUE(withinSpeech(segment.start)) << segment.start << " " << segment.text;
    EXPECT_TRUE(withinSpeech(segment.end)) << segment.end << " " << segment.text;
  }
}

TEST_F(OnDeviceProcess, ADamagedSpeechDetectorIsAClearErrorOfTheMeeting) {
  installModel();
  const std::string complete = kelv::test::readFile(detector());
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"header only", complete.substr(0, 100)},
      {"last tensor", complete.substr(0, complete.size() - 1)},
      {"trailing byte", complete + "x"},
      {"a speech model instead", kelv::test::readFile(model())},
  };
  for (const auto& [what, bytes] : damaged) {
    kelv::test::writeFile(installedDetector(), bytes);
    const core::MeetingFolder folder = meeting(10);
    const ToolResult result = process(folder);
    EXPECT_EQ(result.exitStatus, 1) << what << ": " << result.err;
    const MeetingStatus status = folder.readStatus();
    EXPECT_EQ(status.state, MeetingStatus::State::needsAttention) << what;
    EXPECT_EQ(status.lastError,
              "The speech detection model file ggml-silero-v6.2.0.bin is damaged or incomplete. "
              "Run \"kelv download\" to fetch it again.")
        << what;
  }
}

TEST_F(OnDeviceProcess, TheVocabularyLeadsTheEnginesPrompt) {
  installModel();
  // Far more terms than the engine keeps of a prompt.
  std::vector<std::string> many;
  for (int i = 0; i < 60; ++i) many.push_back("autovalor" + std::to_string(i));
  std::vector<std::string> more = many;
  more.push_back("Kubernetes");
  const std::vector<std::pair<std::string, std::vector<std::string>>> vocabularies = {
      {"none", {}}, {"one term", {"autovalor"}}, {"many", many}, {"many and one more", more}};
  std::map<std::string, std::vector<TimedSegment>> heard;
  for (const auto& [what, terms] : vocabularies) {
    setVocabulary(terms);
    const core::MeetingFolder folder = meeting(20);
    const ToolResult result = process(folder);
    ASSERT_EQ(result.exitStatus, 0) << what << ": " << result.err;
    heard[what] = segments(folder, "mic");
  }
  // The terms change what the random model makes of the audio...
  EXPECT_NE(heard["none"], heard["one term"]);
  EXPECT_NE(heard["none"], heard["many"]);
  // ...but only as many as fit: the one past the limit changes nothing.
  EXPECT_EQ(heard["many"], heard["many and one more"]);
}

}  // namespace
}  // namespace kelv::tool
