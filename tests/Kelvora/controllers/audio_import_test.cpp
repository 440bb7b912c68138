// What a drop may import: one regular file whose name says audio or video.
#include <gtest/gtest.h>

#include "audio_files.h"
#include "controllers/audio_import.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::app {
namespace {

namespace fs = std::filesystem;

TEST(AudioImport, OnlyOneAudioOrVideoFileBecomesAMeeting) {
  kelv::test::TempDir temp;
  core::MeetingStore store(temp / "meetings");
  const core::SettingsStore settings(core::Preferences(temp / "preferences.json"),
                                     std::make_shared<core::MemorySecretStore>());
  kelv::test::writeTone(temp / "class.m4a", 0.5, 16000, 1);
  fs::copy_file(temp / "class.m4a", temp / "lecture.mp4");
  fs::copy_file(temp / "class.m4a", temp / "class.unknownext");
  kelv::test::writeFile(temp / "notes.txt", "not audio");
  fs::create_directories(temp / "folder.m4a");

  struct Case {
    std::vector<fs::path> files;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {{temp / "class.m4a"}, true},
      {{temp / "lecture.mp4"}, true},
      {{temp / "class.unknownext"}, false},
      {{temp / "notes.txt"}, false},
      {{temp / "folder.m4a"}, false},
      {{temp / "missing.m4a"}, false},
      {{temp / "class.m4a", temp / "lecture.mp4"}, false},
      {{}, false},
  };
  size_t meetings = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.files));
    if (c.accepted) {
      const core::MeetingFolder folder = AudioImport::run(store, settings, c.files);
      EXPECT_EQ(folder.readStatus().state, core::MeetingStatus::State::processing);
      ++meetings;
    } else {
      try {
        AudioImport::run(store, settings, c.files);
        ADD_FAILURE() << "accepted";
      } catch (const core::PlatformError& error) {
        EXPECT_STREQ(error.what(), "Drop a single audio file to import it.");
      }
    }
    EXPECT_EQ(store.list().size(), meetings);
  }
}

}  // namespace
}  // namespace kelv::app
