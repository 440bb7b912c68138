// The temporary folders that hold a track's chunks while they upload: private while they
// live, and gone after a run that was killed before it could clean up.
#include "kelv/core/backends/cloud/upload_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "kelv/core/audio/track_audio.h"
#include "temp_dir.h"
#include "test_audio.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::TempDir;
using kelv::test::writeFile;

mode_t modeOf(const fs::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

// The temporary folder of this test, and an open umask, for the test's life.
struct UploadFolderTest : testing::Test {
  UploadFolderTest() : previousMask(::umask(0)) { setenv("TMPDIR", temp.path().c_str(), 1); }
  ~UploadFolderTest() override {
    unsetenv("TMPDIR");
    ::umask(previousMask);
  }
  TempDir temp;
  mode_t previousMask;
};

TEST_F(UploadFolderTest, TheFolderAndItsChunksArePrivate) {
  kelv::test::writeRawTrack(temp / "mic.pcm", 3.0);
  UploadFolder folder;
  EXPECT_EQ(folder.path().parent_path(), temp.path());
  EXPECT_EQ(modeOf(folder.path()), 0700u);
  const auto chunks = TrackAudio::compressedChunks(temp / "mic.pcm", 1.0, folder.path());
  ASSERT_GE(chunks.size(), 3u);
  for (const AudioChunk& chunk : chunks) EXPECT_EQ(modeOf(chunk.path), 0600u) << chunk.path;
}

TEST_F(UploadFolderTest, LeftoversOfEndedRunsGoAndEverythingElseStays) {
  // A folder of a run still going: its lock is held (here by another open description).
  fs::create_directories(temp / "kelv-upload-live");
  writeFile(temp / "kelv-upload-live" / "chunk-0.m4a", "x");
  const int held = ::open((temp / "kelv-upload-live").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  fs::create_directories(temp / "kelv-upload-dead" / "inner");
  writeFile(temp / "kelv-upload-dead" / "inner" / "chunk-3.m4a", "x");
  fs::create_directories(temp / "kept-target");
  writeFile(temp / "kept-target" / "precious", "x");
  fs::create_directory_symlink(temp / "kept-target", temp / "kelv-upload-link");
  writeFile(temp / "kelv-upload-file", "not a folder");
  fs::create_directories(temp / "other-folder");

  struct Case {
    std::string name;
    bool remains;
  } cases[] = {
      {"kelv-upload-live", true}, {"kelv-upload-dead", false}, {"kelv-upload-link", true},
      {"kept-target", true},      {"kelv-upload-file", true},  {"other-folder", true},
  };
  {
    UploadFolder fresh;
    for (const Case& c : cases)
      EXPECT_EQ(fs::exists(fs::symlink_status(temp / c.name)), c.remains) << c.name;
    EXPECT_TRUE(fs::exists(temp / "kept-target" / "precious"));
    EXPECT_TRUE(fs::exists(temp / "kelv-upload-live" / "chunk-0.m4a"));
    // Its own folder is locked too, so another run's sweep passes it by.
    UploadFolder::removeAbandoned(temp.path());
    EXPECT_TRUE(fs::exists(fresh.path()));
  }
  ::close(held);
  UploadFolder::removeAbandoned(temp.path());
  EXPECT_FALSE(fs::exists(temp / "kelv-upload-live"));
}

}  // namespace
}  // namespace kelv::core
