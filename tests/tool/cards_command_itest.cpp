// kelv cards against a fake OpenAI-compatible notes service on loopback: what the request
// holds (the notes, else the transcript, cut to the notes writer's budget), how replies are
// read (fenced, with a preamble, none readable), the Anki file beside the Meeting file, and
// the message when no notes backend is set.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fake_http_service.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/notes/study_cards.h"
#include "kelv/core/settings/settings.h"
#include "long_class.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::FakeHttpService;
using kelv::test::readFile;
using testing::HasSubstr;
using Reply = FakeHttpService::Reply;
using json = nlohmann::json;

Reply chat(const std::string& content) {
  return Reply::json(
      json{{"choices", {{{"message", {{"role", "assistant"}, {"content", content}}}}}}}.dump());
}

const std::string kHeader =
    "#separator:tab\n#html:false\n#deck:Tizara::Cálculo II — Integrales impropias\n"
    "#tags column:3\n";
const std::string kTags = "\ttizara cálculo_ii_integrales_impropias\n";

struct KelvCards : testing::Test {
  kelv::test::TempDir temp;
  FakeHttpService llm;
  fs::path notes = temp / "notes";
  fs::path meetingFile = notes / "2025-03-14-0915-calculo.md";
  fs::path cardsFile = notes / "2025-03-14-0915-calculo.cards.txt";
  std::map<std::string, std::string> environment{
      {"KELV_MEETINGS_DIR", (temp / "Meetings").string()},
      {"HOME", temp.path().string()},
      {"XDG_CONFIG_HOME", (temp / "config").string()},
      {"KELV_DEFAULTS_SUITE", "test"},
      {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (temp / "no-bus").string()}};

  KelvCards() {
    fs::create_directories(notes);
    writeSettings(true);
  }

  void writeSettings(bool withNotes) {
    const json backend = withNotes ? json{{"type", "openai-compatible"},
                                          {"address", llm.baseUrl() + "/v1"},
                                          {"model", "llama"}}
                                   : json{{"type", "none"}};
    fs::create_directories(temp / "config" / "test");
    kelv::test::writeFile(
        temp / "config" / "test" / "preferences.json",
        json{{"v2.settings", {{"notesFolder", core::folderURL(notes)}, {"notes", backend}}}}
            .dump());
  }

  kelv::test::ToolResult kelv(std::vector<std::string> arguments) {
    kelv::test::ToolRun run(std::move(arguments), environment);
    run.input = R"({"v2.notes.openAICompatible":"sk-notes"})";
    return kelv::test::runTool(run);
  }

  // The user message of the only request.
  std::string userMessage() {
    const auto requests = llm.requests();
    EXPECT_EQ(requests.size(), 1u);
    if (requests.empty()) return {};
    const json body = json::parse(requests[0].body);
    return body["messages"][1]["content"].get<std::string>();
  }
};

TEST_F(KelvCards, RepliesReadIntoAnAnkiFile) {
  const std::string withoutNotes = [] {
    std::string file = kelv::test::longClassMarkdown({.turns = 3, .duration = 60});
    const size_t notes = file.find("## Resumen");
    file.erase(notes, file.find("## Transcript") - notes);
    return file;
  }();
  const struct {
    const char* what;
    std::string markdown;
    std::string reply;
    std::string expectedCards;  // empty: an error, and no file
    std::string inRequest;
  } cases[] = {
      {"a fenced reply", kelv::test::longClassMarkdown({.turns = 3, .duration = 60}),
       "```json\n{\"cards\":[{\"front\":\"¿Qué es una integral impropia?\",\"back\":\"Una de "
       "límite infinito\"}]}\n```",
       "¿Qué es una integral impropia?\tUna de límite infinito" + kTags,
       "Apuntes de la clase:\n\n## Resumen\n\nLa clase trató las **integrales impropias**"},
      {"a preamble, and tabs and line breaks inside a card",
       kelv::test::longClassMarkdown({.turns = 3, .duration = 60}),
       "Aquí tienes:\n[{\"front\":\"uno\\tdos\",\"back\":\"línea\\nsiguiente\"},"
       "{\"front\":\"¿Criterio?\",\"back\":\"Comparación\"}]",
       "uno dos\tlínea siguiente" + kTags + "¿Criterio?\tComparación" + kTags,
       "- [ ] Resolver la hoja 4 de ejercicios"},
      {"the transcript when the class has no notes", withoutNotes,
       R"({"cards":[{"front":"a","back":"b"}]})", "a\tb" + kTags,
       "Transcripción de la clase:\n\n[00:00:00] Profe: Bien, seguimos"},
      {"a reply without any card", kelv::test::longClassMarkdown({.turns = 3, .duration = 60}),
       "Lo siento, no hay suficiente material.", "", ""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    fs::remove(cardsFile);
    kelv::test::writeFile(meetingFile, test.markdown);
    llm.script("POST", "/v1/chat/completions", {chat(test.reply)});
    const size_t before = llm.count();
    const auto result = kelv({"cards", meetingFile.string()});
    ASSERT_EQ(llm.count(), before + 1);
    const auto request = llm.requests().back();
    EXPECT_EQ(request.header("Authorization"), "Bearer sk-notes");
    const json body = json::parse(request.body);
    EXPECT_THAT(body["messages"][0]["content"].get<std::string>(), HasSubstr("(código es)"));
    EXPECT_THAT(body["messages"][1]["content"].get<std::string>(), HasSubstr(test.inRequest));
    if (test.expectedCards.empty()) {
      EXPECT_EQ(result.exitStatus, 1);
      EXPECT_THAT(result.err, HasSubstr("ninguna tarjeta de estudio legible"));
      EXPECT_FALSE(fs::exists(cardsFile));
    } else {
      ASSERT_EQ(result.exitStatus, 0) << result.err;
      EXPECT_EQ(result.out, cardsFile.string() + "\n");
      EXPECT_EQ(readFile(cardsFile), kHeader + test.expectedCards);
    }
  }
}

TEST_F(KelvCards, LongNotesAreCutAtALineToTheBudget) {
  std::string notesText = "## Conceptos clave\n";
  for (int index = 0; index < 4000; ++index)
    notesText += "\n- Idea numero " + std::to_string(index) + ": una explicacion breve";
  std::string file = kelv::test::longClassMarkdown({.turns = 3, .duration = 60});
  const size_t start = file.find("## Resumen");
  file.replace(start, file.find("## Transcript") - start, notesText + "\n\n");
  kelv::test::writeFile(meetingFile, file);
  llm.script("POST", "/v1/chat/completions", {chat(R"([{"front":"a","back":"b"}])")});
  ASSERT_EQ(kelv({"cards", meetingFile.string(), "-o", (temp / "a.txt").string()}).exitStatus, 0);
  EXPECT_EQ(readFile(temp / "a.txt"), kHeader + "a\tb" + kTags);

  const std::string user = userMessage();
  const std::string prefix = "Apuntes de la clase:\n\n";
  const std::string suffix = "\n\nEscribe las tarjetas de estudio:";
  ASSERT_TRUE(user.starts_with(prefix) && user.ends_with(suffix));
  const std::string sent = user.substr(prefix.size(), user.size() - prefix.size() - suffix.size());
  // A loopback service is planned at 4 096 tokens of context.
  const long long budget = core::NotesWriter::maxChars(core::StudyCards::systemText("es"), 4096);
  EXPECT_LE(static_cast<long long>(sent.size()), budget);  // ASCII: bytes are characters
  ASSERT_TRUE(notesText.starts_with(sent + "\n"));
  const size_t nextLine = notesText.find('\n', sent.size() + 1);
  EXPECT_GT(static_cast<long long>(nextLine), budget);
}

TEST_F(KelvCards, NoNotesBackendNamesTheSetting) {
  writeSettings(false);
  kelv::test::writeFile(meetingFile, kelv::test::longClassMarkdown({.turns = 3, .duration = 60}));
  const auto result = kelv({"cards", meetingFile.string()});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.err, HasSubstr("Ajustes de Tizara ▸ AI ▸ Notes backend"));
  EXPECT_EQ(llm.count(), 0u);
  EXPECT_FALSE(fs::exists(cardsFile));
}

}  // namespace
}  // namespace kelv::tool
