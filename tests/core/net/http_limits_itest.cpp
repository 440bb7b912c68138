// Replies the HTTP client must bound whatever a service sends: floods that inflate without
// end, replies that stop half-way, and header values that would smuggle in headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio_files.h"
#include "fake_http_service.h"
#include "kelv/core/backends/cloud/cloud_client.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/net/http_session.h"
#include "kelv/core/net/transfer_error.h"
#include "kelv/core/net/wait_progress.h"
#include "raw_http_server.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using test::RawHttpServer;

std::string replyWith(const std::string& body, const std::string& extraHeaders = "") {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

HttpRequest post(const std::string& url) {
  HttpRequest request;
  request.method = "POST";
  request.url = url + "/v1/things";
  request.body = "{}";
  request.timeoutSeconds = 30;
  return request;
}

CloudClient client(HttpLimits limits = {}) {
  CloudClient result("Service", std::make_shared<HttpSession>(limits));
  result.sleep = [](double) {};
  return result;
}

std::string gzipped(const std::string& text) {
  test::TempDir dir;
  test::writeFile(dir / "plain", text);
  if (test::runCommand("gzip -c " + test::quoted(dir / "plain") + " > " +
                       test::quoted(dir / "packed")) != 0)
    throw std::runtime_error("gzip failed");
  return test::readFile(dir / "packed");
}

TEST(HttpLimits, RepliesBeyondTheLimitAreUnreadableOnceDecoded) {
  struct Case {
    std::string name;
    std::size_t limit;
    std::string reply;
    bool readable;
  } cases[] = {
      {"at the limit", 1000, replyWith(std::string(1000, 'a')), true},
      {"one byte past it", 1000, replyWith(std::string(1001, 'a')), false},
      {"compressed, small once inflated", 1000,
       replyWith(gzipped(std::string(900, 'a')), "Content-Encoding: gzip\r\n"), true},
      {"compressed, inflating past it", 1000,
       replyWith(gzipped(std::string(5000, 'a')), "Content-Encoding: gzip\r\n"), false},
      // 65 MiB of zeros travel as about 64 kB.
      {"a flood past the default limit", HttpLimits{}.maxReplyBytes,
       replyWith(gzipped(std::string((65u << 20), '\0')), "Content-Encoding: gzip\r\n"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawHttpServer server(c.reply);
    HttpLimits limits;
    limits.maxReplyBytes = c.limit;
    if (c.readable) {
      EXPECT_EQ(client(limits).send(post(server.baseUrl())).size(),
                c.name == "at the limit" ? 1000u : 900u);
    } else {
      try {
        client(limits).send(post(server.baseUrl()));
        ADD_FAILURE() << "read";
      } catch (const CloudError& error) {
        EXPECT_EQ(error.kind(), CloudError::Kind::badResponse);
        EXPECT_STREQ(error.what(), "Service returned a response Kelvora couldn't read.");
      }
      EXPECT_EQ(server.connections(), 1);  // not asked again
    }
  }
}

TEST(HttpLimits, AReplyThatStallsIsGivenUpAndTriedAgain) {
  // Headers and a few bytes of 100, then nothing.
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"text\":", 0);
  HttpLimits limits;
  limits.stallSeconds = 1;
  CloudClient stalled = client(limits);
  stalled.attempts = 2;
  try {
    stalled.send(post(server.baseUrl()));
    ADD_FAILURE() << "a stalled reply was taken";
  } catch (const TransferError& error) {
    EXPECT_EQ(error.kind(), TransferError::Kind::timedOut);
    EXPECT_STREQ(error.what(), "The service stopped sending its reply.");
  }
  EXPECT_EQ(server.connections(), 2);
}

TEST(HttpLimits, AServiceStillThinkingKeepsTheTimeOutAndIsReportedAsWaiting) {
  // Silent for twice the stall limit before it answers: thinking is not stalling.
  RawHttpServer server(replyWith("{\"ok\":true}"), 2);
  HttpLimits limits;
  limits.stallSeconds = 1;
  limits.waitingReportSeconds = 0.5;
  std::vector<int> waits;
  const WaitProgress::Scope scope([&](int seconds) { waits.push_back(seconds); });
  EXPECT_EQ(client(limits).send(post(server.baseUrl())), "{\"ok\":true}");
  EXPECT_EQ(server.connections(), 1);
  ASSERT_FALSE(waits.empty());
  EXPECT_TRUE(std::is_sorted(waits.begin(), waits.end()));
}

TEST(HttpLimits, HeaderValuesWithLineBreaksAreNeverSent) {
  test::FakeHttpService service;
  const std::vector<std::string> values = {"Bearer k\r\nHost: evil", "Bearer k\nX-Other: 1",
                                           std::string("k\0x", 3)};
  for (const std::string& value : values) {
    HttpRequest request = post(service.baseUrl());
    request.setHeader("Authorization", value);
    EXPECT_THROW(client().send(request), std::invalid_argument);
  }
  EXPECT_EQ(service.count(), 0u);
}

}  // namespace
}  // namespace kelv::core
