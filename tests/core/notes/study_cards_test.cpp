// Study cards: the model's reply read tolerantly (fenced, with a preamble, other key names,
// the notes' own card lines), a reply without a card an error, and the Anki deck text with
// every card on one line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelv/core/backends/notes_error.h"
#include "kelv/core/notes/study_cards.h"

namespace kelv::core {
namespace {

std::string describe(const std::vector<StudyCard>& cards) {
  std::string out;
  for (const StudyCard& card : cards) out += card.front + " => " + card.back + "\n";
  return out;
}

TEST(StudyCards, ReadsTheReplyTolerantly) {
  const std::string many = [] {
    std::string cards = "[";
    for (int index = 0; index < 45; ++index)
      cards += (index ? "," : "") + std::string("{\"front\":\"p") + std::to_string(index) +
               "\",\"back\":\"r\"}";
    return cards + "]";
  }();
  const struct {
    const char* what;
    std::string reply;
    std::string expected;  // empty: no card can be read
  } cases[] = {
      {"the asked-for object", R"({"cards":[{"front":"¿Qué es ψ?","back":"La función de onda"}]})",
       "¿Qué es ψ? => La función de onda\n"},
      {"in a code fence after a preamble",
       "¡Claro! Aquí tienes las tarjetas:\n\n```json\n[{\"question\": \"¿2+2?\", \"answer\": "
       "\"4\"},\n {\"pregunta\": \"¿Capital de Francia?\", \"respuesta\": \"París\"}]\n```\n"
       "Espero que te sirvan.",
       "¿2+2? => 4\n¿Capital de Francia? => París\n"},
      {"a bracket in the preamble is passed over",
       "Tarjetas [v2]: {\"cards\": [{\"Front\": \" a \", \"Back\": \"b\"}, {\"front\": \"sin "
       "reverso\"}]}",
       "a => b\n"},
      {"the notes' own card lines",
       "- **P:** ¿Qué es una integral impropia? :: **R:** Una con límite infinito\n"
       "- **P:** Criterio: ¿cuál? :: **R:** Comparación\n"
       "Texto sin tarjeta",
       "¿Qué es una integral impropia? => Una con límite infinito\n"
       "Criterio: ¿cuál? => Comparación\n"},
      {"at most forty cards", many,
       [] {
         std::string out;
         for (int index = 0; index < 40; ++index) out += "p" + std::to_string(index) + " => r\n";
         return out;
       }()},
      {"prose only", "Lo siento, no puedo ayudar con eso.", ""},
      {"an empty list", "```json\n{\"cards\": []}\n```", ""},
  };
  for (const auto& test : cases) {
    if (test.expected.empty()) {
      try {
        StudyCards::read(test.reply);
        ADD_FAILURE() << test.what << ": no error";
      } catch (const NotesError& error) {
        EXPECT_EQ(error.kind(), NotesError::Kind::noCards) << test.what;
      }
    } else {
      EXPECT_EQ(describe(StudyCards::read(test.reply)), test.expected) << test.what;
    }
  }
}

TEST(StudyCards, AnkiDeckKeepsEveryCardOnOneLine) {
  const std::vector<StudyCard> cards = {
      {"¿Qué\tes?", "Una línea\nque sigue\r\ny acaba"},
      {"#hashtag al principio", "\"citado\" y más"},
      {"normal", "respuesta"},
  };
  EXPECT_EQ(StudyCards::ankiText(cards, "Física:: Ondas\n2", {"tizara", "física_ondas"}),
            "#separator:tab\n"
            "#html:false\n"
            "#deck:Tizara::Física: Ondas 2\n"
            "#tags column:3\n"
            "¿Qué es?\tUna línea que sigue y acaba\ttizara física_ondas\n"
            "\"#hashtag al principio\"\t\"\"\"citado\"\" y más\"\ttizara física_ondas\n"
            "normal\trespuesta\ttizara física_ondas\n");
}

}  // namespace
}  // namespace kelv::core
