#include "tempo_filter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "kelv/core/audio/audio_format.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace kelv::core {

namespace {
constexpr int kRate = AudioFormat::kSampleRate;

[[noreturn]] void fail() { throw std::runtime_error("The playback speed could not be changed."); }
}  // namespace

TempoFilter::TempoFilter(double tempo) {
  graph_ = avfilter_graph_alloc();
  if (!graph_) fail();
  const std::string in = "time_base=1/" + std::to_string(kRate) +
                         ":sample_rate=" + std::to_string(kRate) +
                         ":sample_fmt=flt:channel_layout=mono";
  char tempoText[32];
  std::snprintf(tempoText, sizeof tempoText, "tempo=%.4f", tempo);
  AVFilterContext* atempo = nullptr;
  bool built = avfilter_graph_create_filter(&source_, avfilter_get_by_name("abuffer"), "in",
                                            in.c_str(), nullptr, graph_) >= 0 &&
               avfilter_graph_create_filter(&atempo, avfilter_get_by_name("atempo"), "tempo",
                                            tempoText, nullptr, graph_) >= 0 &&
               avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out",
                                            nullptr, nullptr, graph_) >= 0;
  if (built) {
    const AVSampleFormat formats[] = {AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_NONE};
    built = av_opt_set_int_list(sink_, "sample_fmts", formats, AV_SAMPLE_FMT_NONE,
                                AV_OPT_SEARCH_CHILDREN) >= 0 &&
            avfilter_link(source_, 0, atempo, 0) >= 0 && avfilter_link(atempo, 0, sink_, 0) >= 0 &&
            avfilter_graph_config(graph_, nullptr) >= 0;
  }
  if (!built) {
    avfilter_graph_free(&graph_);
    fail();
  }
}

TempoFilter::~TempoFilter() { avfilter_graph_free(&graph_); }

void TempoFilter::push(std::span<const float> samples) {
  if (samples.empty()) return;
  AVFrame* frame = av_frame_alloc();
  if (!frame) fail();
  frame->format = AV_SAMPLE_FMT_FLT;
  frame->sample_rate = kRate;
  frame->nb_samples = static_cast<int>(samples.size());
  frame->pts = fed_;
  AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
  if (av_channel_layout_copy(&frame->ch_layout, &mono) < 0 || av_frame_get_buffer(frame, 0) < 0) {
    av_frame_free(&frame);
    fail();
  }
  std::copy(samples.begin(), samples.end(), reinterpret_cast<float*>(frame->data[0]));
  fed_ += static_cast<int64_t>(samples.size());
  const int ret = av_buffersrc_add_frame_flags(source_, frame, 0);
  av_frame_free(&frame);
  if (ret < 0) fail();
  drain();
}

void TempoFilter::finish() {
  if (av_buffersrc_add_frame_flags(source_, nullptr, 0) < 0) return;
  drain();
}

void TempoFilter::drain() {
  if (readyStart_ > 0 && readyStart_ == ready_.size()) {
    ready_.clear();
    readyStart_ = 0;
  }
  AVFrame* frame = av_frame_alloc();
  if (!frame) fail();
  while (av_buffersink_get_frame(sink_, frame) >= 0) {
    const auto* data = reinterpret_cast<const float*>(frame->data[0]);
    ready_.insert(ready_.end(), data, data + frame->nb_samples);
    av_frame_unref(frame);
  }
  av_frame_free(&frame);
}

size_t TempoFilter::pull(std::span<float> out) {
  const size_t take = std::min(out.size(), ready_.size() - readyStart_);
  std::copy_n(ready_.begin() + static_cast<ptrdiff_t>(readyStart_), take, out.begin());
  readyStart_ += take;
  if (readyStart_ == ready_.size()) {
    ready_.clear();
    readyStart_ = 0;
  }
  return take;
}

}  // namespace kelv::core
