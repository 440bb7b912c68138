#include "kelv/core/backends/cloud/web_address.h"

#include <curl/curl.h>

#include <memory>

namespace kelv::core {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlDeleter>;

std::optional<std::string> part(CURLU* url, CURLUPart which, unsigned flags = 0) {
  char* value = nullptr;
  if (curl_url_get(url, which, &value, flags) != CURLUE_OK || !value) return std::nullopt;
  std::string text(value);
  curl_free(value);
  return text;
}

// A parser as strict as the platform's: white space and control characters are not allowed
// anywhere in an address.
bool hasForbiddenCharacters(std::string_view text) {
  for (unsigned char c : text) {
    if (c <= ' ' || c == 0x7f) return true;
  }
  return false;
}

}  // namespace

std::optional<WebAddress> WebAddress::parse(std::string_view text) {
  if (text.empty() || hasForbiddenCharacters(text)) return std::nullopt;
  Url url(curl_url());
  if (!url) return std::nullopt;
  const std::string owned(text);
  if (curl_url_set(url.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
      CURLUE_OK) {
    return std::nullopt;
  }
  WebAddress address;
  address.text_ = owned;
  address.scheme_ = part(url.get(), CURLUPART_SCHEME).value_or("");
  address.host_ = part(url.get(), CURLUPART_HOST).value_or("");
  address.path_ = part(url.get(), CURLUPART_PATH).value_or("/");
  if (address.scheme_.empty()) return std::nullopt;
  return address;
}

std::string WebAddress::appending(std::string_view path) const {
  std::string joined = path_;
  if (joined.empty() || joined.back() != '/') joined += '/';
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  joined += path;

  Url url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text_.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
                  CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_PATH, joined.c_str(), 0) != CURLUE_OK) {
    return text_ + (text_.ends_with('/') ? "" : "/") + std::string(path);
  }
  return part(url.get(), CURLUPART_URL).value_or(text_);
}

}  // namespace kelv::core
