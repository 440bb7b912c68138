#include "ffmpeg_util.h"

#include <mutex>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/util/platform_error.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace kelv::core::ffmpeg {

void quietLogging() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void throwPlatform(int code, const std::string& action, const std::filesystem::path& path) {
  // FFmpeg's own codes are negative four-character tags, far outside the errno range.
  if (code < 0 && -code < 4096) throw PlatformError::fromErrno(-code, action, path);
  throw PlatformError(
      0, "Couldn't " + action + " “" + path.filename().string() + "”: " + errorText(code) + ".");
}

namespace {

// Failures of the machine rather than of the file's content.
bool isSystemFailure(int code) {
  return code == AVERROR(EIO) || code == AVERROR(ENOMEM) || code == AVERROR(EACCES) ||
         code == AVERROR(ENOENT) || code == AVERROR(EISDIR);
}

}  // namespace

AudioInput openAudioInput(const std::filesystem::path& path) {
  quietLogging();
  const auto unreadable = [&] { throw AudioError::unreadableAudio(path.filename().string()); };
  AudioInput input;
  if (const int ret = avformat_open_input(&input.format, path.c_str(), nullptr, nullptr); ret < 0) {
    input.format = nullptr;
    if (isSystemFailure(ret)) throwPlatform(ret, "open", path);
    unreadable();
  }
  try {
    if (avformat_find_stream_info(input.format, nullptr) < 0) unreadable();
    const AVCodec* decoder = nullptr;
    input.streamIndex = av_find_best_stream(input.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (input.streamIndex < 0 || !decoder) unreadable();
    // Only the audio stream is demuxed further; video packets are skipped by the demuxer.
    for (unsigned i = 0; i < input.format->nb_streams; ++i)
      if (static_cast<int>(i) != input.streamIndex)
        input.format->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = input.format->streams[input.streamIndex];
    const AVCodecParameters* params = stream->codecpar;
    if (params->sample_rate <= 0 || params->ch_layout.nb_channels <= 0) unreadable();
    input.codec.reset(avcodec_alloc_context3(decoder));
    if (!input.codec) throwPlatform(AVERROR(ENOMEM), "read", path);
    if (avcodec_parameters_to_context(input.codec.get(), params) < 0) unreadable();
    input.codec->pkt_timebase = stream->time_base;
    if (avcodec_open2(input.codec.get(), decoder, nullptr) < 0) unreadable();
  } catch (...) {
    avformat_close_input(&input.format);
    throw;
  }
  return input;
}

}  // namespace kelv::core::ffmpeg
