#include "kelv/core/util/api_key.h"

#include <algorithm>
#include <stdexcept>

namespace kelv::core::ApiKey {

std::optional<std::string> problem(std::string_view key) {
  if (key.size() > kMaxBytes) return "The API key is longer than 4 KiB.";
  // C0 controls and DEL; C1 controls (U+0080–U+009F) are the UTF-8 pairs C2 80–C2 9F.
  for (size_t i = 0; i < key.size(); ++i) {
    const auto byte = static_cast<unsigned char>(key[i]);
    const bool c1 = byte == 0xC2 && i + 1 < key.size() &&
                    static_cast<unsigned char>(key[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(key[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F || c1)
      return "The API key holds a line break or another control character.";
  }
  return std::nullopt;
}

void check(std::string_view key) {
  if (auto reason = problem(key)) throw std::invalid_argument(*reason);
}

std::string masked(std::string text, const std::vector<std::string>& keys) {
  std::vector<std::string> sorted;
  for (const std::string& key : keys)
    if (key.size() >= kShortestMasked) sorted.push_back(key);
  // Longest first, so a key that contains another is masked whole.
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.size() > b.size(); });
  for (const std::string& key : sorted) {
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 3))
      text.replace(at, key.size(), "…");
  }
  return text;
}

}  // namespace kelv::core::ApiKey
