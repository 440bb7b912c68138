#include "kelv/core/backends/backend_setup.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace kelv::core::BackendAddress {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlDeleter>;

Url parse(const std::string& text) {
  Url url(curl_url());
  if (!url) return nullptr;
  // Any scheme is accepted: only the host and the port matter here.
  if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return nullptr;
  return url;
}

std::optional<std::string> part(CURLU* url, CURLUPart which) {
  char* value = nullptr;
  if (curl_url_get(url, which, &value, 0) != CURLUE_OK || !value) return std::nullopt;
  std::string result(value);
  curl_free(value);
  return result;
}

bool startsWith(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool isLocal(const std::optional<std::string>& address) {
  if (!address) return false;
  Url url = parse(*address);
  if (!url) return false;
  auto host = part(url.get(), CURLUPART_HOST);
  if (!host || host->empty()) return false;
  // IPv6 hosts come back in brackets.
  if (host->size() >= 2 && host->front() == '[' && host->back() == ']')
    *host = host->substr(1, host->size() - 2);
  std::transform(host->begin(), host->end(), host->begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string& h = *host;
  return h == "localhost" || h == "::1" || h == "0.0.0.0" ||
         (h.size() >= 6 && h.compare(h.size() - 6, 6, ".local") == 0) || startsWith(h, "127.") ||
         startsWith(h, "10.") || startsWith(h, "192.168.");
}

int contextTokens(const std::optional<std::string>& address) {
  if (!isLocal(address)) return 128000;
  Url url = parse(*address);
  const auto port = url ? part(url.get(), CURLUPART_PORT) : std::nullopt;
  return port && *port == "11434" ? 8192 : 4096;
}

}  // namespace kelv::core::BackendAddress
