// Export of a three-hour class (notes plus 5 000 transcript turns) from its Meeting file as
// written: reading it, SubRip and WebVTT subtitles, plain text, and the typeset PDF.
// Goal: the PDF under 3 s, subtitles and text under 200 ms each (the reading included).
// Run in a release build:  build-bench/bench/export_bench
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>

#include "kelv/core/export/exported_meeting.h"
#include "kelv/core/export/plain_text_export.h"
#include "kelv/core/export/subtitles.h"
#include "long_class.h"
#include "printing/pdf_document.h"

namespace {

using kelv::core::ExportedMeeting;

const std::string& classFile() {
  static const std::string text = kelv::test::longClassMarkdown();
  return text;
}

void BM_Read(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ExportedMeeting::parse(classFile(), "c.md"));
}

void BM_SubRip(benchmark::State& state) {
  for (auto _ : state) {
    const auto meeting = ExportedMeeting::parse(classFile(), "c.md");
    benchmark::DoNotOptimize(kelv::core::Subtitles::srt(kelv::core::Subtitles::cues(meeting)));
  }
}

void BM_WebVtt(benchmark::State& state) {
  for (auto _ : state) {
    const auto meeting = ExportedMeeting::parse(classFile(), "c.md");
    benchmark::DoNotOptimize(kelv::core::Subtitles::webVtt(kelv::core::Subtitles::cues(meeting)));
  }
}

void BM_PlainText(benchmark::State& state) {
  for (auto _ : state) {
    const auto meeting = ExportedMeeting::parse(classFile(), "c.md");
    benchmark::DoNotOptimize(kelv::core::PlainTextExport::text(meeting));
  }
}

void BM_Pdf(benchmark::State& state) {
  QTemporaryDir folder;
  const QString file = QDir(folder.path()).filePath(QStringLiteral("clase.pdf"));
  for (auto _ : state) {
    const auto meeting = ExportedMeeting::parse(classFile(), "c.md");
    kelv::app::PdfDocument::write(meeting, file);
  }
  state.counters["bytes"] = static_cast<double>(QFileInfo(file).size());
}

BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SubRip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebVtt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdf)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
