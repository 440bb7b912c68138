#include "track_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/audio/audio_format.h"
#include "kelv/core/util/platform_error.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kelv::core {

namespace {
constexpr int kRate = AudioFormat::kSampleRate;
// A seek starts decoding this much before its target, so the codec's overlap is primed by the
// time the target is heard.
constexpr int64_t kPreroll = kRate / 10;
}  // namespace

TrackReader::TrackReader(const std::filesystem::path& path) : path_(path) {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw PlatformError::fromErrno(errno, "open", path_);
  if (path_.extension() == ".pcm") {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
      const int code = errno;
      ::close(fd);
      throw PlatformError::fromErrno(code, "read", path_);
    }
    rawFd_ = fd;
    frames_ = static_cast<int64_t>(info.st_size) / 2;
    return;
  }
  const off_t fileSize = ::lseek(fd, 0, SEEK_END);
  ::close(fd);

  ffmpeg::AudioInput input = ffmpeg::openAudioInput(path_);
  format_ = input.format;
  streamIndex_ = input.streamIndex;
  codec_ = std::move(input.codec);
  try {
    AVStream* stream = format_->streams[streamIndex_];
    // A container whose index points past the end of the file lost its tail.
    const int entries = avformat_index_get_entries_count(stream);
    if (entries > 0 && fileSize > 0) {
      const AVIndexEntry* last = avformat_index_get_entry(stream, entries - 1);
      if (last && last->pos + last->size > fileSize) unreadable();
    }

    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
      frames_ = av_rescale_q(stream->duration, stream->time_base, AVRational{1, kRate});
    else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
      frames_ = av_rescale(format_->duration, kRate, AV_TIME_BASE);

    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_) ffmpeg::throwPlatform(AVERROR(ENOMEM), "read", path_);
  } catch (...) {
    avformat_close_input(&format_);
    throw;
  }
}

TrackReader::~TrackReader() {
  if (rawFd_ >= 0) ::close(rawFd_);  // read-only: nothing to lose on a failed close
  avformat_close_input(&format_);
}

void TrackReader::unreadable() const {
  throw AudioError::unreadableAudio(path_.filename().string());
}

void TrackReader::seek(int64_t frame) {
  frame = std::max<int64_t>(frame, 0);
  if (rawFd_ >= 0) {
    rawFrame_ = frame;
    return;
  }
  pending_.clear();
  pendingStart_ = 0;
  pendingFrame_ = frame;
  target_ = frame;
  inputEnded_ = false;
  ended_ = false;
  resampler_.reset();
  AVStream* stream = format_->streams[streamIndex_];
  const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
  // Near the start this reaches before the first sample, back to the encoder's priming
  // packets, which the first heard samples need as much as any others.
  const int64_t at =
      start + av_rescale_q(frame - kPreroll, AVRational{1, kRate}, stream->time_base);
  if (av_seek_frame(format_, streamIndex_, at, AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(format_, streamIndex_, INT64_MIN, at, at, 0) < 0)
    unreadable();
  avcodec_flush_buffers(codec_.get());
  placeByTimestamp_ = true;
}

size_t TrackReader::read(std::span<float> out) {
  if (rawFd_ >= 0) return readRaw(out);
  size_t filled = 0;
  while (filled < out.size()) {
    if (pendingStart_ < pending_.size()) {
      // Samples before the target were decoded to prime the codec, not to be heard.
      if (pendingFrame_ < target_) {
        const auto drop = static_cast<size_t>(
            std::min<int64_t>(target_ - pendingFrame_, pending_.size() - pendingStart_));
        pendingStart_ += drop;
        pendingFrame_ += static_cast<int64_t>(drop);
        continue;
      }
      const size_t take = std::min(out.size() - filled, pending_.size() - pendingStart_);
      std::copy_n(pending_.begin() + static_cast<ptrdiff_t>(pendingStart_), take,
                  out.begin() + static_cast<ptrdiff_t>(filled));
      pendingStart_ += take;
      pendingFrame_ += static_cast<int64_t>(take);
      filled += take;
      continue;
    }
    pending_.clear();
    pendingStart_ = 0;
    if (!decodeMore()) break;
  }
  return filled;
}

size_t TrackReader::readRaw(std::span<float> out) {
  std::vector<int16_t> buffer(out.size());
  size_t total = 0;
  while (total < out.size()) {
    const ssize_t got =
        ::pread(rawFd_, reinterpret_cast<char*>(buffer.data()) + total * 2,
                (out.size() - total) * 2, static_cast<off_t>((rawFrame_ + total) * 2));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw PlatformError::fromErrno(errno, "read", path_);
    }
    if (got < 2) break;
    total += static_cast<size_t>(got) / 2;
  }
  for (size_t i = 0; i < total; ++i) out[i] = static_cast<float>(buffer[i]) / 32768.0f;
  rawFrame_ += static_cast<int64_t>(total);
  return total;
}

bool TrackReader::decodeMore() {
  while (!ended_) {
    const int ret = avcodec_receive_frame(codec_.get(), frame_.get());
    if (ret == 0) {
      convert(frame_.get());
      av_frame_unref(frame_.get());
      if (!pending_.empty()) return true;
      continue;
    }
    if (ret == AVERROR_EOF) {
      flushResampler();
      ended_ = true;
      return !pending_.empty();
    }
    if (ret != AVERROR(EAGAIN)) unreadable();
    if (inputEnded_) {
      ended_ = true;
      return false;
    }
    const int got = av_read_frame(format_, packet_.get());
    if (got == AVERROR_EOF) {
      inputEnded_ = true;
      if (avcodec_send_packet(codec_.get(), nullptr) < 0) unreadable();
      continue;
    }
    if (got < 0) {
      if (got == AVERROR(EIO) && !avio_feof(format_->pb)) ffmpeg::throwPlatform(got, "read", path_);
      unreadable();
    }
    if (packet_->stream_index != streamIndex_) {
      av_packet_unref(packet_.get());
      continue;
    }
    if (packet_->flags & AV_PKT_FLAG_CORRUPT) unreadable();
    const int sent = avcodec_send_packet(codec_.get(), packet_.get());
    av_packet_unref(packet_.get());
    if (sent < 0 && sent != AVERROR_INVALIDDATA) unreadable();
  }
  return false;
}

void TrackReader::convert(const AVFrame* frame) {
  if (frame->nb_samples <= 0 || frame->sample_rate <= 0) return;
  if (placeByTimestamp_) {
    placeByTimestamp_ = false;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
      const AVStream* stream = format_->streams[streamIndex_];
      const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
      pendingFrame_ = av_rescale_q(frame->best_effort_timestamp - start, stream->time_base,
                                   AVRational{1, kRate});
    }
  }
  const int channels = frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels
                                                        : codec_->ch_layout.nb_channels;
  if (channels <= 0) unreadable();
  if (!resampler_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
      channels != inChannels_) {
    flushResampler();
    AVChannelLayout layout{};
    if (frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC && frame->ch_layout.nb_channels > 0)
      av_channel_layout_copy(&layout, &frame->ch_layout);
    else
      av_channel_layout_default(&layout, channels);
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, kRate, &layout,
                                  static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                  nullptr);
    av_channel_layout_uninit(&layout);
    resampler_.reset(swr);
    if (ret >= 0) {
      av_opt_set_double(swr, "rematrix_maxval", 1.0, 0);
      ret = swr_init(swr);
    }
    if (ret < 0) {
      resampler_.reset();
      unreadable();
    }
    inFormat_ = frame->format;
    inRate_ = frame->sample_rate;
    inChannels_ = channels;
  }
  const int capacity = swr_get_out_samples(resampler_.get(), frame->nb_samples);
  if (capacity < 0) unreadable();
  converted_.resize(static_cast<size_t>(capacity));
  uint8_t* out = reinterpret_cast<uint8_t*>(converted_.data());
  const int got = swr_convert(resampler_.get(), &out, capacity,
                              const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (got < 0) unreadable();
  append(converted_.data(), got);
}

void TrackReader::flushResampler() {
  if (!resampler_) return;
  for (;;) {
    const int capacity = std::max(swr_get_out_samples(resampler_.get(), 0), 0) + 256;
    converted_.resize(static_cast<size_t>(capacity));
    uint8_t* out = reinterpret_cast<uint8_t*>(converted_.data());
    const int got = swr_convert(resampler_.get(), &out, capacity, nullptr, 0);
    if (got <= 0) break;
    append(converted_.data(), got);
  }
  resampler_.reset();
}

void TrackReader::append(const float* samples, int count) {
  if (count > 0) pending_.insert(pending_.end(), samples, samples + count);
}

}  // namespace kelv::core
