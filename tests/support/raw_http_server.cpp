#include "raw_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "kelv/core/util/ascii_text.h"

namespace kelv::test {

namespace {

// Reads the request's headers and as many body bytes as Content-Length says.
void readRequest(int fd) {
  std::string data;
  char buffer[65536];
  size_t headerEnd = std::string::npos;
  size_t wanted = 0;
  for (;;) {
    if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + wanted) return;
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return;
    data.append(buffer, static_cast<size_t>(got));
    if (headerEnd == std::string::npos &&
        (headerEnd = data.find("\r\n\r\n")) != std::string::npos) {
      const std::string lower = core::AsciiText::lowercased(data.substr(0, headerEnd));
      if (auto at = lower.find("content-length:"); at != std::string::npos)
        wanted = std::strtoull(lower.c_str() + at + 15, nullptr, 10);
    }
  }
}

void sendAll(int fd, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t put = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (put <= 0) return;
    done += static_cast<size_t>(put);
  }
}

}  // namespace

RawHttpServer::RawHttpServer(std::string reply, double delaySeconds)
    : reply_(std::move(reply)), delaySeconds_(delaySeconds) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 ||
      ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::pipe2(stopPipe_, O_CLOEXEC) != 0)
    throw std::runtime_error("raw HTTP server: can't listen");
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer() {
  // A full pipe already holds a stop; nothing else can fail here.
  if (::write(stopPipe_[1], "x", 1) < 0) {
  }
  thread_.join();
  for (int fd : open_) ::close(fd);
  ::close(listener_);
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
}

std::string RawHttpServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

void RawHttpServer::serve() {
  for (;;) {
    pollfd watched[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0) continue;
    if (watched[1].revents) return;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    open_.push_back(fd);
    readRequest(fd);
    // Waits, but not past a stop.
    pollfd stop{stopPipe_[0], POLLIN, 0};
    if (::poll(&stop, 1, static_cast<int>(delaySeconds_ * 1000)) > 0) return;
    sendAll(fd, reply_);
  }
}

}  // namespace kelv::test
