#include "aac_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kelv/core/audio/audio_format.h"
#include "kelv/core/audio/track_audio.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace kelv::core {

namespace {
constexpr int kBitRate = 32000;
constexpr int kRate = AudioFormat::kSampleRate;
}  // namespace

AacWriter::AacWriter(const std::filesystem::path& path) : path_(path) {
  ffmpeg::quietLogging();
  // "ipod" is FFmpeg's muxer for .m4a: MPEG-4 audio with the M4A brand.
  int ret = avformat_alloc_output_context2(&format_, nullptr, "ipod", nullptr);
  if (ret < 0) ffmpeg::throwPlatform(ret, "create", path_);
  try {
    const AVCodec* encoder = avcodec_find_encoder_by_name("aac");
    if (!encoder) ffmpeg::throwPlatform(AVERROR_ENCODER_NOT_FOUND, "create", path_);
    codec_.reset(avcodec_alloc_context3(encoder));
    if (!codec_) ffmpeg::throwPlatform(AVERROR(ENOMEM), "create", path_);
    codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec_->sample_rate = kRate;
    codec_->bit_rate = kBitRate;
    codec_->profile = FF_PROFILE_AAC_LOW;
    codec_->time_base = AVRational{1, kRate};
    av_channel_layout_default(&codec_->ch_layout, 1);
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((ret = avcodec_open2(codec_.get(), encoder, nullptr)) < 0)
      ffmpeg::throwPlatform(ret, "create", path_);

    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) ffmpeg::throwPlatform(AVERROR(ENOMEM), "create", path_);
    stream_->time_base = AVRational{1, kRate};
    if ((ret = avcodec_parameters_from_context(stream_->codecpar, codec_.get())) < 0)
      ffmpeg::throwPlatform(ret, "create", path_);

    // Audio is as private as the rest of a meeting folder: FFmpeg would create the file with
    // the umask's mode, so it is made 0600 here and FFmpeg only truncates it.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
      const int code = errno;
      if (fd >= 0) ::close(fd);
      ffmpeg::throwPlatform(AVERROR(code), "create", path_);
    }
    ::close(fd);
    if ((ret = avio_open(&format_->pb, path_.c_str(), AVIO_FLAG_WRITE)) < 0)
      ffmpeg::throwPlatform(ret, "create", path_);
    if ((ret = avformat_write_header(format_, nullptr)) < 0)
      ffmpeg::throwPlatform(ret, "write", path_);

    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!frame_ || !packet_) ffmpeg::throwPlatform(AVERROR(ENOMEM), "create", path_);
    queued_.reserve(codec_->frame_size);
  } catch (...) {
    close();
    throw;
  }
}

AacWriter::~AacWriter() {
  if (!finished_) {
    try {
      finish();
    } catch (...) {
      // Released without finish(): the caller is already handling another failure.
    }
  }
  close();
}

void AacWriter::write(std::span<const float> samples) {
  const size_t frameSize = static_cast<size_t>(codec_->frame_size);
  while (!samples.empty()) {
    if (queued_.empty() && samples.size() >= frameSize) {
      encode(samples.data(), static_cast<int>(frameSize));
      samples = samples.subspan(frameSize);
      continue;
    }
    const size_t take = std::min(frameSize - queued_.size(), samples.size());
    queued_.insert(queued_.end(), samples.begin(), samples.begin() + take);
    samples = samples.subspan(take);
    if (queued_.size() == frameSize) {
      encode(queued_.data(), static_cast<int>(frameSize));
      queued_.clear();
    }
  }
}

void AacWriter::encode(const float* samples, int count) {
  frame_->nb_samples = count;
  frame_->format = codec_->sample_fmt;
  frame_->sample_rate = kRate;
  int ret = av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout);
  if (ret >= 0) ret = av_frame_get_buffer(frame_.get(), 0);
  if (ret < 0) ffmpeg::throwPlatform(ret, "write", path_);
  std::memcpy(frame_->data[0], samples, sizeof(float) * static_cast<size_t>(count));
  frame_->pts = nextPts_;
  nextPts_ += count;
  ret = avcodec_send_frame(codec_.get(), frame_.get());
  av_frame_unref(frame_.get());
  if (ret < 0) ffmpeg::throwPlatform(ret, "write", path_);
  drainPackets();
}

void AacWriter::drainPackets() {
  for (;;) {
    int ret = avcodec_receive_packet(codec_.get(), packet_.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
    if (ret < 0) ffmpeg::throwPlatform(ret, "write", path_);
    av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    ret = av_write_frame(format_, packet_.get());
    av_packet_unref(packet_.get());
    if (ret < 0) ffmpeg::throwPlatform(ret, "write", path_);
  }
}

void AacWriter::finish() {
  if (finished_) return;
  finished_ = true;  // a failed finish is not retried by the destructor
  if (!queued_.empty()) {
    // The native encoder accepts a short last frame.
    encode(queued_.data(), static_cast<int>(queued_.size()));
    queued_.clear();
  }
  int ret = avcodec_send_frame(codec_.get(), nullptr);
  if (ret < 0) ffmpeg::throwPlatform(ret, "write", path_);
  drainPackets();
  if ((ret = av_write_trailer(format_)) < 0) ffmpeg::throwPlatform(ret, "write", path_);
  AVIOContext* pb = format_->pb;
  format_->pb = nullptr;
  if ((ret = avio_closep(&pb)) < 0) ffmpeg::throwPlatform(ret, "write", path_);
}

void AacWriter::close() noexcept {
  if (!format_) return;
  if (format_->pb) avio_closep(&format_->pb);
  avformat_free_context(format_);
  format_ = nullptr;
}

}  // namespace kelv::core
