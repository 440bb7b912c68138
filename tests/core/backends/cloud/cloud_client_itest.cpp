// CloudClient against a real HTTP service on loopback: retries, waits and error mapping.
#include "kelv/core/backends/cloud/cloud_client.h"

#include <gtest/gtest.h>

#include <thread>

#include "fake_http_service.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/net/transfer_error.h"

namespace kelv::core {
namespace {

using test::FakeHttpService;
using Reply = FakeHttpService::Reply;

Reply status(int code, std::string body = "",
             std::vector<std::pair<std::string, std::string>> headers = {}) {
  Reply reply = Reply::json(std::move(body), code);
  reply.headers = std::move(headers);
  return reply;
}

Reply retryAfter(int code, std::string value) { return status(code, "", {{"Retry-After", value}}); }

struct Recorded {
  CloudClient client;
  std::shared_ptr<std::vector<double>> waits = std::make_shared<std::vector<double>>();

  explicit Recorded(std::string label = "Service")
      : client(std::move(label), HttpSession::makeEphemeral()) {
    client.sleep = [waits = waits](double seconds) { waits->push_back(seconds); };
  }
};

HttpRequest post(const FakeHttpService& service, std::string body = "{}") {
  HttpRequest request;
  request.method = "POST";
  request.url = service.baseUrl() + "/v1/things";
  request.body = std::move(body);
  request.setHeader("Content-Type", "application/json");
  request.timeoutSeconds = 10;
  return request;
}

TEST(CloudClient, SendsTheRequestAsPreparedAndReturnsTheBody) {
  FakeHttpService service;
  service.script("POST", "/v1/things", {status(200, R"({"ok":true})")});
  Recorded r;
  HttpRequest request = post(service, R"({"a":"ü"})");
  request.setHeader("Authorization", "Bearer k-1");
  request.setHeader("x-goog-api-key", "g");
  EXPECT_EQ(r.client.send(request), R"({"ok":true})");

  auto received = service.requests();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].method, "POST");
  EXPECT_EQ(received[0].body, R"({"a":"ü"})");
  EXPECT_EQ(received[0].header("Content-Type"), "application/json");
  EXPECT_EQ(received[0].header("Authorization"), "Bearer k-1");
  EXPECT_EQ(received[0].header("x-goog-api-key"), "g");
  EXPECT_EQ(received[0].header("Expect"), std::nullopt);
  EXPECT_EQ(received[0].header("Cookie"), std::nullopt);
  EXPECT_TRUE(r.waits->empty());
}

TEST(CloudClient, GetCarriesNoBodyAndNoInventedContentType) {
  FakeHttpService service;
  service.script("GET", "/v2/transcript/abc", {status(200, "")});
  Recorded r;
  HttpRequest request;
  request.url = service.baseUrl() + "/v2/transcript/abc";
  EXPECT_EQ(r.client.send(request), "");  // an empty 2xx body is the caller's to judge
  auto received = service.requests();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].method, "GET");
  EXPECT_EQ(received[0].header("Content-Type"), std::nullopt);
}

TEST(CloudClient, RetriesAndWaitsByStatus) {
  const std::string fifth = R"({"error":{"message":"fifth"}})";
  struct Case {
    const char* name;
    std::vector<Reply> replies;
    size_t requests;
    std::vector<double> waits;
    std::optional<CloudError> error;  // absent: success
  } cases[] = {
      {"401 is never retried",
       {status(401, R"({"error":"bad"})")},
       1,
       {},
       CloudError::invalidKey("Service")},
      {"403 is never retried", {status(403)}, 1, {}, CloudError::invalidKey("Service")},
      {"five 500s",
       {status(500, "{\"message\":\"first\"}"), status(500), status(500), status(500),
        status(500, fifth)},
       5,
       {1, 2, 4, 8},
       CloudError::http("Service", 500, "fifth")},
      {"500s then success",
       {status(500), status(502), status(200, "done")},
       3,
       {1, 2},
       std::nullopt},
      {"429 and 5xx wait the same way",
       {status(429), status(503), status(200)},
       3,
       {1, 2},
       std::nullopt},
      {"404 is reported at once",
       {status(404, R"({"error":{"message":"no such model"}})")},
       1,
       {},
       CloudError::http("Service", 404, "no such model")},
      {"400 without a message",
       {status(400, R"({"error":{"type":"x"}})")},
       1,
       {},
       CloudError::http("Service", 400, std::nullopt)},
      {"3xx is not followed",
       {status(302, "", {{"Location", "http://example.com/"}})},
       1,
       {},
       CloudError::http("Service", 302, std::nullopt)},
      {"Retry-After caps at 60", {retryAfter(429, "120"), status(200)}, 2, {60}, std::nullopt},
      {"Retry-After fractional", {retryAfter(429, "0.5"), status(200)}, 2, {0.5}, std::nullopt},
      {"Retry-After with a leading space is ignored",
       {retryAfter(429, " 3"), status(200)},
       2,
       {1},
       std::nullopt},
      {"Retry-After date form is ignored",
       {retryAfter(503, "Wed, 21 Oct 2015 07:28:00 GMT"), status(200)},
       2,
       {1},
       std::nullopt},
      {"doubling continues from Retry-After",
       {retryAfter(429, "3"), status(503), status(200)},
       3,
       {3, 6},
       std::nullopt},
      {"Retry-After 0 keeps later waits at 0",
       {retryAfter(429, "0"), status(500), status(500), status(200)},
       4,
       {0, 0, 0},
       std::nullopt},
      {"a later Retry-After replaces the wait",
       {retryAfter(429, "0"), retryAfter(429, "5"), status(200)},
       3,
       {0, 5},
       std::nullopt},
      {"negative Retry-After waits 0", {retryAfter(429, "-4"), status(200)}, 2, {0}, std::nullopt},
      {"infinite Retry-After waits 0", {retryAfter(429, "inf"), status(200)}, 2, {0}, std::nullopt},
      {"nan Retry-After waits 0", {retryAfter(429, "nan"), status(200)}, 2, {0}, std::nullopt},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpService service;
    service.script("POST", "/v1/things", c.replies);
    Recorded r;
    if (c.error) {
      try {
        r.client.send(post(service));
        ADD_FAILURE() << "no error";
      } catch (const CloudError& error) {
        EXPECT_EQ(error, *c.error) << error.what();
      }
    } else {
      EXPECT_NO_THROW(r.client.send(post(service)));
    }
    EXPECT_EQ(service.count(), c.requests);
    EXPECT_EQ(*r.waits, c.waits);
  }
}

TEST(CloudClient, AttemptLimitIsConfigurable) {
  FakeHttpService service;
  service.script("POST", "/v1/things", {status(500)});
  Recorded r;
  r.client.attempts = 2;
  EXPECT_THROW(r.client.send(post(service)), CloudError);
  EXPECT_EQ(service.count(), 2u);
  EXPECT_EQ(*r.waits, std::vector<double>{1});
}

TEST(CloudClient, RetriesAConnectionCutMidReply) {
  FakeHttpService service;
  Reply cut = status(200, R"({"text":"a long reply that never arrives whole"})");
  cut.cutOff = true;
  service.script("POST", "/v1/things", {cut, cut, status(200, "whole")});
  Recorded r;
  EXPECT_EQ(r.client.send(post(service)), "whole");
  EXPECT_EQ(service.count(), 3u);
  EXPECT_EQ(*r.waits, (std::vector<double>{1, 2}));
}

TEST(CloudClient, ConnectionCutOnEveryTryEndsWithTheTransferError) {
  FakeHttpService service;
  Reply cut = status(200, R"({"text":"never whole"})");
  cut.cutOff = true;
  service.script("POST", "/v1/things", {cut});
  Recorded r;
  try {
    r.client.send(post(service));
    ADD_FAILURE() << "no error";
  } catch (const TransferError& error) {
    EXPECT_EQ(error.kind(), TransferError::Kind::connectionLost);
    EXPECT_STRNE(error.what(), "");
  }
  EXPECT_EQ(service.count(), 5u);
  EXPECT_EQ(*r.waits, (std::vector<double>{1, 2, 4, 8}));
}

TEST(CloudClient, RetriesWhenNothingListens) {
  int port;
  {
    FakeHttpService gone;
    port = gone.port();
  }
  Recorded r;
  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(port) + "/v1/things";
  try {
    r.client.send(request);
    ADD_FAILURE() << "no error";
  } catch (const TransferError& error) {
    EXPECT_EQ(error.kind(), TransferError::Kind::cannotConnect) << error.what();
  }
  EXPECT_EQ(*r.waits, (std::vector<double>{1, 2, 4, 8}));
}

TEST(CloudClient, RetriesATryThatOutlastsItsTimeOut) {
  FakeHttpService service;
  Reply slow = status(200, "late");
  slow.delaySeconds = 1;
  service.script("POST", "/v1/things", {slow, status(200, "in time")});
  Recorded r;
  HttpRequest request = post(service);
  request.timeoutSeconds = 0.1;
  EXPECT_EQ(r.client.send(request), "in time");
  EXPECT_EQ(*r.waits, std::vector<double>{1});
}

TEST(CloudClient, OtherTransferFailuresPassThroughAtOnce) {
  FakeHttpService service;  // speaks plain HTTP, so a TLS handshake fails
  Recorded r;
  HttpRequest request;
  request.url = "https://127.0.0.1:" + std::to_string(service.port()) + "/v1/things";
  try {
    r.client.send(request);
    ADD_FAILURE() << "no error";
  } catch (const TransferError& error) {
    EXPECT_EQ(error.kind(), TransferError::Kind::other);
    EXPECT_STRNE(error.what(), "");
  }
  EXPECT_TRUE(r.waits->empty());
}

TEST(CloudClient, AFailingWaitEndsTheCall) {
  FakeHttpService service;
  service.script("POST", "/v1/things", {status(503)});
  CloudClient client("Service", HttpSession::makeEphemeral());
  client.sleep = [](double) { throw std::runtime_error("cancelled"); };
  EXPECT_THROW(client.send(post(service)), std::runtime_error);
  EXPECT_EQ(service.count(), 1u);
}

TEST(CloudClient, CopiesSendConcurrentlyOnOneSession) {
  FakeHttpService service;
  service.on("POST", "/v1/things",
             [](const FakeHttpService::Request& request) { return Reply::json(request.body); });
  Recorded r;
  std::vector<std::thread> threads;
  std::atomic<int> matched{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t, client = r.client] {
      for (int i = 0; i < 10; ++i) {
        std::string body = std::to_string(t * 100 + i);
        if (client.send(post(service, body)) == body) ++matched;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(matched, 40);
}

}  // namespace
}  // namespace kelv::core
