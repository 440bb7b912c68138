#include "audio_decoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/audio/audio_format.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/util/platform_error.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kelv::core {

namespace {
constexpr int kRate = AudioFormat::kSampleRate;

// A stream that declares its length but delivers clearly less was cut short. The margin
// allows for codec delay and for lengths rounded in headers.
bool endsEarly(double declared, double decoded) {
  return declared - decoded > std::max(1.0, declared * 0.005);
}
}  // namespace

AudioDecoder::AudioDecoder(const std::filesystem::path& path) : path_(path) {
  // FFmpeg reports "not a media file" with errno-like codes too (EINVAL), so whether the file
  // can be opened at all is asked of the system first.
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw PlatformError::fromErrno(errno, "open", path_);
  ::close(fd);
  ffmpeg::AudioInput input = ffmpeg::openAudioInput(path_);
  format_ = input.format;
  streamIndex_ = input.streamIndex;
  codec_ = std::move(input.codec);
}

AudioDecoder::~AudioDecoder() {
  av_channel_layout_uninit(&inLayout_);
  avformat_close_input(&format_);
}

void AudioDecoder::unreadable() const {
  throw AudioError::unreadableAudio(path_.filename().string());
}

std::optional<double> AudioDecoder::declaredDuration() const {
  const AVStream* stream = format_->streams[streamIndex_];
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
    return static_cast<double>(stream->duration) * av_q2d(stream->time_base);
  if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
    return static_cast<double>(format_->duration) / AV_TIME_BASE;
  return std::nullopt;
}

void AudioDecoder::decode(const Sink& sink) {
  ffmpeg::PacketPtr packet(av_packet_alloc());
  ffmpeg::FramePtr frame(av_frame_alloc());
  if (!packet || !frame) ffmpeg::throwPlatform(AVERROR(ENOMEM), "read", path_);

  auto receiveAll = [&] {
    for (;;) {
      int ret = avcodec_receive_frame(codec_.get(), frame.get());
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
      if (ret < 0) unreadable();
      convert(frame.get(), sink);
      av_frame_unref(frame.get());
    }
  };

  for (;;) {
    int ret = av_read_frame(format_, packet.get());
    if (ret == AVERROR_EOF) break;
    if (ret < 0) {
      // End of data inside a packet is a truncated file, not a failing disk.
      if (ret == AVERROR(EIO) && !avio_feof(format_->pb)) ffmpeg::throwPlatform(ret, "read", path_);
      unreadable();
    }
    if (packet->stream_index != streamIndex_) {
      av_packet_unref(packet.get());
      continue;
    }
    // Demuxers flag a packet cut off by the end of the file as corrupt.
    if (packet->flags & AV_PKT_FLAG_CORRUPT) unreadable();
    ret = avcodec_send_packet(codec_.get(), packet.get());
    av_packet_unref(packet.get());
    if (ret < 0) unreadable();
    receiveAll();
  }
  if (avcodec_send_packet(codec_.get(), nullptr) < 0) unreadable();
  receiveAll();
  flushResampler(sink);

  const AVStream* stream = format_->streams[streamIndex_];
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0 &&
      format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE &&
      endsEarly(static_cast<double>(stream->duration) * av_q2d(stream->time_base),
                static_cast<double>(produced_) / kRate))
    unreadable();
}

void AudioDecoder::convert(const AVFrame* frame, const Sink& sink) {
  if (frame->nb_samples <= 0) return;
  AVChannelLayout layout{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0) {
    const int channels = frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels
                                                          : codec_->ch_layout.nb_channels;
    av_channel_layout_default(&layout, channels);
  } else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0) {
    ffmpeg::throwPlatform(AVERROR(ENOMEM), "read", path_);
  }
  if (layout.nb_channels <= 0 || frame->sample_rate <= 0) {
    av_channel_layout_uninit(&layout);
    unreadable();
  }

  // A stream may change its format midway; the resampler follows it.
  if (!resampler_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
      av_channel_layout_compare(&layout, &inLayout_) != 0) {
    flushResampler(sink);
    SwrContext* swr = nullptr;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    int ret = swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, kRate, &layout,
                                  static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                  nullptr);
    resampler_.reset(swr);
    if (ret >= 0) {
      // Mix channels down to their average so that loud stereo stays within ±1.
      av_opt_set_double(swr, "rematrix_maxval", 1.0, 0);
      ret = swr_init(swr);
    }
    av_channel_layout_uninit(&inLayout_);
    inLayout_ = layout;
    inFormat_ = frame->format;
    inRate_ = frame->sample_rate;
    if (ret < 0) {
      resampler_.reset();
      unreadable();
    }
  } else {
    av_channel_layout_uninit(&layout);
  }

  const int capacity = swr_get_out_samples(resampler_.get(), frame->nb_samples);
  if (capacity < 0) unreadable();
  converted_.resize(static_cast<size_t>(capacity));
  uint8_t* out = reinterpret_cast<uint8_t*>(converted_.data());
  const int got = swr_convert(resampler_.get(), &out, capacity,
                              const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (got < 0) unreadable();
  if (got > 0) emit(got, sink);
}

void AudioDecoder::emit(int count, const Sink& sink) {
  produced_ += count;
  sink(std::span<const float>(converted_.data(), static_cast<size_t>(count)));
}

void AudioDecoder::flushResampler(const Sink& sink) {
  if (!resampler_) return;
  for (;;) {
    const int capacity = std::max(swr_get_out_samples(resampler_.get(), 0), 0) + 256;
    converted_.resize(static_cast<size_t>(capacity));
    uint8_t* out = reinterpret_cast<uint8_t*>(converted_.data());
    const int got = swr_convert(resampler_.get(), &out, capacity, nullptr, 0);
    if (got < 0) unreadable();
    if (got == 0) break;
    emit(got, sink);
  }
  resampler_.reset();
}

}  // namespace kelv::core
