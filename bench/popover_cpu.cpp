// CPU used by the application while it records the test tones, first with the tray pop-over
// open and active (both meters ticking at 15 Hz, the clock running) and then with it closed.
// The whole process is measured (getrusage), recording included, against the wall time, and
// reported as a share of one core. Goals: under 3 % open, under 1 % closed.
//
// Usage: popover_cpu [SECONDS]   (default 20 per phase). Runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise; uses a temporary store and preferences.
#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "controllers/app_model.h"
#include "desktop/tray_item.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "shell/view_engine.h"
#include "shell/window_shell.h"
#include "view_models/meter_view.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for `seconds` and returns the CPU share of one core in percent.
double measure(int seconds) {
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds();
  QEventLoop loop;
  QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  return (cpuSeconds() - cpuStart) / wall * 100;
}

void settle(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  if (seconds <= 0) {
    std::fputs("usage: popover_cpu [SECONDS]\n", stderr);
    return 2;
  }
  QTemporaryDir temp;
  const std::filesystem::path root = temp.path().toStdString();
  ::setenv("HOME", root.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  ::setenv("KELV_DEFAULTS_SUITE", "popover-bench", 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("KELV_APPEARANCE", "light", 0);
  std::filesystem::create_directories(root / "config" / "popover-bench");

  QApplication application(argc, argv);
  kelv::app::AppModel model(
      {kelv::core::MeetingStore(root / "meetings"),
       std::make_shared<kelv::core::MemorySecretStore>(),
       kelv::core::Preferences(root / "config" / "popover-bench" / "preferences.json"),
       std::nullopt,
       {},
       /*fakeCapture=*/true});
  model.settings().setConsentAcknowledged(true);
  QQmlEngine engine;
  kelv::app::prepareViewEngine(engine);
  kelv::app::WindowShell shell(model, engine);
  kelv::app::TrayItem tray(model, shell, engine);

  model.start();
  if (!model.isRecording()) {
    std::fputs("popover_cpu: the recording did not start\n", stderr);
    return 1;
  }
  tray.openPopover();
  settle(1000);
  const auto meters = tray.popover()->findChildren<kelv::app::MeterView*>();
  int ticking = 0;
  for (const auto* meter : meters) ticking += meter->ticking() ? 1 : 0;
  const double open = measure(seconds);
  tray.closePopover();
  settle(1000);
  const double closed = measure(seconds);
  model.terminate();

  std::printf("pop-over open (%d of %lld meters ticking): %.2f %% of one core (goal < 3 %%)\n",
              ticking, static_cast<long long>(meters.size()), open);
  std::printf("pop-over closed: %.2f %% of one core (goal < 1 %%)\n", closed);
  return 0;
}
