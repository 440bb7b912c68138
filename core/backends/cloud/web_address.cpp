#include "kelv/core/backends/cloud/web_address.h"

#include "kelv/core/net/url_parts.h"

namespace kelv::core {
namespace {

using Part = UrlParts::Part;

// Stricter than libcurl, which lets some through: white space and control characters are not
// allowed anywhere in an address.
bool hasForbiddenCharacters(std::string_view text) {
  for (unsigned char c : text) {
    if (c <= ' ' || c == 0x7f) return true;
  }
  return false;
}

}  // namespace

std::optional<WebAddress> WebAddress::parse(std::string_view text) {
  if (text.empty() || hasForbiddenCharacters(text)) return std::nullopt;
  const std::string owned(text);
  const std::optional<UrlParts> url = UrlParts::parse(owned);
  if (!url) return std::nullopt;
  WebAddress address;
  address.text_ = owned;
  address.scheme_ = url->get(Part::scheme).value_or("");
  address.host_ = url->get(Part::host).value_or("");
  address.path_ = url->get(Part::path).value_or("/");
  if (address.scheme_.empty()) return std::nullopt;
  return address;
}

std::string WebAddress::appending(std::string_view path) const {
  std::string joined = path_;
  if (joined.empty() || joined.back() != '/') joined += '/';
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  joined += path;

  std::optional<UrlParts> url = UrlParts::parse(text_);
  if (!url || !url->setPath(joined))
    return text_ + (text_.ends_with('/') ? "" : "/") + std::string(path);
  return url->get(Part::url).value_or(text_);
}

}  // namespace kelv::core
