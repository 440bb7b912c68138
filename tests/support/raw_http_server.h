// A loopback server that answers every HTTP request with bytes given as they are, for replies
// a well-behaved server library won't send: a reply that stalls half-way, a compressed flood.
// After its reply it keeps the connection open (and silent) until it stops.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kelv::test {

class RawHttpServer {
 public:
  // Reads each request up to the end of its headers and body, waits `delaySeconds`, then
  // sends `reply`.
  explicit RawHttpServer(std::string reply, double delaySeconds = 0);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  // "http://127.0.0.1:<port>"
  std::string baseUrl() const;
  int connections() const { return connections_; }

 private:
  void serve();

  std::string reply_;
  double delaySeconds_;
  int listener_ = -1;
  int stopPipe_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<int> connections_{0};
  std::vector<int> open_;
  std::thread thread_;
};

}  // namespace kelv::test
