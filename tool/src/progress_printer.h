// Shows how a processing run advances on standard error: one line per step, track and chunk,
// or, when standard error is a terminal, one progress bar redrawn in place. Used on the run's
// thread only.
#pragma once

#include <cstdio>
#include <string>

#include "kelv/core/processing/processing_options.h"

namespace kelv::tool {

class ProgressPrinter {
 public:
  // `prefix` starts every line (for example the meeting's id when several are processed).
  explicit ProgressPrinter(std::string prefix = {}, std::FILE* out = stderr);
  ~ProgressPrinter();

  void setPrefix(std::string prefix) { prefix_ = std::move(prefix); }
  void show(const core::ProcessingProgress& progress);
  // Ends a bar line so that what follows starts on a line of its own.
  void finish();

  // "transcribing mic, chunk 2 of 5", "writing the notes", ..., followed by ", waiting for
  // the service (40 s)" while a request waits for its reply.
  static std::string describe(const core::ProcessingProgress& progress);

  core::ProcessingOptions::ProgressObserver observer();

 private:
  static std::string describeStage(const core::ProcessingProgress& progress);

  std::string prefix_;
  std::FILE* out_;
  bool terminal_;
  bool barShown_ = false;
};

}  // namespace kelv::tool
