#include "kelv/core/recording/recorder.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <system_error>

#include "kelv/core/audio/audio_format.h"
#include "kelv/core/recording/recorder_error.h"
#include "kelv/core/util/byte_count.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {

static_assert(std::endian::native == std::endian::little,
              "track files are little-endian; samples are written as they lie in memory");

RecorderError RecorderError::notEnoughDisk(int64_t freeBytes) {
  return RecorderError(
      Kind::notEnoughDisk, freeBytes,
      "Not enough disk space to record (" + formatByteCount(freeBytes) + " free, 1 GB needed).");
}

namespace {

std::string describe(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unknown error.";
  }
}

}  // namespace

int64_t Recorder::freeSpace(const std::filesystem::path& path) { return volumeFreeSpace(path); }

Recorder::Recorder(MeetingFolder folder, std::shared_ptr<CaptureSource> source, Options options)
    : folder_(std::move(folder)), source_(std::move(source)), options_(std::move(options)) {
  if (!options_.clock) options_.clock = systemUptime;
  if (!options_.freeSpace) options_.freeSpace = &Recorder::freeSpace;
  if (!options_.onEvent) options_.onEvent = [](const RecorderEvent&) {};
}

Recorder::~Recorder() {
  // Deliveries hold the recorder weakly and are dropped from now on; stop the source so its
  // threads end with it. The lock and files go with the object.
  if (!finished_ && source_) {
    try {
      source_->stop();
    } catch (...) {
    }
  }
  if (timer_) timer_->cancel();
  closeFiles();
}

std::shared_ptr<Recorder> Recorder::start(const MeetingStore& store,
                                          std::shared_ptr<CaptureSource> source, Options options) {
  createPrivateDirectories(store.root());
  const auto probe = options.freeSpace ? options.freeSpace : FreeSpace(&Recorder::freeSpace);
  const int64_t available = probe(store.root());
  if (available < startMinimum) throw RecorderError::notEnoughDisk(available);

  const MeetingFolder folder = store.create(std::chrono::system_clock::now(), options.language);
  std::shared_ptr<Recorder> recorder;
  try {
    recorder.reset(new Recorder(folder, std::move(source), std::move(options)));
    recorder->create();
    recorder->begin();
  } catch (...) {
    recorder.reset();  // releases the lock and files before the folder goes
    std::error_code ignored;
    std::filesystem::remove_all(folder.path(), ignored);
    throw;
  }
  return recorder;
}

void Recorder::create() {
  lock_.emplace(folder_.lock());
  for (Track track : {Track::mic, Track::system}) {
    Writer writer;
    writer.path = track == Track::mic ? folder_.micTrackPath() : folder_.systemTrackPath();
    if (const auto error = FileSystem::orPosix(options_.fileSystem)
                               .open(writer.path, FileSystem::Creation::replace, 0600, writer.file))
      throw PlatformError::fromErrno(error.value(), "create the track file", writer.path);
    // About one flush interval of audio, so steady recording never reallocates.
    writer.pending.reserve(
        static_cast<size_t>(AudioFormat::kSampleRate * (options_.flushInterval + 1)));
    writers_.emplace(track, std::move(writer));
  }
}

void Recorder::begin() {
  startTime_ = options_.clock();
  std::weak_ptr<Recorder> weak = weak_from_this();
  timer_ = queue_.scheduleTimer(std::chrono::duration<double>(options_.flushInterval),
                                std::chrono::duration<double>(options_.flushInterval), [weak] {
                                  if (auto recorder = weak.lock()) recorder->flush();
                                });
  try {
    source_->start([weak](CapturedAudio audio) {
      auto recorder = weak.lock();
      if (!recorder) return;
      recorder->queue_.async([weak, audio = std::move(audio)]() mutable {
        if (auto recorder = weak.lock()) recorder->append(std::move(audio));
      });
    });
  } catch (...) {
    try {
      source_->stop();
    } catch (...) {
    }
    queue_.sync([this] {
      finished_ = true;
      timer_->cancel();
      closeFiles();
      lock_.reset();
    });
    throw;
  }
}

void Recorder::append(CapturedAudio audio) {
  if (finished_) return;
  auto found = writers_.find(audio.track);
  if (found == writers_.end()) return;
  Writer& writer = found->second;

  const auto& samples = audio.samples;
  const int64_t expected = static_cast<int64_t>(
      std::llround((audio.captureTime - startTime_) * AudioFormat::kSampleRate));
  const int64_t end = writer.written + static_cast<int64_t>(writer.pending.size());
  if (expected - end > kTolerance) {
    writer.pending.insert(writer.pending.end(), static_cast<size_t>(expected - end), 0);
    writer.pending.insert(writer.pending.end(), samples.begin(), samples.end());
  } else if (end - expected > kTolerance) {
    const size_t skip = std::min(static_cast<size_t>(end - expected), samples.size());
    writer.pending.insert(writer.pending.end(), samples.begin() + static_cast<ptrdiff_t>(skip),
                          samples.end());
  } else {
    writer.pending.insert(writer.pending.end(), samples.begin(), samples.end());
  }

  float level = 0;
  if (!samples.empty()) {
    float sumOfSquares = 0;
    for (int16_t sample : samples) sumOfSquares += static_cast<float>(sample) * sample;
    const float rms = std::sqrt(sumOfSquares / static_cast<float>(samples.size()));
    level = std::min(rms * (1.0f / 32768.0f) * kMeterGain, 1.0f);
  }
  std::lock_guard lock(levelsMutex_);
  trackLevels_[audio.track] = level;
}

void Recorder::writePending() {
  for (auto& [track, writer] : writers_) {
    if (writer.pending.empty() || !writer.file) continue;
    const std::string_view bytes(reinterpret_cast<const char*>(writer.pending.data()),
                                 writer.pending.size() * sizeof(int16_t));
    // A write cut short is resumed where it stopped: the file is appended to, and the samples
    // that reached it must not be written twice by the retry at the end of the recording.
    size_t written = 0;
    const auto error = writer.file->append(bytes.substr(writer.pendingBytesWritten), written);
    writer.pendingBytesWritten += written;
    if (error) throw PlatformError::fromErrno(error.value(), "write", writer.path);
    // In the file now, whether or not the sync succeeds: a retry has nothing to add.
    writer.written += static_cast<int64_t>(writer.pending.size());
    writer.pending.clear();
    writer.pendingBytesWritten = 0;
    if (const auto error = writer.file->sync())
      throw PlatformError::fromErrno(error.value(), "write", writer.path);
  }
}

void Recorder::flush() {
  if (finished_) return;
  const int64_t available = options_.freeSpace(folder_.path());
  try {
    writePending();
  } catch (const std::exception& error) {
    finish();
    options_.onEvent(
        RecorderEvent::stopped(folder_, std::string("Recording stopped: ") + error.what()));
    return;
  }
  if (available < stopBelow) {
    if (auto failure = finish())
      options_.onEvent(RecorderEvent::stopped(folder_, "Recording stopped: " + describe(failure)));
    else
      options_.onEvent(
          RecorderEvent::stopped(folder_, "Recording stopped: the disk is almost full."));
  } else if (available < warnBelow && !warned_) {
    warned_ = true;
    options_.onEvent(RecorderEvent::lowDisk(available));
  }
}

std::exception_ptr Recorder::finish() {
  if (finished_) return nullptr;
  finished_ = true;
  if (timer_) timer_->cancel();
  std::exception_ptr failure;
  try {
    writePending();
    folder_.writingThrough(options_.fileSystem).updateStatus([](MeetingStatus& status) {
      status.state = MeetingStatus::State::processing;
      status.endedAt = std::chrono::system_clock::now();
    });
  } catch (...) {
    failure = std::current_exception();
  }
  closeFiles();
  lock_.reset();
  return failure;
}

void Recorder::closeFiles() {
  for (auto& [track, writer] : writers_) writer.file.reset();
}

MeetingFolder Recorder::stop() {
  source_->stop();
  std::exception_ptr failure;
  queue_.sync([&] { failure = finish(); });
  if (failure) std::rethrow_exception(failure);
  return folder_;
}

std::map<Track, float> Recorder::levels() const {
  std::lock_guard lock(levelsMutex_);
  return trackLevels_;
}

}  // namespace kelv::core
