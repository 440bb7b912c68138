#include "kelv/core/library/meeting_file_header.h"

#include <gtest/gtest.h>

#include "kelv/core/library/frontmatter.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using namespace std::chrono;

TEST(Frontmatter, FieldLinesFieldsAndBody) {
  using Frontmatter::lines;
  struct Case {
    const char* text;
    std::optional<std::pair<size_t, size_t>> range;
  };
  const Case cases[] = {
      {"---\na: 1\n---\nbody", std::pair<size_t, size_t>{1, 2}},
      {"---\n---\n", std::pair<size_t, size_t>{1, 1}},
      {"---\na: 1\nnever closed\n", std::nullopt},
      {"---", std::nullopt},
      {"\n---\na: 1\n---\n", std::nullopt},
      {"--- \na: 1\n---\n", std::nullopt},
      {"---\r\na: 1\r\n---\r\n", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Frontmatter::fieldLines(lines(c.text)), c.range) << c.text;

  const auto fields = Frontmatter::fields(
      lines("---\ntitle:  \t\"a: b\" \t\nparticipants:\n  - You: yes\nno colon\n key: indented\n"
            "title: later\nempty:\n:novalue\n---\ntitle: body\n"));
  ASSERT_TRUE(fields);
  EXPECT_EQ(*fields,
            (std::map<std::string, std::string>{
                {"title", "later"}, {"participants", ""}, {"empty", ""}, {"", "novalue"}}));
  EXPECT_EQ(Frontmatter::fields(lines("no front matter")), std::nullopt);

  EXPECT_EQ(Frontmatter::body("---\na: 1\n---\n\n# Título\n"), "\n# Título\n");
  EXPECT_EQ(Frontmatter::body("---\na: 1\n---"), "");
  EXPECT_EQ(Frontmatter::body("---\nsin cierre\n"), "---\nsin cierre\n");
  EXPECT_EQ(Frontmatter::body("---\n---\n"), "");
  EXPECT_EQ(Frontmatter::body("---"), "---");
  EXPECT_EQ(Frontmatter::body("--- \na: 1\n---\nx"), "--- \na: 1\n---\nx");  // no opening fence
  EXPECT_EQ(Frontmatter::body("---\na: 1\n----\n---\nx\n---\ny"), "x\n---\ny");
}

TEST(MeetingFileHeader, DecidesFromFrontMatterAndName) {
  const Date march14 = sys_days{2025y / March / 14} + 8h + 15min + 2s;
  struct Case {
    const char* name;
    std::string text;
    const char* fileName;
    std::optional<MeetingFileHeader> expected;
  };
  const Case cases[] = {
      {"full header",
       "---\nschema: kelvora/v1\ntitle: \"Cálculo \\\"II\\\"\"\ndate: 2025-03-14T09:15:02+01:00\n"
       "duration: 45\n---\n",
       "x.md", MeetingFileHeader{"Cálculo \"II\"", march14, 45}},
      {"another version", "---\nschema: kelvora/v7\ntitle: t\n---\n", "x.md",
       MeetingFileHeader{"t", {}, {}}},
      {"another schema", "---\nschema: other/v1\ntitle: t\n---\n", "2025-03-14-0915-x.md",
       std::nullopt},
      {"no schema", "---\ntitle: t\n---\n", "x.md", std::nullopt},
      {"no fields", "---\n---\n", "2025-03-14-0915-x.md", std::nullopt},
      {"never closed, dated name", "---\nschema: kelvora/v1\ntitle: t\n", "2025-03-14-0915-x.md",
       MeetingFileHeader{}},
      {"never closed, other name", "---\nschema: kelvora/v1\ntitle: t\n", "notas.md", std::nullopt},
      {"plain markdown, dated name", "# Hola\n", "2025-03-14-0915.md", MeetingFileHeader{}},
      {"plain markdown, short date", "# Hola\n", "2025-03-14-091.md", std::nullopt},
      {"arabic-indic digits count as digits", "", "٢٠٢٥-٠٣-١٤-٠٩١٥-x.md", MeetingFileHeader{}},
      {"unquoted title and bad values",
       "---\nschema: kelvora/v1\ntitle: sin comillas\ndate: ayer\nduration: 5.5\n---\n", "x.md",
       MeetingFileHeader{"sin comillas", {}, {}}},
      {"single quote character", "---\nschema: kelvora/v1\ntitle: \"\nduration: abc\n---\n", "x.md",
       MeetingFileHeader{"\"", {}, {}}},
      {"signed and huge minutes", "---\nschema: kelvora/v1\nduration: +12\n---\n", "x.md",
       MeetingFileHeader{{}, {}, 12}},
      {"negative minutes", "---\nschema: kelvora/v1\nduration: -3\n---\n", "x.md",
       MeetingFileHeader{{}, {}, -3}},
      {"overflowing minutes", "---\nschema: kelvora/v1\nduration: 99999999999999999999\n---\n",
       "x.md", MeetingFileHeader{{}, {}, {}}},
      {"date past what the clock holds",
       "---\nschema: kelvora/v1\ndate: 8191-03-14T09:15:02+01:00\n---\n", "x.md",
       MeetingFileHeader{{}, {}, {}}},
      {"sign alone", "---\nschema: kelvora/v1\nduration: -\n---\n", "x.md",
       MeetingFileHeader{{}, {}, {}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MeetingFileHeader::parse(c.text, c.fileName), c.expected) << c.name;
}

TEST(MeetingFileHeader, ReadsOnlyTheFirst4096BytesAndRepairsACutCharacter) {
  test::TempDir dir;
  // The title's "é" straddles byte 4096; the closing fence lies beyond it.
  std::string head = "---\nschema: kelvora/v1\ntitle: \"";
  head += std::string(4095 - head.size(), 'a') + "\xC3\xA9\"\n---\n";
  test::writeFile(dir / "cut.md", head);
  auto header = MeetingFileHeader::read(dir / "cut.md");
  EXPECT_EQ(header, std::nullopt);  // no closing fence within the bytes read

  std::string fenced = "---\nschema: kelvora/v1\ntitle: x\n---\n";
  fenced += std::string(4095 - fenced.size(), 'b') + "\xC3\xA9 more";
  test::writeFile(dir / "2025-01-01-0000-y.md", fenced);
  header = MeetingFileHeader::read(dir / "2025-01-01-0000-y.md");
  ASSERT_TRUE(header);
  EXPECT_EQ(header->title, "x");

  EXPECT_EQ(MeetingFileHeader::read(dir / "2025-01-01-0000-missing.md"), std::nullopt);
  std::filesystem::create_directory(dir / "2025-01-01-0000-folder.md");
  EXPECT_EQ(MeetingFileHeader::read(dir / "2025-01-01-0000-folder.md"), MeetingFileHeader{});
}

}  // namespace
}  // namespace kelv::core
