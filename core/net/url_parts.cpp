#include "kelv/core/net/url_parts.h"

#include <curl/curl.h>

namespace kelv::core {

struct UrlParts::Impl {
  CURLU* url = curl_url();
  ~Impl() { curl_url_cleanup(url); }
};

UrlParts::UrlParts(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
UrlParts::UrlParts(UrlParts&&) noexcept = default;
UrlParts& UrlParts::operator=(UrlParts&&) noexcept = default;
UrlParts::~UrlParts() = default;

std::optional<UrlParts> UrlParts::parse(const std::string& text) {
  auto impl = std::make_unique<Impl>();
  if (!impl->url ||
      curl_url_set(impl->url, CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return std::nullopt;
  return UrlParts(std::move(impl));
}

std::optional<std::string> UrlParts::get(Part part) const {
  CURLUPart which = CURLUPART_URL;
  switch (part) {
    case Part::url:
      which = CURLUPART_URL;
      break;
    case Part::scheme:
      which = CURLUPART_SCHEME;
      break;
    case Part::host:
      which = CURLUPART_HOST;
      break;
    case Part::port:
      which = CURLUPART_PORT;
      break;
    case Part::path:
      which = CURLUPART_PATH;
      break;
  }
  char* value = nullptr;
  if (curl_url_get(impl_->url, which, &value, 0) != CURLUE_OK || !value) return std::nullopt;
  std::string text(value);
  curl_free(value);
  return text;
}

bool UrlParts::setPath(const std::string& path) {
  return curl_url_set(impl_->url, CURLUPART_PATH, path.c_str(), 0) == CURLUE_OK;
}

}  // namespace kelv::core
