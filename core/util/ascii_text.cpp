#include "kelv/core/util/ascii_text.h"

namespace kelv::core::AsciiText {

std::string lowercased(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view trimmed(std::string_view text, std::string_view characters) {
  const size_t begin = text.find_first_not_of(characters);
  if (begin == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(characters);
  return text.substr(begin, end - begin + 1);
}

}  // namespace kelv::core::AsciiText
