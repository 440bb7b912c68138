// Front matter over arbitrary text: no crash, ranges inside the text, body consistent.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kelv/core/library/frontmatter.h"

using namespace kelv::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto lines = Frontmatter::lines(text);
  const auto range = Frontmatter::fieldLines(lines);
  const auto fields = Frontmatter::fields(lines);
  const std::string body = Frontmatter::body(text);
  if (range.has_value() != fields.has_value()) std::abort();
  if (!range) {
    if (body != text) std::abort();
    return 0;
  }
  if (range->first != 1 || range->second >= lines.size() || lines[range->second] != "---")
    std::abort();
  if (body.size() >= text.size() || !text.ends_with(body)) std::abort();
  for (const auto& [key, value] : *fields) {
    if (key.find(':') != std::string::npos || key.starts_with(' ')) std::abort();
    if (value.starts_with(' ') || value.ends_with('\t')) std::abort();
  }
  return 0;
}
