// kelv record: records a meeting into the meeting store until a duration passes or a signal
// arrives, then finishes it (status `processing`) and prints the folder's id.
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "command.h"
#include "environment_stores.h"
#include "kelv/capture/live_capture.h"
#include "kelv/capture/tone_source.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/util/byte_count.h"
#include "kelv/core/util/environment.h"
#include "kelv/core/util/system_info.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

std::shared_ptr<CaptureSource> makeCaptureSource(const Environment& environment) {
  if (environment.fakeCapture) return std::make_shared<capture::ToneSource>();
  // Problems after the start (a device lost and not yet replaced) don't end the recording.
  return std::make_shared<capture::LiveCapture>(
      [](const std::string& problem) { std::cerr << problem << std::endl; });
}

int record(const std::vector<std::string>& arguments, const core::Environment& environment) {
  std::optional<double> duration;
  std::optional<std::string> language;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if ((argument == "--duration" || argument == "--language") && i + 1 >= arguments.size())
      return usageError("record", argument + " needs a value");
    if (argument == "--duration") {
      char* end = nullptr;
      const std::string& text = arguments[++i];
      const double seconds = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0)
        return usageError("record", "the duration must be a positive number of seconds");
      duration = seconds;
    } else if (argument == "--language") {
      language = arguments[++i];
    } else {
      return usageError("record", "unknown argument \"" + argument + "\"");
    }
  }

  // Signals are taken synchronously below, so block them before any thread starts.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  std::atomic<bool> stoppedByRecorder{false};
  std::shared_ptr<Recorder> recorder;
  try {
    Recorder::Options options;
    options.language = language;
    options.onEvent = [&](const RecorderEvent& event) {
      if (event.kind == RecorderEvent::Kind::lowDisk) {
        std::cerr << "Low disk space: " << formatByteCount(event.freeBytes) << " free.\n";
      } else {
        std::cerr << event.reason << "\n";
        stoppedByRecorder = true;
      }
    };
    recorder = Recorder::start(meetingStore(environment), makeCaptureSource(environment),
                               std::move(options));
  } catch (const std::exception& error) {
    std::cerr << "kelv record: " << error.what() << "\n";
    return core::ExitStatus::failure;
  }

  const double start = core::systemUptime();
  for (;;) {
    if (stoppedByRecorder) break;
    const double elapsed = core::systemUptime() - start;
    if (duration && elapsed >= *duration) break;
    double wait = 0.1;
    if (duration) wait = std::min(wait, *duration - elapsed);
    const timespec timeout{0, static_cast<long>(wait * 1e9)};
    if (sigtimedwait(&signals, nullptr, &timeout) > 0) break;
  }

  // A recording the recorder had to end itself (a full disk, a failed write) is a failure,
  // even though its folder is reported and kept for repair.
  int status = stoppedByRecorder ? core::ExitStatus::failure : core::ExitStatus::success;
  try {
    const MeetingFolder folder = recorder->stop();
    std::cout << folder.id() << std::endl;
  } catch (const std::exception& error) {
    // A recording the recorder already ended by itself reports its folder all the same.
    std::cerr << "kelv record: " << error.what() << "\n";
    status = core::ExitStatus::failure;
  }
  return status;
}

const CommandRegistration registration{Command{
    "record", "record a meeting from the microphone and system audio",
    "usage: kelv record [--duration SECONDS] [--language CODE]\n"
    "\n"
    "Records a new meeting into the meeting store (KELV_MEETINGS_DIR, else\n"
    "~/.local/share/Kelvora/Meetings) until the duration has passed or SIGINT/SIGTERM\n"
    "arrives, then finishes it so it is ready for processing and prints the meeting's id.\n"
    "With KELV_FAKE_CAPTURE=1 it records test tones (440 Hz as You, 660 Hz as Them).\n"
    "\n"
    "  --duration SECONDS  stop after this many seconds\n"
    "  --language CODE     the language spoken in the meeting, such as \"es\"\n"
    "\n"
    "Exit status: 0 recorded, 1 the recording couldn't start or had to stop by itself (the disk\n"
    "is full or a write failed; the message is on standard error), 2 usage error.\n",
    record}};

}  // namespace
}  // namespace kelv::tool
