// Lays captured audio into the raw track files of a new meeting folder.
//
// A recorder owns its folder for the whole recording: it creates it (status `recording`),
// holds its lock, places every delivered buffer at the position its capture time dictates
// (padding gaps with silence, trimming overlaps), writes the pending samples every flush
// interval with one append and one fsync per track, watches the free disk space, and on the
// end of the recording writes the rest and moves the status to `processing`.
//
// Threading: every mutation runs on the recorder's serial queue "kelvora.recorder". The
// capture source's deliveries and the flush timer hold the recorder weakly, so dropping the
// last owner ends them. `stop` blocks until the final write and status update are done.
// `levels` may be read from any thread. Events are sent on the recorder's queue.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/library/meeting_lock.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/recording/capture_source.h"
#include "kelv/core/recording/recorder_event.h"
#include "kelv/core/util/file_system.h"
#include "kelv/core/util/serial_queue.h"

namespace kelv::core {

class Recorder : public std::enable_shared_from_this<Recorder> {
 public:
  static constexpr int64_t startMinimum = 1'000'000'000;
  static constexpr int64_t warnBelow = 500'000'000;
  static constexpr int64_t stopBelow = 200'000'000;
  static constexpr int64_t kTolerance = 1600;  // 0.1 s of jitter is never corrected
  static constexpr float kMeterGain = 25;

  using Clock = std::function<double()>;
  using FreeSpace = std::function<int64_t(const std::filesystem::path&)>;
  using EventHandler = std::function<void(const RecorderEvent&)>;

  struct Options {
    std::optional<std::string> language;
    double flushInterval = 2.0;
    Clock clock;          // default: system uptime
    FreeSpace freeSpace;  // default: Recorder::freeSpace
    EventHandler onEvent;
    // What the tracks and the final status are written through; empty: the POSIX one.
    std::shared_ptr<FileSystem> fileSystem;
  };

  // Creates the folder, takes its lock, opens both tracks and starts the source. Throws
  // RecorderError (not enough disk), MeetingError, PlatformError or the source's error; a
  // failure after the folder exists removes the folder again.
  static std::shared_ptr<Recorder> start(const MeetingStore& store,
                                         std::shared_ptr<CaptureSource> source, Options options);

  // Stops the source, writes everything delivered so far and moves the status to
  // `processing`. Returns the folder; throws the error of the last write or status update
  // (files are closed and the lock released all the same).
  MeetingFolder stop();

  // The last level per track, 0…1, for meters.
  std::map<Track, float> levels() const;
  const MeetingFolder& folder() const { return folder_; }

  // Bytes available on the volume of `path`; the largest value when it can't be told.
  static int64_t freeSpace(const std::filesystem::path& path);

  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

 private:
  struct Writer {
    std::filesystem::path path;
    std::unique_ptr<WritableFile> file;
    int64_t written = 0;  // samples in the file
    std::vector<int16_t> pending;
    size_t pendingBytesWritten = 0;  // of `pending`, by a write that was cut short
  };

  Recorder(MeetingFolder folder, std::shared_ptr<CaptureSource> source, Options options);

  void create();
  void begin();
  void append(CapturedAudio audio);
  void flush();
  void writePending();
  // Returns the error of a failed last write or status update.
  std::exception_ptr finish();
  void closeFiles();

  MeetingFolder folder_;
  std::shared_ptr<CaptureSource> source_;
  Options options_;
  SerialQueue queue_{"kelvora.recorder"};
  std::shared_ptr<SerialQueue::Timer> timer_;
  double startTime_ = 0;
  std::map<Track, Writer> writers_;
  std::optional<MeetingLock> lock_;
  mutable std::mutex levelsMutex_;
  std::map<Track, float> trackLevels_;
  bool warned_ = false;
  bool finished_ = false;
};

}  // namespace kelv::core
