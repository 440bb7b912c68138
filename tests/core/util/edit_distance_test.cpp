#include "kelv/core/util/edit_distance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelv::core {
namespace {

TEST(EditDistance, CountsInsertionsDeletionsAndSubstitutions) {
  struct Case {
    std::u32string a;
    std::u32string b;
    size_t expected;
  };
  const Case cases[] = {
      {U"", U"", 0},         {U"", U"abc", 3},        {U"kitten", U"sitting", 3},
      {U"flaw", U"lawn", 2}, {U"árbol", U"arbol", 1}, {U"ab", U"ba", 2},
      {U"same", U"same", 0}, {U"a", U"", 1},          {U"intention", U"execution", 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EditDistance::between(c.a, c.b), c.expected);
    EXPECT_EQ(EditDistance::between(c.b, c.a), c.expected);
  }
}

// The banded check must agree with the full table for every limit, including the limits where
// the band is narrower than the length difference and where it covers the whole table.
TEST(EditDistance, BandedCheckAgreesWithTheFullTable) {
  std::vector<std::vector<int>> words;
  // Every word over {0, 1, 2} up to four letters long.
  words.push_back({});
  for (size_t start = 0; start < words.size(); ++start) {
    if (words[start].size() == 4) continue;
    for (int letter = 0; letter < 3; ++letter) {
      std::vector<int> longer = words[start];
      longer.push_back(letter);
      words.push_back(longer);
    }
  }
  std::vector<size_t> row;
  for (const auto& a : words) {
    for (const auto& b : words) {
      const size_t distance = EditDistance::between(a, b);
      for (size_t limit = 0; limit <= 5; ++limit) {
        ASSERT_EQ(EditDistance::within(a, b, limit, row), distance <= limit)
            << "distance " << distance << " limit " << limit;
      }
    }
  }
}

}  // namespace
}  // namespace kelv::core
