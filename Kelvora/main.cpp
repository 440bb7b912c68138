// The application's entry: one instance per user runs the model; a later launch hands its
// kelvora: URLs to it and ends. Termination signals end the event loop, so the delegate's
// will-terminate step runs as it does for a normal quit.
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QQmlEngine>
#include <QSocketNotifier>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app_delegate.h"
#include "app_model.h"
#include "bundle.h"
#include "kelv/core/util/application.h"
#include "single_instance.h"
#include "tray_item.h"
#include "view_engine.h"
#include "window_shell.h"

namespace {

// A launch that loses the race to become the instance retries the hand-over while the winner
// starts listening, for about this long (an instance that accepts but never answers costs one
// attempt's wait).
constexpr auto kHandOverPatience = std::chrono::seconds(5);
constexpr auto kHandOverPause = std::chrono::milliseconds(100);

const char kUsage[] =
    "usage: kelvora [--headless] [kelvora://start | kelvora://stop ...]\n"
    "\n"
    "Runs Tizara. When it already runs, the URLs are handed to the running instance:\n"
    "kelvora://start starts a recording, kelvora://stop stops it.\n"
    "\n"
    "  --headless  run without windows\n"
    "  --help      show this help\n";

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

// SIGTERM, SIGINT and SIGHUP quit the event loop from the main thread.
bool quitOnSignals(QCoreApplication& application) {
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
  for (const int number : {SIGTERM, SIGINT, SIGHUP})
    if (::sigaction(number, &action, nullptr) != 0) return false;
  return true;
}

// Listens with the termination signals held back, so that one arriving as the socket appears
// is handled by the mode the process is in once the attempt is over.
bool becomeInstance(kelv::app::SingleInstance& instance) {
  sigset_t termination, previous;
  sigemptyset(&termination);
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&termination, number);
  ::pthread_sigmask(SIG_BLOCK, &termination, &previous);
  const bool listening = instance.listen();
  if (listening) serving = 1;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return listening;
}

bool isKelvoraURL(const QString& argument) {
  return argument.startsWith(QLatin1String("kelvora:"), Qt::CaseInsensitive);
}

}  // namespace

int main(int argc, char** argv) {
  QStringList urls;
  bool headless = false;
  for (int index = 1; index < argc; ++index) {
    const QString argument = QString::fromLocal8Bit(argv[index]);
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      std::fputs(kUsage, stdout);
      return kelv::core::ExitStatus::success;
    }
    if (argument == QLatin1String("--headless")) {
      headless = true;
      continue;
    }
    if (isKelvoraURL(argument)) {
      urls << argument;
    } else if (argument.startsWith(QLatin1Char('-'))) {
      std::fprintf(stderr, "kelvora: unknown option %s\n%s", argv[index], kUsage);
      return kelv::core::ExitStatus::usage;
    }
    // Anything else (a desktop launcher's file argument) is passed over.
  }

  // The build used for automated interface checks does nothing outside its test suite.
  if (kelv::app::bundleIdentifier() == "com.kelvora.ui-smoke" &&
      std::getenv("KELV_DEFAULTS_SUITE") == nullptr)
    return kelv::core::ExitStatus::success;

  // A processing child that dies must not take the application with it.
  ::signal(SIGPIPE, SIG_IGN);

  // Headless runs need no display at all; otherwise the tray and the windows need Qt Widgets'
  // application object. Closing the last window leaves the tray application running.
  std::unique_ptr<QCoreApplication> owner;
  if (headless) {
    owner = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    auto gui = std::make_unique<QApplication>(argc, argv);
    gui->setQuitOnLastWindowClosed(false);
    owner = std::move(gui);
  }
  QCoreApplication& application = *owner;
  QCoreApplication::setApplicationName(QStringLiteral("kelvora"));

  // Handled from the moment a later launch can find this instance, so a signal that follows
  // the socket's appearance always ends it cleanly.
  if (!quitOnSignals(application))
    std::fprintf(stderr, "kelvora: termination signals can't be handled: %s\n",
                 std::strerror(errno));

  kelv::app::SingleInstance instance;
  const auto handOverDeadline = std::chrono::steady_clock::now() + kHandOverPatience;
  while (!becomeInstance(instance)) {
    if (kelv::app::SingleInstance::forward(urls)) return kelv::core::ExitStatus::success;
    if (std::chrono::steady_clock::now() >= handOverDeadline) {
      std::fputs("kelvora: another instance is running but does not answer\n", stderr);
      return kelv::core::ExitStatus::failure;
    }
    std::this_thread::sleep_for(kHandOverPause);
  }

  try {
    kelv::app::AppModel& model = kelv::app::AppModel::shared();
    kelv::app::AppDelegate delegate(model);
    // The windows and the tray item, unless headless. Declared in this order so the windows
    // go before the engine that made them.
    std::optional<QQmlEngine> engine;
    std::optional<kelv::app::WindowShell> shell;
    std::optional<kelv::app::TrayItem> tray;
    if (!headless) {
      engine.emplace();
      kelv::app::prepareViewEngine(*engine);
      shell.emplace(model, *engine);
      tray.emplace(model, *shell, *engine);
    }
    QObject::connect(&instance, &kelv::app::SingleInstance::received, &delegate,
                     [&delegate](const QStringList& arguments) {
                       QStringList forwarded;
                       for (const QString& argument : arguments)
                         if (isKelvoraURL(argument)) forwarded << argument;
                       try {
                         // Launched again without URLs: the user wants the application.
                         if (forwarded.isEmpty())
                           delegate.reopen();
                         else
                           delegate.openURLs(forwarded);
                       } catch (const std::exception& error) {
                         std::fprintf(stderr, "kelvora: %s\n", error.what());
                       }
                     });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] {
                       try {
                         delegate.willTerminate();
                       } catch (const std::exception& error) {
                         std::fprintf(stderr, "kelvora: %s\n", error.what());
                       }
                     });

    delegate.willFinishLaunching();
    delegate.didFinishLaunching();
    if (tray) tray->show();
    delegate.openURLs(urls);
    return application.exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kelvora: %s\n", error.what());
    return kelv::core::ExitStatus::failure;
  }
}
