// The Meeting file's blocks: every shape the notes and the file writer produce, the transcript
// section's rules, the title rule, field chips, and unpleasant input (CRLF, only front matter,
// very long lines, bytes that are not UTF-8) that must neither crash nor lose text.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_file_blocks.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

using Blocks = std::vector<Block>;

std::string describe(const Block& block) {
  std::string out(MeetingFileBlocks::kindName(block.kind));
  out += "(" + std::to_string(block.level) + ", \"" + block.text + "\"";
  if (block.kind == Block::Kind::item) {
    out += block.marker.kind == Marker::Kind::task     ? (block.marker.ticked ? ", [x]" : ", [ ]")
           : block.marker.kind == Marker::Kind::number ? ", " + block.marker.number
                                                       : ", •";
    for (const std::string& field : block.fields) out += ", {" + field + "}";
  }
  if (block.kind == Block::Kind::turn)
    out += ", " + block.time + ", " + block.speaker.value_or("<none>") +
           (block.continued ? ", continued" : "");
  return out + ")";
}

std::string describe(const Blocks& blocks) {
  std::string out;
  for (const Block& block : blocks) out += describe(block) + "\n";
  return out;
}

struct Case {
  const char* what;
  std::string markdown;
  Blocks expected;
};

void check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Blocks blocks = MeetingFileBlocks::parse(c.markdown, "es");
    EXPECT_EQ(describe(blocks), describe(c.expected));
    EXPECT_EQ(blocks, c.expected);
  }
}

const std::string kFront = "---\ntitle: Álgebra\ndate: 2026-03-02\n---\n";

TEST(MeetingFileBlocks, HeadingsRulesQuotesAndParagraphs) {
  check({
      {"only front matter", kFront, {}},
      {"front matter without trailing line feed", "---\ntitle: x\n---", {}},
      {"empty file", "", {}},
      {"heading levels",
       "# Uno\n## Dos\n#### Cuatro",
       {Block::heading(1, "Uno"), Block::heading(2, "Dos"), Block::heading(4, "Cuatro")}},
      {"heading text is not trimmed again",
       "#  Dos espacios",
       {Block::heading(1, " Dos espacios")}},
      {"hash without space is text", "#hashtag\n#", {Block::paragraph("#hashtag #")}},
      {"rules", "---\n   ***  \n----", {Block::rule(), Block::rule(), Block::paragraph("----")}},
      {"lines joined into one paragraph",
       "Primera línea\n  segunda línea  \n\nOtra",
       {Block::paragraph("Primera línea segunda línea"), Block::paragraph("Otra")}},
      {"a heading ends a paragraph",
       "texto\n# Título",
       {Block::paragraph("texto"), Block::heading(1, "Título")}},
      {"an item ends a paragraph",
       "texto\n- punto",
       {Block::paragraph("texto"), Block::item(0, Marker::bullet(), "punto", {})}},
      {"a quote ends a paragraph",
       "texto\n> cita",
       {Block::paragraph("texto"), Block::quote("cita")}},
      {"a rule ends a paragraph", "texto\n---", {Block::paragraph("texto"), Block::rule()}},
      {"quote text trimmed of blanks",
       ">   dicho así  \n>",
       {Block::quote("dicho así"), Block::quote("")}},
      {"each quote line is its own block", "> a\n> b", {Block::quote("a"), Block::quote("b")}},
      {"unicode spaces trimmed", "\u00A0\u2003Texto\u3000", {Block::paragraph("Texto")}},
  });
}

TEST(MeetingFileBlocks, ItemsMarkersAndIndent) {
  check({
      {"bullets of three kinds",
       "- a\n* b\n+ c",
       {Block::item(0, Marker::bullet(), "a", {}), Block::item(0, Marker::bullet(), "b", {}),
        Block::item(0, Marker::bullet(), "c", {})}},
      {"numbers keep their point",
       "1. uno\n12. doce",
       {Block::item(0, Marker::numbered("1."), "uno", {}),
        Block::item(0, Marker::numbered("12."), "doce", {})}},
      {"tasks",
       "- [ ] pendiente\n- [x] hecha\n- [X] HECHA",
       {Block::item(0, Marker::task(false), "pendiente", {}),
        Block::item(0, Marker::task(true), "hecha", {}),
        Block::item(0, Marker::task(true), "HECHA", {})}},
      {"a checkbox wins over a number",
       "3. [x] hecho",
       {Block::item(0, Marker::task(true), "hecho", {})}},
      {"indent levels",
       "  - uno\n\t- cero\n    - dos\n     - dos también",
       {Block::item(1, Marker::bullet(), "uno", {}), Block::item(0, Marker::bullet(), "cero", {}),
        Block::item(2, Marker::bullet(), "dos", {}),
        Block::item(2, Marker::bullet(), "dos también", {})}},
      {"dash glued to a word is text", "-palabra", {Block::paragraph("-palabra")}},
      {"number with a parenthesis is text", "1) uno", {Block::paragraph("1) uno")}},
      {"ticked checkbox alone is a bullet's text",
       "- [x]",
       {Block::item(0, Marker::bullet(), "[x]", {})}},
      {"item text keeps inner markup",
       "- **negrita** y `código`",
       {Block::item(0, Marker::bullet(), "**negrita** y `código`", {})}},
      {"due and owner fields become chips in order",
       "- [ ] Entregar la práctica [due:: 2026-03-12] [owner:: Marta]",
       {Block::item(0, Marker::task(false), "Entregar la práctica", {"Due 12 mar", "Marta"})}},
      {"fields in the middle leave the rest of the text",
       "- Repasar [tema:: integrales] antes del examen",
       {Block::item(0, Marker::bullet(), "Repasar antes del examen", {"Tema integrales"})}},
      {"a field that is no date is shown as written",
       "- x [due:: 2026-02-30] [Prioridad:: ALTA]",
       {Block::item(0, Marker::bullet(), "x", {"Due 2026-02-30", "Prioridad ALTA"})}},
      {"field syntax outside items stays text",
       "Nota [due:: 2026-03-12]",
       {Block::paragraph("Nota [due:: 2026-03-12]")}},
  });
}

TEST(MeetingFileBlocks, TranscriptSectionAndTurns) {
  const std::string you = "[00:00:05] **You:** ";
  check({
      {"turns only after the exact transcript heading",
       you + "hola\n## Transcript\n" + you + "hola",
       {Block::paragraph(you + "hola"), Block::transcript(),
        Block::turn("00:00:05", "You", "hola", false)}},
      {"other spellings are headings",
       "## transcript\n" + you + "a\n### Transcript\n" + you + "b",
       {Block::heading(2, "transcript"), Block::paragraph(you + "a"),
        Block::heading(3, "Transcript"), Block::paragraph(you + "b")}},
      {"same speaker continues",
       "## Transcript\n" + you + "uno\n[00:00:09] **You:** dos\n[00:01:00] **Them:** tres",
       {Block::transcript(), Block::turn("00:00:05", "You", "uno", false),
        Block::turn("00:00:09", "You", "dos", true),
        Block::turn("00:01:00", "Them", "tres", false)}},
      {"a turn without speaker breaks the run",
       "## Transcript\n" + you + "uno\n[00:00:07] (ruido)\n" + you + "dos",
       {Block::transcript(), Block::turn("00:00:05", "You", "uno", false),
        Block::turn("00:00:07", std::nullopt, "(ruido)", false),
        Block::turn("00:00:05", "You", "dos", false)}},
      {"a heading resets the run",
       "## Transcript\n" + you + "uno\n## Transcript\n" + you + "dos",
       {Block::transcript(), Block::turn("00:00:05", "You", "uno", false), Block::transcript(),
        Block::turn("00:00:05", "You", "dos", false)}},
      {"a heading leaves the section",
       "## Transcript\n## Después\n" + you + "x",
       {Block::transcript(), Block::heading(2, "Después"), Block::paragraph(you + "x")}},
      {"lines that are no turn stay ordinary blocks",
       "## Transcript\n00:00:05 You: sin corchetes\n- punto\n[0:00:05] corto",
       {Block::transcript(), Block::paragraph("00:00:05 You: sin corchetes"),
        Block::item(0, Marker::bullet(), "punto", {}), Block::paragraph("[0:00:05] corto")}},
      {"named speakers and long times",
       "## Transcript\n[01:02:03] **Marta López:** pregunta\n[10:00:00]sin espacio",
       {Block::transcript(), Block::turn("01:02:03", "Marta López", "pregunta", false),
        Block::turn("10:00:00", std::nullopt, "sin espacio", false)}},
      {"a turn ends a paragraph",
       "## Transcript\nsuelto\n" + you + "hola",
       {Block::transcript(), Block::paragraph("suelto"),
        Block::turn("00:00:05", "You", "hola", false)}},
  });
}

TEST(MeetingFileBlocks, FencedCode) {
  check({
      {"fence with a language",
       "```python\nx = 1\n\n  y = 2\n```",
       {Block::code("x = 1\n\n  y = 2")}},
      {"fence ends a paragraph and is not styled",
       "texto\n```\n# no es título\n- ni punto\n```",
       {Block::paragraph("texto"), Block::code("# no es título\n- ni punto")}},
      {"unclosed fence keeps everything to the end",
       "```\nuno\n\n\ndos\n## Transcript",
       {Block::code("uno\n\n\ndos\n## Transcript")}},
      {"empty fence", "```\n```", {Block::code("")}},
  });
}

TEST(MeetingFileBlocks, TitleRuleRemovesOnlyTheMatchingLevelOneHeading) {
  const std::string markdown = kFront + "# Álgebra\n## Álgebra\n# Otra\n# Álgebra lineal";
  EXPECT_EQ(MeetingFileBlocks::forTitle(markdown, "Álgebra", "es"),
            (Blocks{Block::heading(2, "Álgebra"), Block::heading(1, "Otra"),
                    Block::heading(1, "Álgebra lineal")}));
  EXPECT_EQ(MeetingFileBlocks::forTitle(markdown, "", "es").size(), 4u);
}

TEST(MeetingFileBlocks, FieldTexts) {
  struct Row {
    const char* key;
    const char* value;
    const char* locale;
    const char* expected;
  };
  const Row rows[] = {
      {"owner", "Marta", "es", "Marta"},
      {"owner", "2026-03-12", "es", "2026-03-12"},
      {"Owner", "Marta", "es", "Owner Marta"},
      {"due", "2026-03-12", "es", "Due 12 mar"},
      {"due", "2026-03-12", "en_US", "Due Mar 12"},
      {"DUE", "2024-02-29", "es", "Due 29 feb"},
      {"due", "2023-02-29", "es", "Due 2023-02-29"},
      {"due", "2026-3-12", "es", "Due 2026-3-12"},
      {"due", "2026-03-12T10:00", "es", "Due 2026-03-12T10:00"},
      {"étape", "uno", "es", "Étape uno"},
      {"x", "y", "es", "X y"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " " + row.value + " " + row.locale);
    EXPECT_EQ(MeetingFileBlocks::fieldText(row.key, row.value, row.locale), row.expected);
  }
}

TEST(MeetingFileBlocks, CrlfFilesReadAsLineFeeds) {
  const std::string crlf =
      "---\r\ntitle: x\r\n---\r\n# Uno\r\n- [ ] a [owner:: Ana]\r\n\r\n## Transcript\r\n"
      "[00:00:01] **You:** hola\r\n```\r\ncode\r\n```\r\n";
  EXPECT_EQ(MeetingFileBlocks::parse(crlf, "es"),
            (Blocks{Block::heading(1, "Uno"), Block::item(0, Marker::task(false), "a", {"Ana"}),
                    Block::transcript(), Block::turn("00:00:01", "You", "hola", false),
                    Block::code("code")}));
}

TEST(MeetingFileBlocks, VeryLongLinesAreKeptWhole) {
  std::string word = "palabra ";
  std::string line;
  while (line.size() < 2'000'000) line += word;
  const Blocks paragraph = MeetingFileBlocks::parse(line, "es");
  ASSERT_EQ(paragraph.size(), 1u);
  EXPECT_EQ(paragraph[0].text.size(), line.size() - 1);  // the trailing blank is trimmed

  std::string item = "- tarea";
  for (int k = 0; k < 2000; ++k) item += " [k" + std::to_string(k) + ":: v]";
  const Blocks items = MeetingFileBlocks::parse(item, "es");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].text, "tarea");
  ASSERT_EQ(items[0].fields.size(), 2000u);
  EXPECT_EQ(items[0].fields.front(), "K0 v");
  EXPECT_EQ(items[0].fields.back(), "K1999 v");
}

TEST(MeetingFileBlocks, InvalidUtf8LosesNoText) {
  const std::string markdown =
      "## Transcript\n[00:00:01] **You:** a\xff"
      "b\xc3\n- x\xe2\x82 y\n\xc0\xaf";
  const Blocks blocks = MeetingFileBlocks::parse(markdown, "es");
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[1], Block::turn("00:00:01", "You", "a\uFFFDb\uFFFD", false));
  EXPECT_EQ(blocks[2].text, "x\uFFFD y");
  EXPECT_EQ(blocks[3].kind, Block::Kind::paragraph);
  for (const Block& block : blocks) EXPECT_TRUE(UnicodeText::isValidUtf8(block.text));
}

// Every word of the file shows up in some block: nothing of the text is dropped.
TEST(MeetingFileBlocks, EveryWordEndsInSomeBlock) {
  const std::string markdown =
      kFront +
      "# Clase\nIntro *uno*\n\n## Tareas\n  1. [x] dos [due:: 2026-01-02] [owner:: tres]\n"
      "> cuatro\n***\n```\ncinco\n\n```\n## Transcript\n[00:00:01] **You:** seis\n"
      "[00:00:02] **Them:** siete\nocho\n- nueve\n```\ndiez";
  std::string shown;
  for (const Block& block : MeetingFileBlocks::parse(markdown, "es")) {
    shown += " " + block.text + " " + block.time + " " + block.speaker.value_or("") + " " +
             block.marker.number;
    for (const std::string& field : block.fields) shown += " " + field;
  }
  const std::set<std::string> words = {"Clase",  "Intro", "uno",  "Tareas", "dos",  "tres",
                                       "cuatro", "cinco", "seis", "siete",  "ocho", "nueve",
                                       "diez",   "You",   "Them", "Due"};
  for (const std::string& word : words) EXPECT_NE(shown.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace kelv::core
