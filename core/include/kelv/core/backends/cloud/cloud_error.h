// The errors of the cloud backends: what() is the text shown to the user when a backend
// fails. CloudClient raises invalidKey and http; each backend raises badAddress for an
// unusable address and badResponse for a reply it can't decode; failed is for a service that
// accepted the work and then reported that it couldn't do it.
//
// A plain value, safe to copy and throw from any thread.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace kelv::core {

class CloudError : public std::runtime_error {
 public:
  enum class Kind { invalidKey, http, badResponse, badAddress, failed };

  static CloudError invalidKey(const std::string& backend);
  static CloudError http(const std::string& backend, int status,
                         std::optional<std::string> message);
  static CloudError badResponse(const std::string& backend);
  static CloudError badAddress(const std::string& address);
  static CloudError failed(const std::string& backend, const std::string& message);

  Kind kind() const noexcept { return kind_; }
  // The service label; for badAddress, the rejected address text.
  const std::string& backend() const noexcept { return backend_; }
  // HTTP status for http; 0 otherwise.
  int status() const noexcept { return status_; }
  // The service's own message (http, failed); absent otherwise.
  const std::optional<std::string>& message() const noexcept { return message_; }

  friend bool operator==(const CloudError& a, const CloudError& b) {
    return a.kind_ == b.kind_ && a.backend_ == b.backend_ && a.status_ == b.status_ &&
           a.message_ == b.message_;
  }

 private:
  CloudError(Kind kind, std::string backend, int status, std::optional<std::string> message);

  Kind kind_;
  std::string backend_;
  int status_;
  std::optional<std::string> message_;
};

}  // namespace kelv::core
