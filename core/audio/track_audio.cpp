#include "kelv/core/audio/track_audio.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>

#include "aac_writer.h"
#include "audio_decoder.h"
#include "kelv/core/audio/audio_format.h"
#include "kelv/core/audio/chunk_cutter.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core {

namespace {

bool isRaw(const std::filesystem::path& track) { return track.extension() == ".pcm"; }

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);  // read-only: nothing to lose on a failed close
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Fills `buffer` as far as the file allows; fewer bytes only at the end of the file.
size_t readFully(int fd, unsigned char* buffer, size_t size, const std::filesystem::path& path) {
  size_t total = 0;
  while (total < size) {
    const ssize_t got = ::read(fd, buffer + total, size - total);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw PlatformError::fromErrno(errno, "read", path);
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return total;
}

void forEachRawChunk(const std::filesystem::path& track, const TrackAudio::Body& body) {
  FileDescriptor file(::open(track.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) throw PlatformError::fromErrno(errno, "open", track);
  std::vector<unsigned char> bytes(TrackAudio::kRawReadBytes);
  std::vector<float> samples(TrackAudio::kRawReadBytes / 2);
  for (;;) {
    const size_t got = readFully(file.get(), bytes.data(), bytes.size(), track);
    const size_t frames = got / 2;  // a trailing half sample is not a sample
    if (frames == 0) return;
    for (size_t i = 0; i < frames; ++i) {
      const auto value =
          static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
      samples[i] = static_cast<float>(value) / 32768.0f;
    }
    body(std::span<const float>(samples.data(), frames));
    if (got < bytes.size()) return;
  }
}

void forEachDecodedChunk(const std::filesystem::path& track, const TrackAudio::Body& body) {
  AudioDecoder decoder(track);
  std::vector<float> buffer;
  buffer.reserve(TrackAudio::kBufferFrames);
  decoder.decode([&](std::span<const float> samples) {
    while (!samples.empty()) {
      const size_t take = std::min(samples.size(), TrackAudio::kBufferFrames - buffer.size());
      buffer.insert(buffer.end(), samples.begin(), samples.begin() + take);
      samples = samples.subspan(take);
      if (buffer.size() == TrackAudio::kBufferFrames) {
        body(buffer);
        buffer.clear();
      }
    }
  });
  if (!buffer.empty()) body(buffer);
}

// Writes each chunk the cutter hands out into its own AAC file.
class ChunkFiles final : public ChunkCutter::Sink {
 public:
  explicit ChunkFiles(const std::filesystem::path& folder) : folder_(folder) {}

  void write(int64_t chunk, int64_t position, std::span<const float> samples) override {
    if (!writer_) {
      const auto path = folder_ / ("chunk-" + std::to_string(chunk) + ".m4a");
      chunks_.push_back(AudioChunk{path, static_cast<double>(position) / AudioFormat::kSampleRate});
      writer_ = std::make_unique<AacWriter>(path);
    }
    writer_->write(samples);
  }

  void close(int64_t) override {
    auto writer = std::move(writer_);
    writer->finish();
  }

  std::vector<AudioChunk> take() { return std::move(chunks_); }

 private:
  std::filesystem::path folder_;
  std::vector<AudioChunk> chunks_;
  std::unique_ptr<AacWriter> writer_;
};

}  // namespace

void TrackAudio::forEachChunk(const std::filesystem::path& track, const Body& body) {
  if (isRaw(track))
    forEachRawChunk(track, body);
  else
    forEachDecodedChunk(track, body);
}

std::vector<float> TrackAudio::samples(const std::filesystem::path& track) {
  std::vector<float> all;
  forEachChunk(track, [&](std::span<const float> buffer) {
    all.insert(all.end(), buffer.begin(), buffer.end());
  });
  return all;
}

double TrackAudio::duration(const std::filesystem::path& track) noexcept {
  try {
    if (isRaw(track)) {
      std::error_code error;
      const auto size = std::filesystem::file_size(track, error);
      if (error) return 0;
      return static_cast<double>(size / 2) / AudioFormat::kSampleRate;
    }
    AudioDecoder decoder(track);
    if (auto declared = decoder.declaredDuration()) return *declared;
    // Nothing declared (some raw streams): count the samples instead.
    int64_t frames = 0;
    decoder.decode([&](std::span<const float> samples) { frames += samples.size(); });
    return static_cast<double>(frames) / AudioFormat::kSampleRate;
  } catch (...) {
    return 0;
  }
}

void TrackAudio::compress(const std::filesystem::path& source,
                          const std::filesystem::path& destination) {
  std::error_code ignored;
  // Clearing the destination first would otherwise delete the only copy of the audio.
  if (std::filesystem::equivalent(source, destination, ignored))
    throw PlatformError::fromErrno(EINVAL, "compress the audio file", source);
  std::filesystem::remove(destination, ignored);
  AacWriter writer(destination);
  forEachChunk(source, [&](std::span<const float> buffer) { writer.write(buffer); });
  writer.finish();
}

std::vector<AudioChunk> TrackAudio::compressedChunks(const std::filesystem::path& track,
                                                     double maxSeconds,
                                                     const std::filesystem::path& folder) {
  const int64_t maxFrames = ChunkCutter::maxFramesFor(maxSeconds);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw PlatformError::fromErrno(error.value(), "create the folder", folder);
  ChunkFiles files(folder);
  ChunkCutter cutter(maxFrames, files);
  forEachChunk(track, [&](std::span<const float> buffer) { cutter.append(buffer); });
  cutter.finish();
  return files.take();
}

int64_t TrackAudio::quietestCut(std::span<const float> samples, int64_t from, int64_t to) {
  constexpr int64_t kWindow = 160;  // 10 ms
  const int64_t end = std::min(to, static_cast<int64_t>(samples.size()));
  float best = std::numeric_limits<float>::infinity();
  int64_t result = to;
  for (int64_t start = std::max<int64_t>(from, 0); start + kWindow <= end; start += kWindow) {
    float energy = 0;
    for (int64_t i = start; i < start + kWindow; ++i) energy += samples[i] * samples[i];
    if (energy < best) {
      best = energy;
      result = start + kWindow / 2;
    }
  }
  return std::max<int64_t>(result, 1);
}

}  // namespace kelv::core
