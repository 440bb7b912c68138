#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kelv/core/library/meeting_store.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::runTool;
using kelv::test::TempDir;
using testing::HasSubstr;

struct LibraryCommands : testing::Test {
  TempDir temp;
  std::map<std::string, std::string> environment{
      {"KELV_MEETINGS_DIR", (temp / "Meetings").string()},
      {"HOME", temp.path().string()},
      {"XDG_CONFIG_HOME", (temp / "config").string()},
      {"LANG", "es_ES.UTF-8"}};
  kelv::test::ToolResult kelv(std::vector<std::string> arguments) {
    return runTool({std::move(arguments), environment});
  }
};

TEST_F(LibraryCommands, ImportListRenameDelete) {
  kelv::test::writeFile(temp / "clase.WAV", "not really audio");
  const auto imported = kelv({"import", (temp / "clase.WAV").string()});
  ASSERT_EQ(imported.exitStatus, 0) << imported.err;
  const std::string id = imported.out.substr(0, imported.out.find('\n'));
  const auto folder = core::MeetingStore(temp / "Meetings").folder(id);
  ASSERT_TRUE(folder);
  EXPECT_TRUE(fs::exists(folder->path() / "mixed.wav"));
  EXPECT_EQ(folder->readStatus().state, core::MeetingStatus::State::processing);
  EXPECT_EQ(folder->readStatus().language, "es");

  const auto listed = kelv({"list", "--json"});
  ASSERT_EQ(listed.exitStatus, 0) << listed.err;
  const auto entries = nlohmann::json::parse(listed.out);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0]["id"], id);
  EXPECT_EQ(entries[0]["state"], "processing");

  // A meeting being processed can't be renamed or deleted by another process… but the
  // library only refuses while someone holds the lock, so these go through here.
  EXPECT_EQ(kelv({"rename", id, "Álgebra \"lineal\""}).exitStatus, 0);
  EXPECT_EQ(folder->readStatus().title, "Álgebra \"lineal\"");
  EXPECT_THAT(kelv({"list"}).out, HasSubstr("Álgebra \"lineal\""));

  EXPECT_EQ(kelv({"delete", id}).exitStatus, 0);
  EXPECT_FALSE(fs::exists(folder->path()));
  EXPECT_EQ(kelv({"delete", id}).exitStatus, 1);
}

TEST_F(LibraryCommands, RecoverRepairsACutOffRecording) {
  const core::MeetingStore store(temp / "Meetings");
  const auto folder = store.create(std::chrono::system_clock::now(), std::nullopt);
  kelv::test::writeFile(folder.micTrackPath(), std::string(32001, '\0'));
  const auto result = kelv({"recover"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_THAT(result.out, HasSubstr(folder.id() + "  Recovered your "));
  EXPECT_THAT(result.out, HasSubstr(" meeting, 1s"));
  EXPECT_EQ(fs::file_size(folder.micTrackPath()), 32000u);
  EXPECT_TRUE(folder.readStatus().interrupted);
}

TEST_F(LibraryCommands, UsageErrors) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"import"},
                                                    {"import", "a", "b", "c"},
                                                    {"list", "--xml"},
                                                    {"recover", "x"},
                                                    {"rename", "only-id"},
                                                    {"delete"}})
    EXPECT_EQ(kelv(arguments).exitStatus, 2) << arguments[0];
  EXPECT_EQ(kelv({"import", (temp / "missing.mp3").string()}).exitStatus, 1);
}

}  // namespace
}  // namespace kelv::tool
