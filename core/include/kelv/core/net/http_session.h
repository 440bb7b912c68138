// One HTTP client handle per backend object: requests go out through libcurl with no cookie
// store, no cache and TLS verification on; redirects are not followed, so a key header never
// travels to a host the user did not configure.
//
// Thread-safe: concurrent perform() calls each take their own easy handle from a small pool,
// so connections are reused between consecutive requests of one backend.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
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

// Bounds on one reply, whatever the service sends.
struct HttpLimits {
  // Decoded bytes; no transcript or notes come near it, and a compressed reply can't inflate
  // past it.
  std::size_t maxReplyBytes = 64u << 20;
  // A reply that has begun and then sends nothing for this long is given up (and retried),
  // while a service that is still thinking before it answers keeps the request's time-out.
  double stallSeconds = 60;
  // While no reply has begun, ChunkProgress::waiting is told every this many seconds.
  double waitingReportSeconds = 10;
};

// A reply larger than HttpLimits::maxReplyBytes once decoded. CloudClient reports it as a
// response it couldn't read.
class ReplyTooLargeError : public std::runtime_error {
 public:
  ReplyTooLargeError() : std::runtime_error("The reply is larger than any reply Kelvora reads.") {}
};

class HttpSession {
 public:
  explicit HttpSession(HttpLimits limits = {});
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  // A new handle with nothing remembered between runs (no cookies, no cache, no credentials kept).
  static std::shared_ptr<HttpSession> makeEphemeral() { return std::make_shared<HttpSession>(); }

  // Performs one request and returns whatever HTTP response came back, of any status.
  // Throws TransferError when no complete response arrived (a stalled reply is a time-out),
  // ReplyTooLargeError past the size limit, std::invalid_argument for a header value with a
  // line break or NUL (it would smuggle in headers of its own).
  HttpResponse perform(const HttpRequest& request);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  HttpLimits limits_;
};

}  // namespace kelv::core
