// Small shared pieces for the FFmpeg-based audio code: owning handles, error translation.
// Internal to KelvCore.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace kelv::core::ffmpeg {

// Silences FFmpeg's own logging once per process: failures reach callers as exceptions.
void quietLogging();

// FFmpeg's text for an error code.
std::string errorText(int code);

// Throws PlatformError for a failure of `action` on `path`: with errno when FFmpeg's code
// wraps one (AVERROR(e)), else with FFmpeg's own text.
[[noreturn]] void throwPlatform(int code, const std::string& action,
                                const std::filesystem::path& path);

struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

// An audio file opened for decoding: its container, demuxing only its best audio stream, and
// a decoder open for that stream. The caller closes `format` (avformat_close_input).
struct AudioInput {
  AVFormatContext* format = nullptr;
  int streamIndex = -1;
  CodecPtr codec;
};
// Throws PlatformError when the system fails the file (it can't be read, memory runs out),
// AudioError::unreadableAudio when its content isn't audio FFmpeg can decode.
AudioInput openAudioInput(const std::filesystem::path& path);

}  // namespace kelv::core::ffmpeg
