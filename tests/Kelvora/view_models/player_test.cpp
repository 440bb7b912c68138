// The player's rules that need no sound: which files a meeting plays, which turn is heard at a
// moment, and the one line the bar shows for each problem.
#include <gtest/gtest.h>

#include "kelv/capture/audio_player.h"
#include "kelv/core/library/meeting_entry.h"
#include "temp_dir.h"
#include "view_models/meeting_file_model.h"
#include "view_models/player.h"

namespace kelv::app {
namespace {

namespace fs = std::filesystem;

TEST(Player, PlaysTheMixedTrackOrTheMicrophoneAndSystemTracks) {
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> played;
  };
  for (const Case& c : {
           Case{{"mic.m4a", "system.m4a"}, {"mic.m4a", "system.m4a"}},
           Case{{"system.m4a"}, {"system.m4a"}},
           Case{{"mic.m4a", "mic.pcm", "system.m4a"}, {"mic.pcm", "system.m4a"}},
           Case{{"mixed.m4a", "mic.m4a"}, {"mixed.m4a"}},
           Case{{"meeting.json", "transcript.json"}, {}},
       }) {
    test::TempDir dir;
    for (const auto& file : c.files) test::writeFile(dir / file, "x");
    core::MeetingEntry entry;
    entry.folder = core::MeetingFolder(dir.path());
    std::vector<std::string> played;
    for (const auto& path : Player::tracksOf(entry)) played.push_back(path.filename().string());
    EXPECT_EQ(played, c.played) << testing::PrintToString(c.files);
  }
}

TEST(Player, TheHeardTurnIsTheLastOneStartedAtThatMoment) {
  MeetingFileModel model;
  model.setMarkdown(
      QStringLiteral("# Notas\n\nTexto.\n\n## Transcript\n\n[00:00:04] **Them:** Hola.\n\n"
                     "[00:01:05] **You:** Pregunta.\n\n[01:00:00] **Them:** Fin.\n"));
  // Rows: heading, paragraph, transcript, then the turns.
  for (const auto& [seconds, row] : std::vector<std::pair<double, int>>{
           {0, -1}, {3.9, -1}, {4, 3}, {64.9, 3}, {65, 4}, {3599, 4}, {3600, 5}, {99999, 5}}) {
    EXPECT_EQ(model.turnAt(seconds), row) << seconds;
  }
  EXPECT_EQ(MeetingFileModel::seconds("01:02:03"), 3723);
  EXPECT_EQ(MeetingFileModel::seconds("1:02"), -1);
}

TEST(Player, EachProblemReadsAsOneLine) {
  using Kind = capture::PlaybackProblem::Kind;
  for (const auto& [problem, text] : std::vector<std::pair<capture::PlaybackProblem, QString>>{
           {{Kind::noSoundServer, {}, "Connection refused"},
            "No se puede reproducir el audio: no hay servidor de sonido."},
           {{Kind::missingFile, {}, "gone"}, "Falta el audio de esta clase."},
           {{Kind::unreadableFile, "mic.m4a", "x"}, "El audio «mic.m4a» está dañado o incompleto."},
           {{Kind::readFailed, {}, "Couldn't read “mic.m4a”: Input/output error."},
            "No se puede leer el audio: Couldn't read “mic.m4a”: Input/output error."},
           {{Kind::streamFailed, {}, "x"}, "El servidor de sonido cortó la reproducción."},
       }) {
    EXPECT_EQ(Player::describe(problem), text);
    EXPECT_FALSE(Player::describe(problem).contains(QLatin1Char('\n')));
  }
}

}  // namespace
}  // namespace kelv::app
