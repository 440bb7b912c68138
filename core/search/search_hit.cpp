#include "kelv/core/search/search_hit.h"

namespace kelv::core {

std::string SearchHit::markedSnippet(std::string_view open, std::string_view close) const {
  std::string out;
  size_t at = 0;
  for (const Mark& mark : marks) {
    if (mark.begin < at || mark.end > snippet.size() || mark.end < mark.begin) continue;
    out.append(snippet, at, mark.begin - at);
    out += open;
    out.append(snippet, mark.begin, mark.end - mark.begin);
    out += close;
    at = mark.end;
  }
  out.append(snippet, at, std::string::npos);
  return out;
}

std::string_view toString(SearchHit::Kind kind) {
  switch (kind) {
    case SearchHit::Kind::title:
      return "title";
    case SearchHit::Kind::notes:
      return "notes";
    case SearchHit::Kind::turn:
      return "turn";
  }
  return "notes";
}

}  // namespace kelv::core
