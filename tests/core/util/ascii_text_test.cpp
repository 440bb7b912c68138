#include "kelv/core/util/ascii_text.h"

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

TEST(AsciiText, LowercasesOnlyTheAsciiLetters) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},
      {"Content-Range:", "content-range:"},
      {"FILE://", "file://"},
      {"9F86D081884C7D65", "9f86d081884c7d65"},
      {"@[`{", "@[`{"},      // the neighbours of A-Z and a-z stay
      {"ÀÉ.WAV", "ÀÉ.wav"},  // non-ASCII bytes pass through unchanged
      {std::string_view("A\0B", 3), std::string_view("a\0b", 3)},
  };
  for (const auto& [text, lower] : cases) EXPECT_EQ(AsciiText::lowercased(text), lower) << text;
}

TEST(AsciiText, TrimsTheGivenCharactersAtBothEnds) {
  struct Case {
    std::string_view text;
    std::string_view characters;
    std::string_view trimmed;
  };
  const Case cases[] = {
      {"", AsciiText::kWhiteSpace, ""},
      {" \t\n\v\f\r", AsciiText::kWhiteSpace, ""},
      {"\r\n term \t", AsciiText::kWhiteSpace, "term"},
      {"  two words  ", AsciiText::kWhiteSpace, "two words"},
      {"\u00a0kept\u00a0", AsciiText::kWhiteSpace, "\u00a0kept\u00a0"},  // not ASCII blanks
      {" \t value \n", " \t", "value \n"},
      {"\"*# Title *\"", " \t\"*#", "Title"},
      {"-*- . -", "-*. \n\t", ""},
      {"x", "", "x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AsciiText::trimmed(c.text, c.characters), c.trimmed) << c.text;
}

}  // namespace
}  // namespace kelv::core
