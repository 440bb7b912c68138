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
      // Query syntax is only text.
      {"NEAR(a b)", R"q("NEAR(a" "b)"*)q"},
      {"teorema -espectral", R"q("teorema" "-espectral"*)q"},
      {"title:teorema", R"q("title:teorema"*)q"},
      {"a AND b OR c NOT d", R"q("a" "AND" "b" "OR" "c" "NOT" "d"*)q"},
      {"teorema*", R"q("teorema*"*)q"},
      {"teorema * -", R"q("teorema")q"},
      {"^inicio", R"q("^inicio"*)q"},
      {"a\"\"b", R"q("a" "b"*)q"},
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
