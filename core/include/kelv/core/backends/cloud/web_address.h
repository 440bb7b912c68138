// A backend's configured base address, parsed: its scheme and host, and the request address
// made by appending path components to its path with exactly one slash in between (so ".../v1"
// and ".../v1/" both give ".../v1/audio/transcriptions"). Query and fragment are kept.
//
// Plain value type, safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelv::core {

class WebAddress {
 public:
  // Absent when the text is not an absolute URL with a scheme (leading and trailing white
  // space included, as a URL parser would reject it).
  static std::optional<WebAddress> parse(std::string_view text);

  const std::string& text() const noexcept { return text_; }
  // Lower-case scheme, for example "https".
  const std::string& scheme() const noexcept { return scheme_; }
  // The host in its percent-encoded form; empty when the address has none.
  const std::string& host() const noexcept { return host_; }
  // True when the scheme begins with "http": the backends' test for a usable address.
  bool isHTTPLike() const { return scheme_.rfind("http", 0) == 0; }

  // The absolute address with `path` (no leading slash) appended to this address's path.
  std::string appending(std::string_view path) const;

 private:
  std::string text_;
  std::string scheme_;
  std::string host_;
  std::string path_;
};

}  // namespace kelv::core
