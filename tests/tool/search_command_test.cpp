#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kelv/core/library/meeting_store.h"
#include "sample_library.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::runTool;
using kelv::test::TempDir;
using testing::HasSubstr;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

struct SearchCommand : testing::Test {
  TempDir temp;
  std::map<std::string, std::string> environment{
      {"KELV_MEETINGS_DIR", (temp / "Meetings").string()},
      {"KELV_DEFAULTS_SUITE", "test"},
      {"HOME", temp.path().string()},
      {"XDG_CONFIG_HOME", (temp / "config").string()},
      {"XDG_DATA_HOME", (temp / "data").string()},
      {"TZ", "UTC"},
      {"LANG", "es_ES.UTF-8"}};
  kelv::test::SampleLibrary library{core::MeetingStore(temp / "Meetings"),
                                    temp / "Documents" / "Kelvora"};
  std::string id;

  SearchCommand() {
    const core::Date start =
        std::chrono::sys_days{std::chrono::year{2025} / 3 / 14} + std::chrono::hours{9};
    id = library.add({"Cálculo II: derivadas parciales", start}).id();
  }
  kelv::test::ToolResult kelv(std::vector<std::string> arguments) {
    return runTool({std::move(arguments), environment});
  }
};

TEST_F(SearchCommand, PrintsOneLinePerHitAndExitsByWhetherAnyMatched) {
  struct Case {
    std::vector<std::string> arguments;
    int exitStatus;
    std::vector<std::string> lines;  // none: only the count is checked
    size_t count;
  };
  const std::vector<Case> cases = {
      {{"search", "entra", "parcial"},
       0,
       {id + "  Tareas  El examen [parcial] [entra] hasta la regla de la cadena.",
        id + "  00:00:25 You  ¿[Entra] en el [parcial]?"},
       2},
      {{"search", "GRADIENTE", "maxima"},
       0,
       {id + "  Resumen  La clase repasó derivadas parciales y el [gradiente] como vector de "
             "[máxima] pendiente."},
       1},
      {{"search", "calculo"}, 0, {id + "  título  [Cálculo] II: derivadas parciales"}, 1},
      {{"search", "--limit", "2", "derivadas"}, 0, {}, 2},
      {{"search", "derivadas"}, 0, {}, 3},
      {{"search", "\"", "*", "NEAR"}, 1, {}, 0},
  };
  for (const Case& c : cases) {
    const auto result = kelv(c.arguments);
    EXPECT_EQ(result.exitStatus, c.exitStatus) << c.arguments.back() << result.err;
    if (!c.lines.empty()) EXPECT_EQ(lines(result.out), c.lines) << c.arguments.back();
    EXPECT_EQ(lines(result.out).size(), c.count) << c.arguments.back();
  }

  struct stat info {};
  ASSERT_EQ(::stat((temp / "Meetings" / "search.sqlite").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SearchCommand, JsonGivesOneObjectPerLine) {
  const auto result = kelv({"search", "--json", "buenos dias"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const auto all = lines(result.out);
  ASSERT_EQ(all.size(), 1u);
  const auto hit = nlohmann::json::parse(all[0]);
  EXPECT_EQ(hit["meeting"], id);
  EXPECT_EQ(hit["title"], "Cálculo II: derivadas parciales");
  EXPECT_EQ(hit["date"], "2025-03-14T09:00:00Z");
  EXPECT_EQ(hit["kind"], "turn");
  EXPECT_EQ(hit["time"], 4);
  EXPECT_EQ(hit["speaker"], "Them");
  EXPECT_EQ(hit["snippet"], "[Buenos] [días], hoy vemos derivadas parciales.");

  const auto notes = nlohmann::json::parse(lines(kelv({"search", "--json", "capitulo"}).out)[0]);
  EXPECT_EQ(notes["kind"], "notes");
  EXPECT_FALSE(notes.contains("time"));
}

TEST_F(SearchCommand, UsageErrors) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"search"},
                                                    {"search", "--json"},
                                                    {"search", "--limit"},
                                                    {"search", "--limit", "0", "x"},
                                                    {"search", "--limit", "dos", "x"},
                                                    {"search", "--limit", "3x", "x"},
                                                    {"search", "--xml", "x"}}) {
    const auto result = kelv(arguments);
    EXPECT_EQ(result.exitStatus, 2) << arguments.back();
    EXPECT_THAT(result.err, HasSubstr("kelv search: "));
  }
}

}  // namespace
}  // namespace kelv::tool
