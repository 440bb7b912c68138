// A Meeting file read for export as the user left it: edited title and notes, speakers named
// as the window names them, the length from the file or the caller, and its plain-text form.
#include <gtest/gtest.h>

#include <string>

#include "kelv/core/export/exported_meeting.h"
#include "kelv/core/export/plain_text_export.h"

namespace kelv::core {
namespace {

// A file as the writer makes it, then edited: a new title, a task, a section after the
// transcript and a turn without a speaker.
constexpr const char* kEdited =
    "---\n"
    "schema: kelvora/v1\n"
    "title: \"Física — Ondas (repaso)\"\n"
    "duration: 52\n"
    "participants:\n"
    "  - You\n"
    "language: es\n"
    "tags: [física, examen]\n"
    "x_kelvora_meeting: \"2025-03-14-091500-abcd\"\n"
    "---\n"
    "\n"
    "# Física — Ondas (repaso)\n"
    "\n"
    "## Resumen\n"
    "\n"
    "Ondas **estacionarias** y `nodos`, ver [apuntes](https://ejemplo.es/a).\n"
    "\n"
    "- [x] Repasar el tema 3\n"
    "- [ ] Entregar la práctica [due:: 2025-03-21]\n"
    "  1. primer apartado\n"
    "> Esto cae\n"
    "\n"
    "```\nv = λ f\n```\n"
    "\n"
    "## Transcript\n"
    "\n"
    "[00:00:00] **Them:** Empezamos.\n"
    "\n"
    "[00:00:04] **You:** ¿Con el tema 3?\n"
    "\n"
    "[00:51:10] sin nombre\n"
    "\n"
    "## Añadido después\n"
    "\n"
    "Una nota mía.\n";

TEST(ExportedMeeting, ReadsTheFileAsItIsNow) {
  const ExportedMeeting meeting =
      ExportedMeeting::parse(kEdited, "2025-03-14-0915-ondas.md", std::nullopt, "es_ES");
  EXPECT_EQ(meeting.title, "Física — Ondas (repaso)");
  EXPECT_EQ(meeting.duration, 52 * 60);
  EXPECT_EQ(meeting.language, "es");
  EXPECT_EQ(meeting.tags,
            (std::vector<std::string>{"tizara", "física_ondas_repaso", "física", "examen"}));
  ASSERT_EQ(meeting.transcript.size(), 3u);
  EXPECT_EQ(meeting.transcript[0].speaker, "Profe");
  EXPECT_EQ(meeting.transcript[1].speaker, "Yo");
  EXPECT_EQ(meeting.transcript[1].start, 4);
  EXPECT_EQ(meeting.transcript[2].speaker, "");
  EXPECT_EQ(meeting.transcript[2].start, 51 * 60 + 10);
  EXPECT_TRUE(meeting.notesMarkdown.starts_with("## Resumen\n"));
  EXPECT_TRUE(meeting.notesMarkdown.ends_with("```\nv = λ f\n```"));

  EXPECT_EQ(PlainTextExport::text(meeting, "es_ES"),
            "Física — Ondas (repaso)\n"
            "=======================\n"
            "52m\n"
            "\n"
            "Resumen\n"
            "-------\n"
            "\n"
            "Ondas estacionarias y nodos, ver apuntes (https://ejemplo.es/a).\n"
            "\n"
            "[x] Repasar el tema 3\n"
            "[ ] Entregar la práctica (Due 21 mar)\n"
            "  1. primer apartado\n"
            "\n"
            "> Esto cae\n"
            "\n"
            "    v = λ f\n"
            "\n"
            "Añadido después\n"
            "---------------\n"
            "\n"
            "Una nota mía.\n"
            "\n"
            "Transcripción\n"
            "-------------\n"
            "\n"
            "[00:00:00] Profe: Empezamos.\n"
            "[00:00:04] Yo: ¿Con el tema 3?\n"
            "[00:51:10] sin nombre\n");
}

struct LengthCase {
  const char* what;
  std::string markdown;
  std::optional<double> known;
  double expected;
};

TEST(ExportedMeeting, LengthOfTheClass) {
  const std::string head = "---\nschema: kelvora/v1\ntitle: \"T\"\nduration: 2\n---\n\n";
  const LengthCase cases[] = {
      {"the file's minutes", head, std::nullopt, 120},
      {"the caller's exact seconds win", head, 95.5, 95.5},
      {"never before the last turn", head + "## Transcript\n\n[00:03:00] **You:** tarde\n",
       std::nullopt, 180},
  };
  for (const LengthCase& test : cases)
    EXPECT_EQ(ExportedMeeting::parse(test.markdown, "x.md", test.known).duration, test.expected)
        << test.what;
}

TEST(ExportedMeeting, InlineMarksTakenOut) {
  const std::pair<const char*, const char*> cases[] = {
      {"**negrita** y *cursiva* y __otra__ y _más_", "negrita y cursiva y otra y más"},
      {"snake_case y 2 * 3", "snake_case y 2 * 3"},
      {"`a*b` \\*literal\\*", "a*b *literal*"},
      {"[https://x.es](https://x.es) y [roto](", "https://x.es y [roto]("},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(PlainTextExport::withoutMarks(in), out) << in;
}

}  // namespace
}  // namespace kelv::core
