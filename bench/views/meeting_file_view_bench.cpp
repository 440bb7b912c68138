// The Meeting file view of a three-hour class (notes plus about 5 000 transcript turns): time
// to parse, time from loading the view to its first frame, the blocks actually built, and the
// process's peak memory. Goal: under 150 ms to the first frame, only what is visible built.
// Run in a release build:  QT_QPA_PLATFORM=offscreen build-release/bench/meeting_file_view_bench
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_file_blocks.h"
#include "shell/view_engine.h"

namespace {

constexpr int kTurns = 5000;
constexpr double kClassSeconds = 3 * 3600;

std::string clock(int seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

std::string threeHourClass() {
  std::mt19937 random(7);
  const char* words[] = {"la",       "matriz",   "vector",      "propio",      "valor",
                         "base",     "espacio",  "lineal",      "**teorema**", "demostración",
                         "`det(A)`", "entonces", "*por tanto*", "subespacio",  "dimensión",
                         "núcleo",   "imagen",   "aplicación"};
  std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
  std::uniform_int_distribution<int> length(6, 40);
  std::string text = "---\ntitle: \"Álgebra\"\nduration: 180\n---\n\n# Álgebra\n\n## Resumen\n\n";
  for (int k = 0; k < 40; ++k) text += "- Punto " + std::to_string(k) + " [due:: 2026-03-12]\n";
  text += "\n## Transcript\n\n";
  const char* speakers[] = {"Them", "Them", "Them", "You", "Marta"};
  std::uniform_int_distribution<size_t> who(0, std::size(speakers) - 1);
  for (int turn = 0; turn < kTurns; ++turn) {
    std::string line = "[" + clock(static_cast<int>(turn * kClassSeconds / kTurns)) + "] **" +
                       speakers[who(random)] + ":**";
    for (int n = length(random); n > 0; --n) line += std::string(" ") + words[pick(random)];
    text += line + "\n\n";
  }
  return text;
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int countNamed(QQuickItem* item, const QString& name) {
  int count = item->objectName() == name ? 1 : 0;
  for (QQuickItem* child : item->childItems()) count += countNamed(child, name);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const std::string markdown = threeHourClass();
  std::printf("file: %zu bytes, %d turns\n", markdown.size(), kTurns);

  std::vector<double> parses;
  size_t blocks = 0;
  for (int run = 0; run < 10; ++run) {
    const auto start = std::chrono::steady_clock::now();
    blocks = kelv::core::MeetingFileBlocks::forTitle(markdown, "Álgebra").size();
    parses.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(parses.begin(), parses.end());
  std::printf("parse: %zu blocks, median %.1f ms, best %.1f ms\n", blocks,
              parses[parses.size() / 2], parses.front());
  const long beforeView = peakKilobytes();

  QQmlEngine engine;
  kelv::app::prepareViewEngine(engine);
  QQuickWindow window;
  window.resize(760, 900);
  window.show();
  while (!window.isExposed()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

  // From the text in hand to the first frame that shows it: parsing, building the view and
  // the visible delegates, rendering. The first view also loads Qt Quick's modules, which the
  // application has done before it shows any meeting; the second is a meeting opened after it.
  const QString text = QString::fromStdString(markdown);
  std::unique_ptr<QQmlComponent> component;
  std::unique_ptr<QObject> object;
  QQuickItem* view = nullptr;
  const auto firstFrame = [&]() -> double {
    object.reset();
    QElapsedTimer timer;
    bool drawn = false;
    double elapsed = 0;
    const auto connection = QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [&] {
      if (!drawn) elapsed = timer.nsecsElapsed() / 1e6;
      drawn = true;
    });
    timer.start();
    if (!component)
      component = std::make_unique<QQmlComponent>(
          &engine, QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/MeetingFileView.qml")));
    if (!component->isReady()) {
      std::fprintf(stderr, "%s\n", qPrintable(component->errorString()));
      std::exit(1);
    }
    object.reset(component->createWithInitialProperties(
        {{"markdown", text}, {"title", QStringLiteral("Álgebra")}}));
    view = qobject_cast<QQuickItem*>(object.get());
    if (view == nullptr) {
      std::fprintf(stderr, "%s\n", qPrintable(component->errorString()));
      std::exit(1);
    }
    view->setSize(QSizeF(760, 900));
    view->setParentItem(window.contentItem());
    window.update();
    while (!drawn) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QObject::disconnect(connection);
    return elapsed;
  };
  const double cold = firstFrame();
  const double warm = firstFrame();

  std::printf("first frame: %.1f ms, %.1f ms with Qt Quick's modules loaded (goal < 150 ms)\n",
              cold, warm);
  std::printf(
      "blocks built: %d of %zu (turn rows %d)\n",
      countNamed(view, "turnTime") + countNamed(view, "itemText") + countNamed(view, "headingText"),
      blocks, countNamed(view, "turnTime"));
  std::printf("peak memory: %.1f MB (%.1f MB before the view)\n", peakKilobytes() / 1024.0,
              beforeView / 1024.0);
  return 0;
}
