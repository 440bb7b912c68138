// An HTTP service on 127.0.0.1 (a free port) for tests of the cloud backends: routes answer
// with canned or computed replies, every request is recorded in arrival order, and replies
// can imitate a service's faults (error statuses, Retry-After, a connection cut mid-reply, a
// reply that never comes in time).
//
// Handlers run on the server's threads; requests() and count() may be called from the test
// thread at any time. The service stops in the destructor.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelv::test {

class FakeHttpService {
 public:
  // One part of a multipart/form-data body, as a service's form parser sees it.
  struct Part {
    std::string name;
    std::string filename;
    std::string contentType;
    std::string content;
  };

  struct Request {
    std::string method;
    std::string path;  // without the query
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;         // empty for a multipart body: see parts
    std::vector<Part> parts;  // in the order they were sent
    bool multipart = false;

    // The value of header `name` (any case), or absent.
    std::optional<std::string> header(const std::string& name) const;
    // The parts' names in order, and one part by name (throws when missing).
    std::vector<std::string> partNames() const;
    const Part& part(const std::string& name) const;
  };

  struct Reply {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    // Sends the status line, the headers and half the body, then closes the connection.
    bool cutOff = false;
    // Waits this long before answering (for time-outs).
    double delaySeconds = 0;

    static Reply json(std::string body, int status = 200) {
      Reply reply;
      reply.status = status;
      reply.body = std::move(body);
      return reply;
    }
  };

  using Handler = std::function<Reply(const Request&)>;

  // Listens on a free port, or on `port` when given (throws when it is taken).
  explicit FakeHttpService(int port = 0);
  ~FakeHttpService();
  FakeHttpService(const FakeHttpService&) = delete;
  FakeHttpService& operator=(const FakeHttpService&) = delete;

  // Routes `method` `path` (exact match) to `handler`, replacing an earlier route. Requests
  // without a route are recorded and answered 404 {"error":{"message":"no route"}}.
  void on(const std::string& method, const std::string& path, Handler handler);
  // Answers the route with `replies` in turn; the last one repeats.
  void script(const std::string& method, const std::string& path, std::vector<Reply> replies);

  // "http://127.0.0.1:<port>"
  std::string baseUrl() const;
  int port() const { return port_; }

  std::vector<Request> requests() const;
  std::size_t count() const;
  // Stops listening; later connections are refused.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int port_ = 0;
};

}  // namespace kelv::test
