#include "kelv/core/net/transfer_error.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace kelv::core {
namespace {

TEST(TransferError, MapsLibcurlFailuresOntoTheRetriedKinds) {
  using Kind = TransferError::Kind;
  struct Case {
    int code;
    int osErrno;
    Kind kind;
  } cases[] = {
      {CURLE_OPERATION_TIMEDOUT, 0, Kind::timedOut},
      {CURLE_RECV_ERROR, ECONNRESET, Kind::connectionLost},
      {CURLE_SEND_ERROR, EPIPE, Kind::connectionLost},
      {CURLE_GOT_NOTHING, 0, Kind::connectionLost},
      {CURLE_PARTIAL_FILE, 0, Kind::connectionLost},
      {CURLE_HTTP2_STREAM, 0, Kind::connectionLost},
      {CURLE_COULDNT_CONNECT, ECONNREFUSED, Kind::cannotConnect},
      {CURLE_COULDNT_CONNECT, ENETUNREACH, Kind::offline},
      {CURLE_COULDNT_CONNECT, ENETDOWN, Kind::offline},
      {CURLE_COULDNT_RESOLVE_PROXY, 0, Kind::dnsFailure},
      {CURLE_COULDNT_RESOLVE_HOST, 0, Kind::hostNotFound},
      {CURLE_PEER_FAILED_VERIFICATION, 0, Kind::other},
      {CURLE_SSL_CONNECT_ERROR, 0, Kind::other},
      {CURLE_UNSUPPORTED_PROTOCOL, 0, Kind::other},
      {CURLE_URL_MALFORMAT, 0, Kind::other},
      {CURLE_ABORTED_BY_CALLBACK, 0, Kind::other},
  };
  for (const Case& c : cases) {
    TransferError error(c.code, c.osErrno, "text");
    EXPECT_EQ(error.kind(), c.kind) << c.code;
    EXPECT_EQ(error.isTransient(), c.kind != Kind::other) << c.code;
    EXPECT_EQ(error.code(), c.osErrno);
    EXPECT_STREQ(error.what(), "text");
  }
}

}  // namespace
}  // namespace kelv::core
