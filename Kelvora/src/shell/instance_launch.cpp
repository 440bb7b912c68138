#include "shell/instance_launch.h"

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <chrono>
#include <thread>

namespace kelv::app::InstanceLaunch {

namespace {

// A launch that loses the race to become the instance retries the hand-over while the winner
// starts listening, for about this long (an instance that accepts but never answers costs one
// attempt's wait).
constexpr auto kHandOverPatience = std::chrono::seconds(5);
constexpr auto kHandOverPause = std::chrono::milliseconds(100);

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

int signalPipe[2] = {-1, -1};
// Set once this process is the instance; before that a signal ends it as usual.
volatile sig_atomic_t serving = 0;

void onSignal(int number) {
  if (!serving) {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(number, &standard, nullptr);
    ::raise(number);
    return;
  }
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  errno = saved;
}

// Listens with the termination signals held back, so that one arriving as the socket appears
// is handled by the mode the process is in once the attempt is over.
bool becomeInstance(SingleInstance& instance) {
  sigset_t termination, previous;
  sigemptyset(&termination);
  for (const int number : kTerminationSignals) sigaddset(&termination, number);
  ::pthread_sigmask(SIG_BLOCK, &termination, &previous);
  const bool listening = instance.listen();
  if (listening) serving = 1;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return listening;
}

}  // namespace

bool quitOnTerminationSignals(QCoreApplication& application) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
    return false;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &application);
  QObject::connect(notifier, &QSocketNotifier::activated, &application, [&application] {
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    application.quit();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : kTerminationSignals)
    if (::sigaction(number, &action, nullptr) != 0) return false;
  return true;
}

Claim claim(SingleInstance& instance, const QStringList& urls) {
  const auto deadline = std::chrono::steady_clock::now() + kHandOverPatience;
  while (!becomeInstance(instance)) {
    if (SingleInstance::forward(urls)) return Claim::handedOver;
    if (std::chrono::steady_clock::now() >= deadline) return Claim::unanswered;
    std::this_thread::sleep_for(kHandOverPause);
  }
  return Claim::instance;
}

}  // namespace kelv::app::InstanceLaunch
