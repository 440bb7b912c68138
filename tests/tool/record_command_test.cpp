#include <cmath>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/library/meeting_store.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::runTool;
using kelv::test::TempDir;

std::vector<int16_t> readTrack(const fs::path& path) {
  const std::string bytes = kelv::test::readFile(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Frequency from rising zero crossings, which is exact enough for a clean tone.
double frequencyOf(const std::vector<int16_t>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i)
    if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
  return crossings / (static_cast<double>(samples.size()) / 16000);
}

TEST(KelvRecord, RecordsTheToneSourceForTheGivenDuration) {
  TempDir temp;
  const auto result = runTool({{"record", "--duration", "1.5", "--language", "es"},
                               {{"KELV_MEETINGS_DIR", temp.path()}, {"KELV_FAKE_CAPTURE", "1"}}});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const std::string id = result.out.substr(0, result.out.find('\n'));
  EXPECT_EQ(result.out, id + "\n");

  const auto folder = core::MeetingStore(temp.path()).folder(id);
  ASSERT_TRUE(folder);
  const auto status = folder->readStatus();
  EXPECT_EQ(status.state, core::MeetingStatus::State::processing);
  EXPECT_EQ(status.language, "es");

  const auto mic = readTrack(folder->micTrackPath());
  const auto system = readTrack(folder->systemTrackPath());
  EXPECT_NEAR(mic.size(), 24000.0, 3200.0);
  EXPECT_EQ(mic.size(), system.size());
  EXPECT_NEAR(frequencyOf(mic), 440, 5);
  EXPECT_NEAR(frequencyOf(system), 660, 5);
  EXPECT_EQ(*std::max_element(mic.begin(), mic.end()), 8000);
  EXPECT_EQ(*std::min_element(system.begin(), system.end()), -8000);
}

TEST(KelvRecord, SigtermFinishesTheRecording) {
  TempDir temp;
  kelv::test::ToolRun run{{"record"},
                          {{"KELV_MEETINGS_DIR", temp.path()}, {"KELV_FAKE_CAPTURE", "1"}}};
  run.terminateAfter = 1.0;
  const auto result = runTool(run);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const auto meetings = core::MeetingStore(temp.path()).list();
  ASSERT_EQ(meetings.size(), 1u);
  EXPECT_EQ(meetings[0].id() + "\n", result.out);
  EXPECT_EQ(meetings[0].readStatus().state, core::MeetingStatus::State::processing);
  EXPECT_GT(fs::file_size(meetings[0].micTrackPath()), 0u);
}

TEST(KelvRecord, BadArgumentsAreUsageErrors) {
  TempDir temp;
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"record", "--duration"},
        {"record", "--duration", "0"},
        {"record", "--duration", "abc"},
        {"record", "--loud"},
        {"recordx"}}) {
    const auto result = runTool({arguments, {{"KELV_MEETINGS_DIR", temp.path()}}});
    EXPECT_EQ(result.exitStatus, 2) << arguments.back();
    EXPECT_FALSE(result.err.empty());
  }
  EXPECT_TRUE(core::MeetingStore(temp.path()).list().empty());

  const auto help = runTool({{"record", "--help"}});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_THAT(help.out, testing::HasSubstr("usage: kelv record"));
  const auto overview = runTool({{"--help"}});
  EXPECT_EQ(overview.exitStatus, 0);
  EXPECT_THAT(overview.out, testing::HasSubstr("record"));
}

TEST(KelvRecord, AFailedStartExitsWithTheErrorText) {
  TempDir temp;
  kelv::test::writeFile(temp / "blocker", "");  // the store root can't be a file
  const auto result = runTool(
      {{"record", "--duration", "1"},
       {{"KELV_MEETINGS_DIR", (temp / "blocker" / "root").string()}, {"KELV_FAKE_CAPTURE", "1"}}});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.err, testing::HasSubstr("kelv record: Couldn't create the folder"));
  EXPECT_TRUE(result.out.empty());
}

}  // namespace
}  // namespace kelv::tool
