// The meetings window over a large library: 2 000 meeting folders, each with its Meeting file.
//   meetings_window_bench [MEETINGS]
// Prints the time from making the window's content to the first frame that shows rows (the
// list is read on a worker thread meanwhile), the worker's time for one whole read, and the
// main thread's time to apply a refresh in which one meeting changed.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "controllers/app_model.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings.h"
#include "sample_library.h"
#include "shell/view_engine.h"
#include "temp_dir.h"
#include "view_models/meetings_window_model.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kelv::app::MeetingListModel;
using kelv::app::MeetingsWindowModel;

double millis(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QT_QUICK_BACKEND", "software", 0);
  const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
  kelv::test::TempDir temp;
  ::setenv("HOME", temp.path().c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
  ::setenv("KELV_DEFAULTS_SUITE", "bench", 1);
  QGuiApplication application(argc, argv);

  const fs::path preferences = temp / "config" / "bench" / "preferences.json";
  fs::create_directories(preferences.parent_path());
  kelv::test::writeFile(
      preferences,
      nlohmann::json{{"v2.settings", {{"notesFolder", kelv::core::folderURL(temp / "notes")}}}}
          .dump());
  kelv::test::SampleLibrary library(kelv::core::MeetingStore(temp / "meetings"), temp / "notes");
  const kelv::core::Date now = std::chrono::system_clock::now();
  std::vector<kelv::core::MeetingFolder> folders;
  for (int i = 0; i < count; ++i)
    folders.push_back(library.add({"Clase " + std::to_string(i), now - i * 7h, 3000}));
  std::printf("library: %d meetings with Meeting files\n", count);

  kelv::app::AppModel app({kelv::core::MeetingStore(temp / "meetings"),
                           std::make_shared<kelv::core::MemorySecretStore>(),
                           kelv::core::Preferences(preferences), fs::path("/bin/true")});
  QQmlEngine engine;
  kelv::app::prepareViewEngine(engine);
  QQuickWindow window;
  window.resize(1100, 760);

  QElapsedTimer opening;
  opening.start();
  MeetingsWindowModel meetings(app, {});
  QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/MeetingsView.qml")));
  std::unique_ptr<QObject> object(component.createWithInitialProperties(
      {{QStringLiteral("meetings"), QVariant::fromValue(&meetings)}}));
  auto* view = qobject_cast<QQuickItem*>(object.get());
  if (view == nullptr) {
    std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
    return 1;
  }
  view->setParentItem(window.contentItem());
  view->setSize(window.size());
  bool rowsShown = false;
  double firstFrame = 0;
  QObject::connect(&window, &QQuickWindow::frameSwapped, [&] {
    if (!rowsShown && meetings.list()->count() > 0) {
      rowsShown = true;
      firstFrame = millis(opening);
    }
  });
  window.show();
  meetings.windowShown();
  while (!rowsShown && opening.elapsed() < 60000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  std::printf("open to first frame with rows: %.1f ms (goal < 300 ms)\n", firstFrame);

  QElapsedTimer reading;
  reading.start();
  auto rows = MeetingListModel::read(
      {kelv::core::MeetingStore(temp / "meetings"), app.settings(), {}, {}, {}});
  std::printf("one whole read on the worker: %.1f ms\n", millis(reading));

  folders[count / 2].updateStatus([](kelv::core::MeetingStatus& status) {
    status.state = kelv::core::MeetingStatus::State::needsAttention;
    status.lastError = "Transcription failed.";
  });
  rows = MeetingListModel::read(
      {kelv::core::MeetingStore(temp / "meetings"), app.settings(), {}, {}, {}});
  QElapsedTimer applying;
  applying.start();
  meetings.list()->apply(std::move(rows));
  QCoreApplication::processEvents();
  std::printf("refresh with one changed row, main thread: %.2f ms (goal < 20 ms)\n",
              millis(applying));
  return 0;
}
