#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/search/search_query.h"

namespace kelv::core {
namespace {

TEST(SearchQueryTest, TypedTextBecomesQuotedTermsWithTheLastAsPrefix) {
  struct Case {
    const char* typed;
    std::optional<std::string> expression;
  };
  const Case cases[] = {
      {"derivada", R"q("derivada"*)q"},
      {"teorema espec", R"q("teorema" "espec"*)q"},
      {"teorema espectral ", R"q("teorema" "espectral")q"},
      {R"q("teorema espectral")q", R"q("teorema espectral")q"},
      {R"q("teorema espec)q", R"q("teorema espec"*)q"},
      {R"q(matriz "teorema espectral" auto)q", R"q("matriz" "teorema espectral" "auto"*)q"},
      {"Año  NIÑO\tcañón", R"q("Año" "NIÑO" "cañón"*)q"},
      // A prefix needs two letters: one would scan every word of the index.
      {"e", R"q("e")q"},
      {"teorema e", R"q("teorema" "e")q"},
      {"é", R"q("é")q"},
      {"ña", R"q("ña"*)q"},
      {"x2", R"q("x2"*)q"},
      {"(a", R"q("(a")q"},
      // Query syntax is only text.
      {"NEAR(ab cd)", R"q("NEAR(ab" "cd)"*)q"},
      {"teorema -espectral", R"q("teorema" "-espectral"*)q"},
      {"title:teorema", R"q("title:teorema"*)q"},
      {"a AND b OR c NOT de", R"q("a" "AND" "b" "OR" "c" "NOT" "de"*)q"},
      {"teorema*", R"q("teorema*"*)q"},
      {"teorema * -", R"q("teorema")q"},
      {"^inicio", R"q("^inicio"*)q"},
      {"a\"\"bc", R"q("a" "bc"*)q"},
      // Nothing to look for.
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"\"", std::nullopt},
      {"\"\"", std::nullopt},
      {"* - ( ) : ^ +", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SearchQuery::matchExpression(c.typed), c.expression) << c.typed;
  }
}

}  // namespace
}  // namespace kelv::core
