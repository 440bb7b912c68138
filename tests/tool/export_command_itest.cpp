// kelv export end to end over a notes folder: the file as the user edited it in every text
// format, a 3-hour class's PDF read back with pdftotext, and the usage and lookup errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <iterator>
#include <set>
#include <sstream>

#include "child_process.h"
#include "kelv/core/settings/settings.h"
#include "long_class.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::readFile;
using kelv::test::runTool;
using kelv::test::TempDir;
using testing::HasSubstr;

// "name yes|no" per font of the document, "yes" for an embedded one, sorted by name with the
// subset tag taken off.
std::string embeddedFonts(const fs::path& pdf) {
  int status = -1;
  std::istringstream lines(kelv::test::runCommand("pdffonts '" + pdf.string() + "'", &status));
  std::set<std::string> fonts;
  std::string line;
  for (int header = 0; header < 2 && std::getline(lines, line); ++header) {
  }
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> columns{std::istream_iterator<std::string>(words), {}};
    if (columns.size() < 6) continue;
    std::string name = columns.front();
    if (name.size() > 7 && name[6] == '+') name.erase(0, 7);
    fonts.insert(name + " " + columns[columns.size() - 5]);
  }
  std::string out;
  for (const std::string& font : fonts) out += font + "\n";
  return out;
}

struct KelvExport : testing::Test {
  TempDir temp;
  std::map<std::string, std::string> environment{
      {"KELV_MEETINGS_DIR", (temp / "Meetings").string()},
      {"HOME", temp.path().string()},
      {"XDG_CONFIG_HOME", (temp / "config").string()},
      {"KELV_DEFAULTS_SUITE", "test"},
      {"TZ", "UTC"},
      {"LANG", "es_ES.UTF-8"},
      {"LC_ALL", ""},
      {"LC_PAPER", ""}};
  fs::path notes = temp / "notes";

  KelvExport() {
    fs::create_directories(temp / "config" / "test");
    kelv::test::writeFile(
        temp / "config" / "test" / "preferences.json",
        nlohmann::json{{"v2.settings", {{"notesFolder", core::folderURL(notes)}}}}.dump());
    fs::create_directories(notes);
  }

  fs::path addClass(const std::string& markdown) {
    const fs::path file = notes / "2025-03-14-0915-calculo.md";
    kelv::test::writeFile(file, markdown);
    return file;
  }

  kelv::test::ToolResult kelv(std::vector<std::string> arguments) {
    return runTool({std::move(arguments), environment});
  }
};

TEST_F(KelvExport, TextFormatsSayWhatTheFileSaysNow) {
  const fs::path file = addClass(kelv::test::longClassMarkdown({.turns = 3, .duration = 60}));
  // The user edits the file after processing: a new turn text and a note of their own.
  std::string edited = readFile(file);
  edited.replace(edited.find("Bien, seguimos"), 14, "Bueno, pasamos");
  edited.replace(edited.find("## Tareas"), 9,
                 "## Mis dudas\n\nPreguntar el criterio.\n\n## Tareas");
  kelv::test::writeFile(file, edited);

  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;
  } cases[] = {
      {{"--format", "txt"},
       {"Cálculo II — Integrales impropias\n=====",
        "Mis dudas\n---------\n\nPreguntar el criterio.",
        "[ ] Resolver la hoja 4 de ejercicios (You)", "[00:00:00] Profe: Bueno, pasamos",
        "[00:00:15] Yo: ¿Y si la función"}},
      {{"--format=srt"},
       {"1\n00:00:00,000 --> 00:00:15,000\nProfe: Bueno, pasamos con el ejemplo"}},
      {{"--format", "VTT"}, {"WEBVTT\n\n00:00:00.000 --> 00:00:15.000\n<v Profe>Bueno, pasamos"}},
  };
  for (const auto& test : cases) {
    std::vector<std::string> arguments{"export", file.string()};
    arguments.insert(arguments.end(), test.arguments.begin(), test.arguments.end());
    const auto result = kelv(arguments);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    for (const std::string& text : test.expected) EXPECT_THAT(result.out, HasSubstr(text));
  }
  // With -o the extension names the format.
  const auto written = kelv({"export", file.string(), "-o", (temp / "clase.srt").string()});
  ASSERT_EQ(written.exitStatus, 0) << written.err;
  EXPECT_EQ(written.out, "");
  EXPECT_THAT(readFile(temp / "clase.srt"), HasSubstr("Profe: Bueno, pasamos"));
}

TEST_F(KelvExport, PdfOfAThreeHourClass) {
  if (!fs::exists(fs::path(kelv::test::toolPath()).parent_path() / "kelvora-pdf"))
    GTEST_SKIP() << "built without the application";
  const fs::path file = addClass(kelv::test::longClassMarkdown());
  const fs::path pdf = temp / "clase.pdf";
  const auto result = kelv({"export", file.string(), "--format", "pdf", "-o", pdf.string()});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_FALSE(fs::exists(temp / "clase.pdf.part"));

  int status = -1;
  const std::string text =
      kelv::test::runCommand("pdftotext -layout '" + pdf.string() + "' -", &status);
  ASSERT_EQ(status, 0);
  const std::string info = kelv::test::runCommand("pdfinfo '" + pdf.string() + "'", &status);
  ASSERT_EQ(status, 0);
  int pages = 0;
  std::sscanf(info.substr(info.find("Pages:")).c_str(), "Pages: %d", &pages);
  EXPECT_GT(pages, 50);
  EXPECT_THAT(info, HasSubstr("(A4)"));  // in Spain
  const std::string fonts = embeddedFonts(pdf);
  EXPECT_THAT(fonts, HasSubstr("DejaVuSans yes\n"));
  EXPECT_THAT(fonts, testing::Not(HasSubstr(" no\n"))) << fonts;
  for (const std::string& expected :
       {std::string("Cálculo II — Integrales impropias"), std::string("Conceptos clave"),
        std::string("Resolver la hoja 4 de ejercicios"), std::string("Profe:"),
        kelv::test::longClassLastTurn(), "1 / " + std::to_string(pages),
        std::to_string(pages) + " / " + std::to_string(pages)})
    EXPECT_THAT(text, HasSubstr(expected));
}

TEST_F(KelvExport, LetterInTheUnitedStates) {
  if (!fs::exists(fs::path(kelv::test::toolPath()).parent_path() / "kelvora-pdf"))
    GTEST_SKIP() << "built without the application";
  const fs::path file = addClass(kelv::test::longClassMarkdown({.turns = 4, .duration = 60}));
  environment["LC_PAPER"] = "en_US.UTF-8";
  const fs::path pdf = temp / "clase.pdf";
  ASSERT_EQ(kelv({"export", file.string(), "-o", pdf.string()}).exitStatus, 0);
  int status = -1;
  EXPECT_THAT(kelv::test::runCommand("pdfinfo '" + pdf.string() + "'", &status),
              HasSubstr("(letter)"));
}

TEST_F(KelvExport, Errors) {
  const fs::path file = addClass(kelv::test::longClassMarkdown({.turns = 2, .duration = 60}));
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } cases[] = {
      {{"export"}, 2, "give a meeting id"},
      {{"export", file.string()}, 2, "give --format"},
      {{"export", file.string(), "--format", "docx"}, 2, "unknown format \"docx\""},
      {{"export", file.string(), "--format", "pdf"}, 2, "-o FILE"},
      {{"export", file.string(), "-o", (temp / "x.doc").string()}, 2, "give --format"},
      {{"export", "2024-01-01-000000-zzzz", "--format", "txt"},
       1,
       "No hay ninguna clase con el identificador «2024-01-01-000000-zzzz»."},
      {{"export", file.string(), "--format", "txt", "-o", (temp / "no" / "x.txt").string()},
       1,
       "kelv export: "},
  };
  for (const auto& test : cases) {
    const auto result = kelv(test.arguments);
    EXPECT_EQ(result.exitStatus, test.status) << test.message;
    EXPECT_THAT(result.err, HasSubstr(test.message));
  }
}

}  // namespace
}  // namespace kelv::tool
