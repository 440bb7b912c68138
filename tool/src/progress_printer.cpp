#include "progress_printer.h"

#include <unistd.h>

#include <algorithm>

namespace kelv::tool {

using Stage = core::ProcessingProgress::Stage;

namespace {

constexpr int kBarWidth = 24;

// How far the whole run is, roughly: transcription is most of the work.
double fraction(const core::ProcessingProgress& progress) {
  switch (progress.stage) {
    case Stage::transcribe: {
      const double chunks = progress.chunkCount > 0
                                ? static_cast<double>(progress.chunk - 1) / progress.chunkCount
                                : 0;
      const double track = progress.track ? static_cast<double>(*progress.track) : 0;
      return 0.8 * (track + chunks) / 3;
    }
    case Stage::merge:
      return 0.8;
    case Stage::notes:
      return 0.82;
    case Stage::meetingFile:
      return 0.92;
    case Stage::audio:
      return 0.95;
  }
  return 0;
}

}  // namespace

ProgressPrinter::ProgressPrinter(std::string prefix, std::FILE* out)
    : prefix_(std::move(prefix)), out_(out), terminal_(isatty(fileno(out)) == 1) {}

ProgressPrinter::~ProgressPrinter() { finish(); }

std::string ProgressPrinter::describe(const core::ProcessingProgress& progress) {
  std::string text = describeStage(progress);
  if (progress.waitingSeconds > 0)
    text += ", waiting for the service (" + std::to_string(progress.waitingSeconds) + " s)";
  return text;
}

std::string ProgressPrinter::describeStage(const core::ProcessingProgress& progress) {
  switch (progress.stage) {
    case Stage::transcribe: {
      std::string text = "transcribing";
      if (progress.track) text += " " + std::string(core::toString(*progress.track));
      if (progress.chunkCount > 0)
        text += ", chunk " + std::to_string(progress.chunk) + " of " +
                std::to_string(progress.chunkCount);
      return text;
    }
    case Stage::merge:
      return "merging the transcripts";
    case Stage::notes:
      return "writing the notes";
    case Stage::meetingFile:
      return "writing the Meeting file";
    case Stage::audio:
      return "finishing the audio";
  }
  return {};
}

void ProgressPrinter::show(const core::ProcessingProgress& progress) {
  const std::string text = prefix_ + describe(progress);
  if (!terminal_) {
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
    return;
  }
  const int filled = std::clamp(static_cast<int>(fraction(progress) * kBarWidth), 0, kBarWidth);
  // \033[K clears what a longer earlier line left behind.
  std::fprintf(out_, "\r[%s%s] %s\033[K", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), text.c_str());
  std::fflush(out_);
  barShown_ = true;
}

void ProgressPrinter::finish() {
  if (!barShown_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  barShown_ = false;
}

core::ProcessingOptions::ProgressObserver ProgressPrinter::observer() {
  return [this](const core::ProcessingProgress& progress) { show(progress); };
}

}  // namespace kelv::tool
