// The notes writer's text rules: prompt, transcript text, part budget, cutting, reading the
// reply, dropping empty sections, and the notes' JSON form.
#include "kelv/core/notes/notes_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "kelv/core/util/library_json.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

using namespace NotesWriter;

size_t characterCount(std::string_view text) { return UnicodeText::characters(text).size(); }

TEST(NotesWriter, DefaultPromptIsTheBuiltInText) {
  EXPECT_EQ(defaultPrompt.size(), 1320u);
  EXPECT_EQ(characterCount(defaultPrompt), 1301u);
  EXPECT_EQ(std::count(defaultPrompt.begin(), defaultPrompt.end(), '\n'), 27);
  EXPECT_FALSE(defaultPrompt.ends_with("\n"));
  EXPECT_NE(defaultPrompt.find("Markdown.     \"You\" es el estudiante"), std::string_view::npos);
  EXPECT_TRUE(defaultPrompt.ends_with("No inventes contenido que no aparezca en la clase."));
}

TEST(NotesWriter, PlainTextWritesOneTimedLinePerTurn) {
  struct Case {
    const char* name;
    std::vector<Turn> turns;
    std::string expected;
  } cases[] = {
      {"no turns", {}, ""},
      {"hours, minutes, seconds rounded down", {{3725.9, "You", "hola"}}, "[01:02:05] You: hola"},
      {"no speaker", {{59.999, std::nullopt, "sin etiqueta"}}, "[00:00:59] sin etiqueta"},
      {"negative start counts as zero", {{-3, "Them", "a"}}, "[00:00:00] Them: a"},
      {"hours are not limited to 24", {{100 * 3600 + 61, "Them", "b"}}, "[100:01:01] Them: b"},
      {"lines joined without a final break",
       {{0, "You", "uno"}, {1.5, "Them", "dos"}},
       "[00:00:00] You: uno\n[00:00:01] Them: dos"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(plainText(c.turns), c.expected);
  }
}

TEST(NotesWriter, PartBudgetCountsCharactersAndNeverGoesBelowTheFloor) {
  struct Case {
    const char* name;
    std::string system;
    long long context;
    long long expected;
  } cases[] = {
      {"8192 tokens, 1400-character system text", std::string(1400, 's'), 8192, 22776},
      {"accented system text counts characters, not bytes",
       [] {
         std::string s;
         for (int i = 0; i < 1400; ++i) s += "á";
         return s;
       }(),
       8192, 22776},
      {"2048 tokens: negative budget gives the floor", "system", 2048, 4000},
      {"just above the floor", "", 2048 + 100 + 1001, 4004},
      {"cloud context", "", 128000, (128000 - 2048 - 100) * 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(maxChars(c.system, c.context), c.expected);
  }
}

TEST(NotesWriter, ChunksCutAtLinesAndSplitOnlyOverlongLines) {
  struct Case {
    const char* name;
    std::string text;
    long long maxChars;
    std::vector<std::string> expected;
  } cases[] = {
      {"empty text gives no parts", "", 10, {}},
      {"only line breaks give no parts", "\n\n", 10, {}},
      {"fits in one part", "ab\ncd", 10, {"ab\ncd"}},
      {"exactly at the limit stays together", "abcd\nefgh", 9, {"abcd\nefgh"}},
      {"one past the limit closes the part", "abcd\nefghi", 9, {"abcd", "efghi"}},
      {"empty lines inside a part stay", "ab\n\ncd", 10, {"ab\n\ncd"}},
      {"overlong line cut into exact pieces, remainder starts the next part",
       "xy\nabcdefghij\nk",
       4,
       {"xy", "abcd", "efgh", "ij\nk"}},
      {"accented and combining characters count once",
       "e\u0301e\u0301e\u0301\nñññ",
       7,
       {"e\u0301e\u0301e\u0301\nñññ"}},
      {"overlong accented line cut at character boundaries", "áéíóúñ", 4, {"áéíó", "úñ"}},
      {"a limit below one still makes progress", "abc", 0, {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(chunks(c.text, c.maxChars), c.expected);
  }
}

TEST(NotesWriter, OmitEmptySectionsDropsOnlyTheFiveEmptyBodies) {
  struct Case {
    const char* name;
    std::string markdown;
    std::string expected;
  } cases[] = {
      {"None. task list dropped, real task kept",
       "## Resumen\nTexto.\n\n## Tareas\n- None.\n\n## Dudas\n- [ ] repasar",
       "## Resumen\nTexto.\n\n## Dudas\n- [ ] repasar"},
      {"head before the first section always stays", "Intro\n\n## Tareas\n", "Intro"},
      {"heading without body", "## Resumen\nA\n## Ejemplos", "## Resumen\nA"},
      {"case, bullets and stars", "## A\n**N/A**\n## B\n• Nothing.\n## C\n* na\n## D\nx",
       "## D\nx"},
      {"other languages keep their section", "## Dudas\nNinguna.", "## Dudas\nNinguna."},
      {"a longer body is kept", "## Dudas\nNone yet, but ask", "## Dudas\nNone yet, but ask"},
      {"level-3 headings are part of the body", "## A\n### sub\n- none", "## A\n### sub\n- none"},
      {"surrounding space trimmed", "\n\n  ## A\nx\n\n", "## A\nx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(omitEmptySections(c.markdown), c.expected);
  }
}

TEST(Notes, ReadsTheTitleLineOfTheReply) {
  struct Case {
    const char* name;
    std::string reply;
    std::optional<std::string> title;
    std::string markdown;
  } cases[] = {
      {"bold title with an empty line after", "Title: **Álgebra — Matrices**\n\n## Resumen\nx",
       "Álgebra — Matrices", "\n## Resumen\nx"},
      {"any case, quotes and hashes trimmed", "  TITLE:\t\"# Física\" \n## A", "Física", "## A"},
      {"empty title means none", "Title: ** **\n## A", std::nullopt, "## A"},
      {"title line alone", "Title: Solo", "Solo", ""},
      {"no title line", "## A\nTitle: later", std::nullopt, "## A\nTitle: later"},
      {"empty reply", " \n ", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Notes notes = Notes::fromReply(c.reply);
    EXPECT_EQ(notes.title, c.title);
    EXPECT_EQ(notes.markdown, c.markdown);
    EXPECT_EQ(notes.turns, std::nullopt);
  }
}

TEST(Notes, JsonFormLeavesOutAbsentFieldsAndRoundTrips) {
  const Notes bare{std::nullopt, "## A\nx", std::nullopt};
  EXPECT_EQ(nlohmann::json(bare), nlohmann::json::parse(R"({"markdown":"## A\nx"})"));
  const Notes full{"Álgebra", "## A",
                   std::vector<Turn>{{1.5, "You", "hola"}, {2, std::nullopt, "x"}}};
  const nlohmann::json json = full;
  EXPECT_EQ(
      json,
      nlohmann::json::parse(
          R"({"markdown":"## A","title":"Álgebra","turns":[{"speaker":"You","start":1.5,"text":"hola"},{"start":2,"text":"x"}]})"));
  EXPECT_EQ(notesFromJson(nlohmann::json::parse(LibraryJson::encode(json))), full);
  EXPECT_EQ(notesFromJson(nlohmann::json::parse(R"({"markdown":"m","title":null,"turns":null})")),
            (Notes{std::nullopt, "m", std::nullopt}));
  for (const char* bad :
       {R"({"title":"t"})", R"({"markdown":3})", R"([])", R"({"markdown":"m","turns":{}})"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(notesFromJson(nlohmann::json::parse(bad)), LibraryJson::DecodingError);
  }
}

}  // namespace
}  // namespace kelv::core
