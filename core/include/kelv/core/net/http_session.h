// One HTTP client handle per backend object: requests go out through libcurl with no cookie
// store, no cache and TLS verification on; redirects are not followed, so a key header never
// travels to a host the user did not configure.
//
// Thread-safe: concurrent perform() calls each take their own easy handle from a small pool,
// so connections are reused between consecutive requests of one backend.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelv::core {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string method = "GET";
  std::string url;
  HttpHeaders headers;
  std::string body;
  // Time allowed for one try, from connecting to the last byte of the reply.
  double timeoutSeconds = 60;

  // Replaces a header of the same name (names compare without regard to case).
  void setHeader(const std::string& name, const std::string& value);
};

struct HttpResponse {
  int status = 0;
  HttpHeaders headers;
  std::string body;

  // The last value of the header `name` (any case) as received, without the line break.
  std::optional<std::string> header(const std::string& name) const;
};

class HttpSession {
 public:
  HttpSession();
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  // A new handle with nothing remembered between runs (the design's ephemeral session).
  static std::shared_ptr<HttpSession> makeEphemeral() { return std::make_shared<HttpSession>(); }

  // Performs one request and returns whatever HTTP response came back, of any status.
  // Throws TransferError when no complete response arrived.
  HttpResponse perform(const HttpRequest& request);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelv::core
