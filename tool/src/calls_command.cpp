// kelv calls: prints call events as the application would see them, until SIGINT or SIGTERM.
#include <chrono>
#include <csignal>
#include <iostream>
#include <mutex>

#include "command.h"
#include "kelv/capture/call_watcher.h"
#include "kelv/core/util/date_text.h"

namespace kelv::tool {
namespace {

std::string localTime() {
  return core::DateText::formatted(std::chrono::system_clock::now(), "%H:%M:%S",
                                   core::DateText::Zone::local);
}

int calls(const std::vector<std::string>& arguments, const core::Environment& /*environment*/) {
  if (!arguments.empty())
    return usageError("calls", "unexpected argument \"" + arguments[0] + "\"");
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  std::mutex outputMutex;
  capture::CallWatcher watcher([&](const core::CallEvent& event) {
    std::lock_guard lock(outputMutex);
    std::cout << localTime() << ' '
              << (event.kind == core::CallEvent::Kind::started ? "started" : "ended") << ' '
              << event.app.name << " (" << event.app.id << ")" << std::endl;
  });
  watcher.start();
  int signal = 0;
  sigwait(&signals, &signal);
  watcher.stop();
  return core::ExitStatus::success;
}

const CommandRegistration registration{
    Command{"calls", "print the calls the application would offer to record",
            "usage: kelv calls\n"
            "\n"
            "Watches the sound server for call applications and web browsers that use the\n"
            "microphone together with the speakers or a camera, and prints one line per call\n"
            "that starts (after 5 seconds) or ends (20 seconds after the microphone stops), until\n"
            "SIGINT or SIGTERM.\n",
            calls}};

}  // namespace
}  // namespace kelv::tool
