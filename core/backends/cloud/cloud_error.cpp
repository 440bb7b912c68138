#include "kelv/core/backends/cloud/cloud_error.h"

#include <utility>

namespace kelv::core {
namespace {

std::string describe(CloudError::Kind kind, const std::string& backend, int status,
                     const std::optional<std::string>& message) {
  switch (kind) {
    case CloudError::Kind::invalidKey:
      return backend + " rejected the API key. Check Settings > AI.";
    case CloudError::Kind::http:
      return backend + " request failed (HTTP " + std::to_string(status) + ")" +
             (message ? ": " + *message : std::string("."));
    case CloudError::Kind::badResponse:
      return backend + " returned a response Kelvora couldn't read.";
    case CloudError::Kind::badAddress:
      return "\"" + backend + "\" isn't an http(s) address.";
    case CloudError::Kind::failed:
      return backend + " couldn't transcribe the audio: " + message.value_or("");
  }
  return backend;
}

}  // namespace

CloudError::CloudError(Kind kind, std::string backend, int status,
                       std::optional<std::string> message)
    : std::runtime_error(describe(kind, backend, status, message)),
      kind_(kind),
      backend_(std::move(backend)),
      status_(status),
      message_(std::move(message)) {}

CloudError CloudError::invalidKey(const std::string& backend) {
  return CloudError(Kind::invalidKey, backend, 0, std::nullopt);
}

CloudError CloudError::http(const std::string& backend, int status,
                            std::optional<std::string> message) {
  return CloudError(Kind::http, backend, status, std::move(message));
}

CloudError CloudError::badResponse(const std::string& backend) {
  return CloudError(Kind::badResponse, backend, 0, std::nullopt);
}

CloudError CloudError::badAddress(const std::string& address) {
  return CloudError(Kind::badAddress, address, 0, std::nullopt);
}

CloudError CloudError::failed(const std::string& backend, const std::string& message) {
  return CloudError(Kind::failed, backend, 0, message);
}

}  // namespace kelv::core
