// The HTTP client every cloud backend sends its requests through: retries rate limits,
// server errors and transient network failures with a doubling delay (or the server's
// Retry-After), and turns rejected keys and failed requests into CloudError.
//
// A plain value copied into each backend object. send() blocks the calling thread for the
// requests and the waits between them; copies sharing one session may send concurrently.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kelv/core/net/http_session.h"

namespace kelv::core {

struct CloudClient {
  // Waits for the given number of seconds; may throw to abandon the call.
  using Sleep = std::function<void(double seconds)>;

  CloudClient(std::string backend, std::shared_ptr<HttpSession> session);

  // The service's name in every error text.
  std::string backend;
  std::shared_ptr<HttpSession> session;
  // The most requests sent for one send(), the first included.
  int attempts = 5;
  Sleep sleep;

  // Sends `request` and returns the body of a 2xx reply. Throws CloudError::invalidKey on 401
  // or 403, CloudError::http for other failed statuses once retries are used up, and the
  // TransferError of a network failure that is not transient or outlasts the retries.
  std::string send(const HttpRequest& request) const;

  // The service's own error message in a reply body (at most 200 user-perceived
  // characters), from the first of error.message, error, detail, message that is a string.
  static std::optional<std::string> message(std::string_view body);

  // Sleeps on the monotonic clock.
  static void sleepFor(double seconds);
};

}  // namespace kelv::core
