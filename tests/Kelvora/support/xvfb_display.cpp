#include "xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

namespace kelv::test {

XvfbDisplay::XvfbDisplay() {
  // -displayfd lets the server choose an unused display number and report it once it listens,
  // so parallel test programs never race for the same number. -noreset: by default the server
  // resets when its last client leaves, and a connection made during that reset is refused,
  // which turned a test that connects twice into a coin toss.
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  // Only the write end may reach the server.
  ::fcntl(pipeEnds[0], F_SETFD, FD_CLOEXEC);
  try {
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-noreset",
                                 "-nolisten", "tcp", "-screen", "0", "640x480x24"});
  } catch (...) {
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    throw;
  }
  ::close(pipeEnds[1]);

  std::string number;
  pollfd reader{pipeEnds[0], POLLIN, 0};
  while (number.empty() || number.back() != '\n') {
    if (::poll(&reader, 1, 20000) <= 0) break;
    char buffer[16];
    const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (count <= 0) break;
    number.append(buffer, static_cast<size_t>(count));
  }
  ::close(pipeEnds[0]);
  if (number.empty() || number.back() != '\n')
    throw std::runtime_error("Xvfb did not report a display");
  number.pop_back();
  name_ = ":" + number;
}

XvfbDisplay::~XvfbDisplay() = default;

}  // namespace kelv::test
