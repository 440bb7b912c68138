// The notes step end to end against a scripted model: vocabulary correction, the exact
// requests of one-part and multi-part transcripts, titles and empty notes.
#include <gtest/gtest.h>

#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/notes_error.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/util/unicode_text.h"
#include "scripted_model.h"

namespace kelv::core {
namespace {

using namespace NotesWriter;
using test::ScriptedModel;

const std::string kSystemSuffix =
    "\n\nStart your reply with one line `Title: <asignatura — tema de la clase>`, then the notes.";

TEST(Similarity, ComparesReducedLetters) {
  struct Case {
    const char* a;
    const char* b;
    double expected;
  } cases[] = {
      {"Kubernetes", "cooper netties", 1.0 - 4.0 / 11.0},
      {"Kubernetes", "cooper", 0.2},
      {"Lyon", "Lion", 1.0},
      {"", "", 1.0},
      {"123 ...", "!", 1.0},  // no letters on either side
      {"Sevilla", "sevila", 1.0},
      {"Ángel", "angel", 0.8},
      {"abc", "", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_DOUBLE_EQ(similarity(c.a, c.b), c.expected);
  }
}

TEST(Misheard, FindsTheExactWrongTextInThePart) {
  const std::string part = "[00:00:01] Them: we deploy on Cooper netties, and cooper is fine";
  struct Case {
    const char* name;
    std::string from;
    std::string term;
    std::optional<std::string> expected;
  } cases[] = {
      {"alike enough: taken as given", "cooper netties", "Kubernetes", "cooper netties"},
      {"one word widened to its neighbour, written as in the part", "cooper", "Kubernetes",
       "Cooper netties"},
      {"not in the part", "copper", "Kubernetes", std::nullopt},
      {"no words", "  --  ", "Kubernetes", std::nullopt},
      {"longer than the part", "a b c d e f g h i j k l m", "Kubernetes", std::nullopt},
      {"nothing near sounds like the term", "deploy", "Kubernetes", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(misheard(c.from, c.term, part), c.expected);
  }
}

std::vector<Turn> turnsOf(std::initializer_list<const char*> texts) {
  std::vector<Turn> turns;
  double start = 0;
  for (const char* text : texts) turns.push_back({start += 5, "Them", text});
  return turns;
}

TEST(CorrectVocabulary, AppliesOnlyVerifiedSuggestions) {
  struct Case {
    const char* name;
    std::vector<std::string> vocabulary;
    std::vector<Turn> turns;
    std::string reply;
    std::vector<std::string> expected;
  } cases[] = {
      {"Kubernetes, whatever the case of to",
       {"Kubernetes"},
       turnsOf({"we deploy on cooper netties", "Cooper Netties again"}),
       R"([{"from": "cooper netties", "to": "kubernetes"}])",
       {"we deploy on Kubernetes", "Kubernetes again"}},
      {"to that is not a term is dropped",
       {"Kubernetes"},
       turnsOf({"the hole thing"}),
       R"([{"from": "hole", "to": "whole"}])",
       {"the hole thing"}},
      {"prose around the array",
       {"Ana"},
       turnsOf({"ana y Anabel con Mariana, ANA."}),
       "Sure! Here you go:\n```json\n[{\"from\": \"ana\", \"to\": \"Ana\"}]\n```\nDone.",
       {"Ana y Anabel con Mariana, Ana."}},
      {"no closing bracket",
       {"Ana"},
       turnsOf({"ana"}),
       R"([{"from": "ana", "to": "Ana"})",
       {"ana"}},
      {"a value that is not a string spoils the reply",
       {"Ana"},
       turnsOf({"ana"}),
       R"([{"from": "ana", "to": "Ana", "score": 1}])",
       {"ana"}},
      {"brackets in the wrong order", {"Ana"}, turnsOf({"ana"}), "] ana [", {"ana"}},
      {"missing from and blank from are skipped",
       {"Ana"},
       turnsOf({"ana"}),
       R"([{"to": "Ana"}, {"from": " \t ", "to": "Ana"}])",
       {"ana"}},
      {"regular-expression characters are literal on both sides",
       {"C$1\\d"},
       turnsOf({"learn c.d today", "cxd stays"}),
       R"([{"from": "c.d", "to": "C$1\\d"}])",
       {"learn C$1\\d today", "cxd stays"}},
      {"accented Spanish term",
       {"Schrödinger"},
       turnsOf({"la ecuación de shrodinger, según Shrodinger"}),
       R"([{"from": "shrodinger", "to": "schrödinger"}])",
       {"la ecuación de Schrödinger, según Schrödinger"}},
      {"longest wrong text first",
       {"Kubernetes", "Kube"},
       turnsOf({"cooper netties and kub"}),
       R"([{"from": "kub", "to": "Kube"}, {"from": "cooper netties", "to": "Kubernetes"}])",
       {"Kubernetes and Kube"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedModel model;
    model.script({c.reply});
    const std::vector<Turn> corrected = correctVocabulary(c.turns, c.vocabulary, model);
    ASSERT_EQ(corrected.size(), c.turns.size());
    for (size_t i = 0; i < corrected.size(); ++i) {
      EXPECT_EQ(corrected[i].text, c.expected[i]);
      EXPECT_EQ(corrected[i].start, c.turns[i].start);
      EXPECT_EQ(corrected[i].speaker, c.turns[i].speaker);
    }
    ASSERT_EQ(model.requests().size(), 1u);
    EXPECT_EQ(model.requests()[0].user, plainText(c.turns));
  }
}

TEST(CorrectVocabulary, AMalformedReplyLosesOnlyItsOwnPart) {
  // Context 2048 gives parts of 4000 characters: 39 lines of 101 characters each, so two parts.
  std::vector<Turn> turns;
  for (int i = 0; i < 70; ++i) turns.push_back({double(i), "Them", std::string(80, 'x') + " ana"});
  ScriptedModel model(2048);
  model.script({"not json [oops]", R"([{"from": "ana", "to": "Ana"}])"});
  const std::vector<Turn> corrected = correctVocabulary(turns, {"Ana"}, model);
  ASSERT_EQ(model.requests().size(), 2u);
  // Corrections are gathered first and then applied to every turn.
  for (const Turn& turn : corrected) EXPECT_TRUE(turn.text.ends_with(" Ana")) << turn.text;
}

TEST(CorrectVocabulary, SendsNothingWithoutVocabularyOrTurns) {
  ScriptedModel model;
  EXPECT_EQ(correctVocabulary(turnsOf({"a"}), {}, model), turnsOf({"a"}));
  EXPECT_TRUE(correctVocabulary({}, {"Ana"}, model).empty());
  EXPECT_TRUE(model.requests().empty());
}

TEST(NotesStep, KubernetesIsCorrectedBeforeTheNotesAreWritten) {
  ScriptedModel model;
  model.script({R"([{"from": "cooper netties", "to": "kubernetes"}])",
                "Title: Sistemas — Despliegue\n\n## Resumen\nKubernetes.\n\n## Tareas\n- None."});
  const std::vector<Turn> turns = {{3725.9, "Them", "we deploy on cooper netties"}};
  const Notes notes = step("PROMPT", {"Kubernetes", "Grafana"})(turns, model);

  ASSERT_EQ(model.requests().size(), 2u);
  EXPECT_EQ(model.requests()[0].system,
            "You fix speech-recognition mistakes in names and terms. The Vocabulary is: "
            "Kubernetes, Grafana.\nFind places in the transcript where a Vocabulary term was "
            "written wrongly: misspelled, merged, or heard as other words that sound like it "
            "(often ordinary words, e.g. \"cooper netties\" for \"Kubernetes\"). Reply with only "
            "a JSON array like [{\"from\": \"exact wrong text as it appears\", \"to\": "
            "\"Vocabulary term\"}], or [] if there are none. \"from\" is only the misheard words, "
            "never the correct words around them. Never suggest any other change.");
  EXPECT_EQ(model.requests()[0].user, "[01:02:05] Them: we deploy on cooper netties");
  EXPECT_EQ(
      model.requests()[1].system,
      "PROMPT" + kSystemSuffix + " Spell these names and terms exactly: Kubernetes, Grafana.");
  EXPECT_EQ(model.requests()[1].user,
            "Here is the meeting transcript:\n\n[01:02:05] Them: we deploy on Kubernetes\n\n"
            "Write the meeting notes:");
  EXPECT_EQ(notes, (Notes{"Sistemas — Despliegue", "## Resumen\nKubernetes.",
                          std::vector<Turn>{{3725.9, "Them", "we deploy on Kubernetes"}}}));
}

TEST(NotesStep, ThreePartTranscriptIsWrittenInPartsAndCombined) {
  // 117 lines of exactly 100 characters (with accents, so bytes exceed characters); parts of
  // 4000 characters hold 39 lines each.
  std::vector<Turn> turns;
  std::vector<std::string> lines;
  for (int i = 0; i < 117; ++i) {
    std::string text = "línea " + std::string(1, char('a' + i % 26));
    while (UnicodeText::characters(text).size() < 83) text += "é";
    turns.push_back({double(i), "Them", text});
    lines.push_back("[00:" + std::string(i / 60 < 10 ? "0" : "") + std::to_string(i / 60) + ":" +
                    (i % 60 < 10 ? "0" : "") + std::to_string(i % 60) + "] Them: " + text);
    ASSERT_EQ(UnicodeText::characters(lines.back()).size(), 100u);
  }
  auto joinLines = [&](int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) out += (i > from ? "\n" : "") + lines[i];
    return out;
  };
  ScriptedModel model(2048);
  model.script({"notas uno", "notas dos", "notas tres", "Title: Historia\n## Resumen\nÉpoca."});
  const Notes notes = step("P", {})(turns, model);

  ASSERT_EQ(model.requests().size(), 4u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(model.requests()[i].system, "P" + kSystemSuffix);
    EXPECT_EQ(model.requests()[i].user,
              "Here is part " + std::to_string(i + 1) + " of 3 of the meeting transcript:\n\n" +
                  joinLines(39 * i, 39 * i + 39) + "\n\nWrite the meeting notes for this part:");
  }
  EXPECT_EQ(model.requests()[3].user,
            "Here is notes from consecutive parts of one meeting:\n\n"
            "notas uno\n\n---\n\nnotas dos\n\n---\n\nnotas tres\n\n"
            "Combine them into one set of meeting notes, merging duplicates:");
  EXPECT_EQ(notes, (Notes{"Historia", "## Resumen\nÉpoca.", std::nullopt}));
}

TEST(NotesStep, SplitsAtMostThreeLevelsDeep) {
  // Every reply is as long as a part, so each level splits again until depth 3 sends it whole.
  ScriptedModel model(2048);
  const std::string longReply(4000, 'n');
  model.answer([&](const ScriptedModel::Request&) { return longReply; });
  const std::string text = std::string(4000, 't') + "\n" + std::string(4000, 't');
  EXPECT_EQ(write(text, true, "S", model, 0), longReply);
  // Depth 0: 2 parts. Each separator "\n\n---\n\n" between full replies becomes a part of its
  // own ("---\n"), so depth 1 has 3 parts and depth 2 has 5; depth 3 sends the text whole.
  ASSERT_EQ(model.requests().size(), 2u + 3u + 5u + 1u);
  EXPECT_TRUE(model.requests().back().user.starts_with(
      "Here is notes from consecutive parts of one meeting:\n\n"));
}

TEST(NotesStep, TitlesAndEmptyNotes) {
  struct Case {
    const char* name;
    std::string reply;
    std::optional<Notes> expected;  // absent: NotesError::empty
  } cases[] = {
      {"level-1 heading gives the title", "# Álgebra\n\n## Resumen\nMatrices y determinantes.",
       Notes{"Álgebra", "## Resumen\nMatrices y determinantes.", std::nullopt}},
      {"title line wins over a heading", "Title: Física\n# Tema 2\nx",
       Notes{"Física", "# Tema 2\nx", std::nullopt}},
      {"only empty sections", "Title: Nada\n\n## Tareas\n- None.\n## Dudas\nN/A", std::nullopt},
      {"title line alone", "Title: Álgebra — Matrices", std::nullopt},
      {"heading alone", "# Álgebra", std::nullopt},
      {"empty reply", "  \n", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedModel model;
    model.script({c.reply});
    auto run = [&] { return step("P", {})({{0, "You", "hola"}}, model); };
    if (c.expected) {
      EXPECT_EQ(run(), *c.expected);
    } else {
      try {
        run();
        ADD_FAILURE() << "no error";
      } catch (const NotesError& error) {
        EXPECT_EQ(error.kind(), NotesError::Kind::empty);
        EXPECT_STREQ(error.what(),
                     "The model returned empty notes. Thinking mode may be enabled on the server, "
                     "or the token budget ran out before the notes were written.");
      }
    }
  }
}

TEST(NotesStep, EmptyTranscriptStillAsksForNotes) {
  ScriptedModel model;
  model.script({"## Resumen\nNada grabado."});
  const Notes notes = step("P", {"Ana"})({}, model);
  ASSERT_EQ(model.requests().size(), 1u);
  EXPECT_EQ(model.requests()[0].user,
            "Here is the meeting transcript:\n\n\n\nWrite the meeting notes:");
  EXPECT_EQ(notes.turns, std::nullopt);
}

TEST(NotesStep, SpanishTextKeepsItsAccentsThroughEveryStep) {
  ScriptedModel model;
  model.script({R"(Claro: [{"from": "ecuasion de sodinger", "to": "ecuación de Schrödinger"}])",
                "Title: **Física — Mecánica cuántica**\n\n## Resumen\nLa ecuación de "
                "Schrödinger.\n\n## Dudas\n¿Qué es ψ?"});
  const std::vector<Turn> turns = {{0, "Them", "Hoy vemos la ecuasion de sodinger, ¿vale?"},
                                   {12, "You", "¿Y la función de onda?"}};
  const Notes notes = step(std::string(defaultPrompt), {"ecuación de Schrödinger"})(turns, model);
  ASSERT_EQ(model.requests().size(), 2u);
  EXPECT_EQ(model.requests()[1].system, std::string(defaultPrompt) + kSystemSuffix +
                                            " Spell these names and terms exactly: ecuación de "
                                            "Schrödinger.");
  EXPECT_EQ(
      model.requests()[1].user,
      "Here is the meeting transcript:\n\n[00:00:00] Them: Hoy vemos la ecuación de "
      "Schrödinger, ¿vale?\n[00:00:12] You: ¿Y la función de onda?\n\nWrite the meeting notes:");
  EXPECT_EQ(notes.title, "Física — Mecánica cuántica");
  EXPECT_EQ(notes.markdown, "## Resumen\nLa ecuación de Schrödinger.\n\n## Dudas\n¿Qué es ψ?");
  ASSERT_TRUE(notes.turns);
  EXPECT_EQ((*notes.turns)[0].text, "Hoy vemos la ecuación de Schrödinger, ¿vale?");
  EXPECT_EQ((*notes.turns)[1], turns[1]);
}

TEST(NotesStep, ABackendFailureEndsTheStepAtOnce) {
  std::vector<Turn> turns;
  for (int i = 0; i < 100; ++i) turns.push_back({double(i), "Them", std::string(100, 'x')});
  ScriptedModel model(2048);
  model.answer([](const ScriptedModel::Request& request) -> std::string {
    if (request.user.starts_with("Here is part 2")) throw CloudError::http("Service", 500, "down");
    return "notas";
  });
  EXPECT_THROW(step("P", {})(turns, model), CloudError);
  EXPECT_EQ(model.requests().size(), 2u);
}

}  // namespace
}  // namespace kelv::core
