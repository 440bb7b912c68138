// Levenshtein distance between two sequences of comparable elements (code points, character
// ids): the fewest insertions, deletions and substitutions that turn one into the other.
// Callers decide what an element is; equal elements cost nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace kelv::core::EditDistance {

// The full distance, over one row of the table, as long as `b` plus one.
template <typename Sequence>
size_t between(const Sequence& a, const Sequence& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// Whether the distance is at most `limit`. Only cells within `limit` of the diagonal can lead
// to such a distance, so only that band of each row is computed (values capped at limit + 1),
// and the scan gives up once a whole band exceeds the limit. `row` is scratch space, kept by a
// caller that asks many times.
template <typename Sequence>
bool within(const Sequence& a, const Sequence& b, size_t limit, std::vector<size_t>& row) {
  const size_t n = a.size();
  const size_t m = b.size();
  if ((n > m ? n - m : m - n) > limit) return false;
  const size_t over = limit + 1;
  row.resize(m + 1);
  for (size_t j = 0; j <= m; ++j) row[j] = j <= limit ? j : over;
  for (size_t i = 1; i <= n; ++i) {
    const size_t low = i > limit ? i - limit : 1;
    const size_t high = std::min(m, i + limit);
    size_t diagonal = row[low - 1];
    row[low - 1] = low == 1 ? std::min(i, over) : over;
    size_t rowMinimum = row[low - 1];
    for (size_t j = low; j <= high; ++j) {
      const size_t above = row[j];
      const size_t cell =
          std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1), over});
      diagonal = above;
      row[j] = cell;
      rowMinimum = std::min(rowMinimum, cell);
    }
    if (rowMinimum > limit) return false;
  }
  return row[m] <= limit;
}

}  // namespace kelv::core::EditDistance
