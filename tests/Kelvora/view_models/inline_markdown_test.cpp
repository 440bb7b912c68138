// Inline styling of block texts: emphasis, strong, code spans and links become rich text, and
// a text that begins like block structure stays exactly that text.
#include <gtest/gtest.h>

#include <string>

#include "view_models/inline_markdown.h"

namespace kelv::app {
namespace {

constexpr char kOpen[] = "<span style=\"white-space:pre-wrap\">";

std::string inner(const std::string& html) {
  const std::string open = kOpen;
  EXPECT_EQ(html.rfind(open, 0), 0u) << html;
  EXPECT_TRUE(html.ends_with("</span>")) << html;
  return html.substr(open.size(), html.size() - open.size() - 7);
}

TEST(InlineMarkdown, StylesInlineSyntax) {
  struct Row {
    const char* text;
    const char* html;
  };
  const Row rows[] = {
      {"**fuerte** y *suave*", "<b>fuerte</b> y <i>suave</i>"},
      {"__fuerte__ y _suave_", "<b>fuerte</b> y <i>suave</i>"},
      {"usa `det(A)` aquí", "usa <code>det(A)</code> aquí"},
      {"[curso](https://x.example/a?b=1&c=2)",
       "<a href=\"https://x.example/a?b=1&amp;c=2\" style=\"color:#0032d6\">curso</a>"},
      {"a_b_c y 2*3*4", "a_b_c y 2<i>3</i>4"},
      {"<b>crudo</b> & más", "&lt;b&gt;crudo&lt;/b&gt; &amp; más"},
      {"dos  espacios", "dos  espacios"},
      {"  sangría", "  sangría"},
      {"\\*literal\\*", "*literal*"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(inner(InlineMarkdown::html(row.text, "#0032d6")), row.html);
  }
}

TEST(InlineMarkdown, BlockSyntaxStaysText) {
  const char* texts[] = {"1. primero",
                         "12) doce",
                         "# no es título",
                         "## tampoco",
                         "> no es cita",
                         "- no es punto",
                         "+ tampoco",
                         "* ni esto",
                         "---",
                         "***",
                         "___",
                         "- - -",
                         "```python",
                         "~~~",
                         "[ref]: https://x.example",
                         "=====",
                         "    cuatro espacios",
                         "1.",
                         "-"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(inner(InlineMarkdown::html(text, "#000000")), inner(InlineMarkdown::plain(text)));
  }
}

TEST(InlineMarkdown, StartsThatLookLikeBlocksStillStyleTheRest) {
  EXPECT_EQ(inner(InlineMarkdown::html("1. **uno**", "#000000")), "1. <b>uno</b>");
  EXPECT_EQ(inner(InlineMarkdown::html("*énfasis* al inicio", "#000000")),
            "<i>énfasis</i> al inicio");
  EXPECT_EQ(inner(InlineMarkdown::html("**negrita** al inicio", "#000000")),
            "<b>negrita</b> al inicio");
}

TEST(InlineMarkdown, LineBreaksAndNulAreShownPlain) {
  EXPECT_EQ(inner(InlineMarkdown::html("uno\r- dos **x**", "#000000")), "uno\r- dos **x**");
  const std::string nul("a\0b", 3);
  EXPECT_EQ(inner(InlineMarkdown::html(nul, "#000000")),
            "a\xEF\xBF\xBD"
            "b");
}

}  // namespace
}  // namespace kelv::app
