// A request that failed below HTTP (no usable response): a PlatformError for network
// failures. what() is libcurl's own message. CloudClient retries the transient kinds and
// passes every TransferError on unchanged.
#pragma once

#include <string>

#include "kelv/core/util/platform_error.h"

namespace kelv::core {

class TransferError : public PlatformError {
 public:
  // The six transient kinds a retry may cure, then everything else.
  enum class Kind {
    timedOut,
    connectionLost,
    cannotConnect,
    offline,
    dnsFailure,
    hostNotFound,
    other
  };

  // `curlCode` is libcurl's result code, `osErrno` the errno of the failed socket call (0 when
  // none), `message` libcurl's text.
  TransferError(int curlCode, int osErrno, const std::string& message)
      : PlatformError(osErrno, message), curlCode_(curlCode), kind_(kindFor(curlCode, osErrno)) {}

  int curlCode() const noexcept { return curlCode_; }
  Kind kind() const noexcept { return kind_; }
  bool isTransient() const noexcept { return kind_ != Kind::other; }

  // How a libcurl result code (with the socket's errno) maps onto the kinds.
  static Kind kindFor(int curlCode, int osErrno);

 private:
  int curlCode_;
  Kind kind_;
};

}  // namespace kelv::core
