#include "kelv/core/backends/backend_setup.h"

#include <algorithm>

#include "kelv/core/net/url_parts.h"
#include "kelv/core/util/ascii_text.h"

namespace kelv::core::BackendAddress {
namespace {

bool startsWith(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool isLocal(const std::optional<std::string>& address) {
  if (!address) return false;
  // Any scheme is accepted: only the host and the port matter here.
  const std::optional<UrlParts> url = UrlParts::parse(*address);
  if (!url) return false;
  auto host = url->get(UrlParts::Part::host);
  if (!host || host->empty()) return false;
  // IPv6 hosts come back in brackets.
  if (host->size() >= 2 && host->front() == '[' && host->back() == ']')
    *host = host->substr(1, host->size() - 2);
  *host = AsciiText::lowercased(*host);
  const std::string& h = *host;
  return h == "localhost" || h == "::1" || h == "0.0.0.0" ||
         (h.size() >= 6 && h.compare(h.size() - 6, 6, ".local") == 0) || startsWith(h, "127.") ||
         startsWith(h, "10.") || startsWith(h, "192.168.");
}

int contextTokens(const std::optional<std::string>& address) {
  if (!isLocal(address)) return 128000;
  const std::optional<UrlParts> url = UrlParts::parse(*address);
  const auto port = url ? url->get(UrlParts::Part::port) : std::nullopt;
  return port && *port == "11434" ? 8192 : 4096;
}

}  // namespace kelv::core::BackendAddress
