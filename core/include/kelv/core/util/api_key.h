// What an API key may hold, and how a key is kept out of every error text the system stores or
// shows. A key travels in an HTTP header: a line break in it would add headers of its own, so
// keys with control characters are refused, as are keys longer than any service issues.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelv::core::ApiKey {

inline constexpr std::size_t kMaxBytes = 4096;
// Shorter "keys" are not masked: they can't be real keys, and masking them would garble the text.
inline constexpr std::size_t kShortestMasked = 4;

// Why the key can't be used ("The API key holds a line break or another control character.",
// "The API key is longer than 4 KiB."), or nothing for a usable key.
std::optional<std::string> problem(std::string_view key);

// Throws std::invalid_argument with the problem's text.
void check(std::string_view key);

// The text with every occurrence of each key replaced by "…".
std::string masked(std::string text, const std::vector<std::string>& keys);

}  // namespace kelv::core::ApiKey
