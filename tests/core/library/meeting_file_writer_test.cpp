#include "kelv/core/library/meeting_file_writer.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>

#include <gtest/gtest.h>

#include "kelv/core/library/meeting_file_header.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using namespace std::chrono;
using namespace MeetingFileWriter;

Date date(int y, unsigned m, unsigned d, int h, int min, int s) {
  return sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{min} + seconds{s};
}

// Sets TZ for one test and puts the previous value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (previous_)
      setenv("TZ", previous_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

Content sample() {
  Content content;
  content.meetingID = "2025-03-14_08-15-02";
  content.title = "Clase \"Física\" C:\\temp\nsegunda línea";
  content.startedAt = date(2025, 3, 14, 8, 15, 2) + milliseconds(900);
  content.duration = 90;
  content.language = "es";
  content.engine = "OpenAI (whisper-1)";
  content.interrupted = true;
  content.notes = "\n\n  ## Resumen\n\n- Vectores\n \n";
  content.turns = {Turn{65.4, "You", "Hola a todos"}, Turn{66, "Them", "Buenos días"},
                   Turn{70, "You", "¿Preguntas?"}, Turn{3723, std::nullopt, "Gracias"}};
  content.defaultSpeaker = "You";
  return content;
}

TEST(MeetingFileWriter, MarkdownMatchesTheLayoutByteForByte) {
  ScopedTimeZone zone("Europe/Madrid");
  EXPECT_EQ(markdown(sample()),
            "---\n"
            "schema: kelvora/v1\n"
            "title: \"Clase \\\"Física\\\" C:\\\\temp segunda línea\"\n"
            "date: 2025-03-14T09:15:02+01:00\n"
            "duration: 2\n"
            "participants:\n"
            "  - You\n"
            "  - Them\n"
            "language: es\n"
            "engine: OpenAI (whisper-1)\n"
            "interrupted: true\n"
            "x_kelvora_meeting: \"2025-03-14_08-15-02\"\n"
            "---\n"
            "\n"
            // A line break in a title would start a line of its own: a blank here too.
            "# Clase \"Física\" C:\\temp segunda línea\n"
            "\n"
            "## Resumen\n\n- Vectores\n"
            "\n"
            "## Transcript\n"
            "\n"
            "[00:01:05] **You:** Hola a todos\n\n"
            "[00:01:06] **Them:** Buenos días\n\n"
            "[00:01:10] **You:** ¿Preguntas?\n\n"
            "[01:02:03] Gracias\n\n");
}

TEST(MeetingFileWriter, MinimalFileAndEdgeValues) {
  ScopedTimeZone zone("UTC");
  Content content;
  content.meetingID = "m";
  content.title = "T";
  content.startedAt = date(2025, 1, 2, 3, 4, 5);
  content.duration = 20;
  content.notes = " \n\t ";
  content.defaultSpeaker = "Speaker";
  EXPECT_EQ(
      markdown(content),
      "---\nschema: kelvora/v1\ntitle: \"T\"\ndate: 2025-01-02T03:04:05Z\nduration: 1\n"
      "participants:\n  - Speaker\nx_kelvora_meeting: \"m\"\n---\n\n# T\n\n## Transcript\n\n");

  struct Case {
    double start;
    const char* stamp;
  };
  const Case stamps[] = {{-0.5, "[00:00:00]"},
                         {59.999, "[00:00:59]"},
                         {359999, "[99:59:59]"},
                         {360000, "[100:00:00]"},
                         {std::nan(""), "[00:00:00]"}};
  for (const Case& c : stamps) {
    content.turns = {Turn{c.start, std::nullopt, "x"}};
    EXPECT_TRUE(markdown(content).ends_with(std::string("\n\n") + c.stamp + " x\n\n")) << c.start;
  }
  const std::pair<double, const char*> durations[] = {
      {0, "1"}, {89.9, "1"}, {90, "2"}, {149.9, "2"}, {150, "3"}, {-600, "1"}, {std::nan(""), "1"}};
  for (const auto& [seconds, minutes] : durations) {
    content.duration = seconds;
    EXPECT_NE(markdown(content).find(std::string("\nduration: ") + minutes + "\n"),
              std::string::npos)
        << seconds;
  }
}

TEST(MeetingFileWriter, ParticipantsInOrderOfFirstAppearanceQuotedWhenYamlWouldMisreadThem) {
  ScopedTimeZone zone("UTC");
  Content content;
  content.startedAt = date(2025, 1, 2, 3, 4, 5);
  content.defaultSpeaker = "You";
  content.turns = {Turn{0, "Them", "a"}, Turn{1, std::nullopt, "b"},      Turn{2, "You", "c"},
                   Turn{3, "Them", "d"}, Turn{4, "Profesora Núñez", "e"}, Turn{5, "yes", "f"},
                   Turn{6, "1", "g"},    Turn{7, "Dr: X #1", "h"},        Turn{8, "", "i"}};
  const std::string text = markdown(content);
  EXPECT_NE(text.find("participants:\n  - Them\n  - You\n  - Profesora Núñez\n  - \"yes\"\n"
                      "  - \"1\"\n  - \"Dr: X #1\"\n  - \"\"\nx_kelvora_meeting"),
            std::string::npos)
      << text;
}

// Titles, notes, speakers and turns come from services and language models: nothing in them
// may forge a line of the file, and no control character reaches the file.
TEST(MeetingFileWriter, TextsFromServicesLoseControlsAndCannotForgeLines) {
  ScopedTimeZone zone("UTC");
  struct Case {
    std::string name;
    std::function<void(Content&)> set;
    std::string expected;  // a whole line of the file
  } cases[] = {
      {"turn with a forged transcript line",
       [](Content& c) {
         c.turns = {Turn{0, "You", "hola\n## Transcript\r\n[00:00:00] **Them:** falso"}};
       },
       "[00:00:00] **You:** hola ## Transcript [00:00:00] **Them:** falso"},
      {"turn with NUL, escapes and overrides",
       [](Content& c) {
         c.turns = {Turn{0, "You",
                         std::string("a") + std::string(1, '\0') +
                             "b\x1b[31mc\u202Ed\u2066e\u2069\x7f\u0085f\tg"}};
       },
       "[00:00:00] **You:** ab[31mcde f\tg"},
      {"speaker with a line break",
       [](Content& c) {
         c.turns = {Turn{0, "Ana\n## X", "sí"}};
       },
       "[00:00:00] **Ana ## X:** sí"},
      {"title with a line break", [](Content& c) { c.title = "Clase\n# Falsa\x07"; },
       "# Clase # Falsa"},
      {"notes keep line feeds and tabs",
       [](Content& c) { c.notes = "## Resumen\r\n\x1b[2J- uno\tdos\u202E\n- tres"; },
       "[2J- uno\tdos"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Content content = sample();
    c.set(content);
    const std::string text = markdown(content);
    EXPECT_NE(("\n" + text).find("\n" + c.expected + "\n"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 0);
    for (unsigned char byte : text)
      EXPECT_TRUE(byte >= 0x20 || byte == '\n' || byte == '\t') << int(byte);
    for (const char* invisible : {"\u202E", "\u2066", "\u2069", "\u0085"})
      EXPECT_EQ(text.find(invisible), std::string::npos);
    size_t headings = 0;
    for (size_t at = 0; (at = text.find("\n## Transcript\n", at)) != std::string::npos; ++at)
      ++headings;
    EXPECT_EQ(headings, 1u);
  }
  Content notes = sample();
  notes.notes = "## Resumen\r\n- uno\n- tres";
  EXPECT_NE(markdown(notes).find("\n## Resumen\n- uno\n- tres\n\n## Transcript\n"),
            std::string::npos);
}

TEST(MeetingFileWriter, DisplayTitleWithoutTitleIsTheLocalStartTime) {
  ScopedTimeZone zone("America/Bogota");
  const std::string title = displayTitle(std::nullopt, date(2025, 3, 14, 14, 15, 0));
  // Medium date and short time in the process locale, e.g. "Mar 14, 2025, 9:15 AM".
  EXPECT_NE(title.find("2025"), std::string::npos) << title;
  EXPECT_NE(title.find("9:15"), std::string::npos) << title;
  EXPECT_EQ(displayTitle("Álgebra", date(2025, 3, 14, 14, 15, 0)), "Álgebra");
  // Another zone set meanwhile is followed at once.
  ScopedTimeZone kolkata("Asia/Kolkata");
  EXPECT_NE(displayTitle(std::nullopt, date(2025, 3, 14, 14, 15, 0)).find(":45"),
            std::string::npos);
}

TEST(MeetingFileWriter, SlugAndBaseName) {
  const std::pair<const char*, const char*> slugs[] = {
      {"Clase 3: Álgebra lineal (repaso)", "clase-3-lgebra-lineal-repaso"},
      {"¿¡!?", "meeting"},
      {"", "meeting"},
      {"Física", "fsica"},
      {"--a--b--", "a-b"},
      // Pieces that would pass 60 characters are passed over; a later short one still fits.
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa bbbbbbbbbb c",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa-c"},
      {"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
       "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
      {"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "meeting"},
  };
  for (const auto& [text, expected] : slugs) EXPECT_EQ(slug(text), expected) << text;

  ScopedTimeZone zone("Europe/Madrid");
  EXPECT_EQ(baseName("Clase de física", date(2025, 3, 14, 8, 15, 59)),
            "2025-03-14-0915-clase-de-fsica");
  EXPECT_EQ(baseName(std::nullopt, date(2025, 7, 1, 22, 5, 0)), "2025-07-02-0005-meeting");
}

TEST(MeetingFileWriter, HashIsLowerCaseSha256) {
  EXPECT_EQ(hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(MeetingFileWriter, FreeAndSiblingNames) {
  test::TempDir dir;
  EXPECT_EQ(freePath("a", dir.path()), dir / "a.md");
  test::writeFile(dir / "a.md", "x");
  test::writeFile(dir / "a-2.md", "x");
  EXPECT_EQ(freePath("a", dir.path()), dir / "a-3.md");
  // Copies of a.md are numbered after a, never a-2-2.
  EXPECT_EQ(siblingPath(dir / "a-2.md"), dir / "a-3.md");
  EXPECT_EQ(siblingPath(dir / "a.md"), dir / "a-3.md");
  // Without a.md the number belongs to the name.
  test::writeFile(dir / "b-2.md", "x");
  EXPECT_EQ(siblingPath(dir / "b-2.md"), dir / "b-2-2.md");
  test::writeFile(dir / "clase-2025.md", "x");
  EXPECT_EQ(siblingPath(dir / "clase-2025.md"), dir / "clase-2025-2.md");
  // A dangling link is taken: writing there would land somewhere else.
  std::filesystem::create_symlink(dir / "nowhere", dir / "c.md");
  EXPECT_EQ(freePath("c", dir.path()), dir / "c-2.md");
}

TEST(MeetingFileWriter, HeaderReadsBackWhatWasWritten) {
  ScopedTimeZone zone("Europe/Madrid");
  test::TempDir dir;
  const char* titles[] = {"Clase \"Física\" \\ \\\" fin\\", "Ñandú: #1 — 🎓", "\"", "\\\"\\\\",
                          "a\r\u2028b\x01"};
  const char* expected[] = {"Clase \"Física\" \\ \\\" fin\\", "Ñandú: #1 — 🎓", "\"", "\\\"\\\\",
                            "a  b"};
  for (size_t i = 0; i < std::size(titles); ++i) {
    Content content = sample();
    content.title = titles[i];
    content.duration = 2700;
    const auto path = dir / ("2025-03-14-0915-x" + std::to_string(i) + ".md");
    test::writeFile(path, markdown(content));
    const auto header = MeetingFileHeader::read(path);
    ASSERT_TRUE(header) << titles[i];
    EXPECT_EQ(header->title, expected[i]);
    EXPECT_EQ(header->date, date(2025, 3, 14, 8, 15, 2));
    EXPECT_EQ(header->minutes, 45);
  }
}

}  // namespace
}  // namespace kelv::core
