// Renders the application's views to PNG files for review, in each appearance:
//   kelvora-snapshots OUTDIR [MEETING_FILE...]
// Run it under the offscreen platform (scripts/snapshots.sh does). With --blocks it prints the
// Meeting file reader's blocks of one file as JSON lines instead:
//   kelvora-snapshots --blocks FILE [TITLE]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "blocks_json.h"
#include "desktop/tray_icon.h"
#include "kelv/core/library/meeting_file_blocks.h"
#include "shell/theme.h"
#include "shell/view_engine.h"
#include "snapshot_views.h"

namespace {

using kelv::app::Appearance;

const char kUsage[] =
    "usage: kelvora-snapshots OUTDIR [MEETING_FILE...]\n"
    "       kelvora-snapshots --blocks FILE [TITLE]\n"
    "Renders every view in each appearance to OUTDIR/<view>-<appearance>.png, or prints the\n"
    "blocks of a Meeting file as JSON, one block per line.\n";

int printBlocks(const char* path, const char* title) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "kelvora-snapshots: can't read %s\n", path);
    return 1;
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  for (const auto& block : kelv::core::MeetingFileBlocks::forTitle(text, title))
    std::cout << kelv::snapshots::blockJson(block) << '\n';
  return 0;
}

bool render(QQmlEngine& engine, const kelv::snapshots::SnapshotView& view, const QString& path) {
  QQmlComponent component(&engine, view.source);
  std::unique_ptr<QObject> object(component.createWithInitialProperties(view.properties));
  auto* item = qobject_cast<QQuickItem*>(object.get());
  if (item == nullptr) {
    std::fprintf(stderr, "kelvora-snapshots: %s: %s\n", qPrintable(view.name),
                 qPrintable(component.errorString()));
    return false;
  }
  QQuickWindow window;
  if (view.width > 0) item->setWidth(view.width);
  if (view.height > 0) item->setHeight(view.height);
  item->setParentItem(window.contentItem());
  window.resize(static_cast<int>(item->width()), static_cast<int>(item->height()));
  window.show();
  QElapsedTimer patience;
  patience.start();
  while (!window.isExposed() && patience.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  // Views that read in the background are drawn once they have what they show. A backend test
  // against a closed port gives up after its four retries (1 + 2 + 4 + 8 s).
  if (view.ready)
    while (!view.ready() && patience.elapsed() < 25000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  // Entrance fades run their course; sizes that follow the content settle after a polish.
  QElapsedTimer fades;
  fades.start();
  while (fades.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  window.resize(static_cast<int>(item->width()), static_cast<int>(item->height()));
  const QImage image = window.grabWindow();
  if (image.isNull() || !image.save(path)) {
    std::fprintf(stderr, "kelvora-snapshots: can't write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The tray icon idle (top) and recording (bottom) at each drawn size on the `sidebar` colour,
// then the same enlarged four times (pixel for pixel) to judge its sharpness.
bool renderTrayIcons(const QString& path) {
  const kelv::app::Theme& theme = kelv::app::Theme::shared();
  constexpr int kGap = 8;
  constexpr int kZoom = 4;
  int width = kGap;
  for (const int size : kelv::app::TrayIcon::kSizes) width += size * (1 + kZoom) + 2 * kGap;
  const int height = kGap + 2 * (32 * kZoom + kGap);
  QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(theme.sidebar());
  QPainter painter(&sheet);
  int x = kGap;
  for (const int size : kelv::app::TrayIcon::kSizes) {
    for (const bool recording : {false, true}) {
      const QImage icon = kelv::app::TrayIcon::draw(recording, theme.ink(), size);
      const int y = kGap + (recording ? 32 * kZoom + kGap : 0);
      painter.drawImage(x, y, icon);
      painter.drawImage(QRect(x + size + kGap, y, size * kZoom, size * kZoom), icon);
    }
    x += size * (1 + kZoom) + 2 * kGap;
  }
  painter.end();
  if (!sheet.save(path)) {
    std::fprintf(stderr, "kelvora-snapshots: can't write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--blocks") {
    if (argc < 3 || argc > 4) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return printBlocks(argv[2], argc == 4 ? argv[3] : "");
  }
  QApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments().mid(1);
  if (arguments.isEmpty() || arguments.first().startsWith(QLatin1Char('-'))) {
    std::fputs(kUsage, arguments.isEmpty() ? stderr : stdout);
    return arguments.isEmpty() ? 2 : 0;
  }
  const QDir out(arguments.first());
  if (!QDir().mkpath(out.path())) {
    std::fprintf(stderr, "kelvora-snapshots: can't create %s\n", qPrintable(out.path()));
    return 1;
  }

  QQmlEngine engine;
  kelv::app::prepareViewEngine(engine);
  kelv::app::Theme& theme = kelv::app::Theme::shared();
  bool ok = true;
  for (const Appearance appearance :
       {Appearance::light, Appearance::dark, Appearance::highContrastLight,
        Appearance::highContrastDark}) {
    theme.force(appearance);
    const QString suffix = theme.appearanceText();
    for (const auto& view : kelv::snapshots::snapshotViews(arguments.mid(1)))
      ok = render(engine, view, out.filePath(view.name + QLatin1Char('-') + suffix + ".png")) && ok;
    ok = renderTrayIcons(out.filePath("tray-icon-" + suffix + ".png")) && ok;
  }
  return ok ? 0 : 1;
}
