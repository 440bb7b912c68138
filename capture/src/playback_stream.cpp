#include "playback_stream.h"

#include <algorithm>

namespace kelv::capture {

namespace {
constexpr uint32_t kBytesPerSecond = PlaybackStream::kRate * sizeof(float);
// 80 ms ahead of the output, refilled every 20 ms: a seek or a press is heard quickly and the
// loop wakes about 50 times a second.
constexpr uint32_t kTargetBytes = kBytesPerSecond * 80 / 1000;
constexpr uint32_t kRequestBytes = kBytesPerSecond * 20 / 1000;
}  // namespace

PlaybackStream::PlaybackStream(PulseClient& client, const std::string& name, Fill fill,
                               Notice onDrained, Notice onFailed)
    : client_(client),
      fill_(std::move(fill)),
      onDrained_(std::move(onDrained)),
      onFailed_(std::move(onFailed)) {
  const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kRate, 1};
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "production");
  stream_ =
      pa_stream_new_with_proplist(client.context(), name.c_str(), &format, nullptr, properties);
  pa_proplist_free(properties);
  if (!stream_) throw PulseFailure(client.lastError());
  pa_stream_set_state_callback(stream_, &PlaybackStream::onState, this);
  pa_stream_set_write_callback(stream_, &PlaybackStream::onWrite, this);

  pa_buffer_attr attributes{};
  attributes.maxlength = static_cast<uint32_t>(-1);
  attributes.tlength = kTargetBytes;
  attributes.prebuf = static_cast<uint32_t>(-1);
  attributes.minreq = kRequestBytes;
  attributes.fragsize = static_cast<uint32_t>(-1);
  const auto flags = static_cast<pa_stream_flags_t>(
      PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
  if (pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) < 0) {
    const int code = client.lastError();
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_unref(stream_);
    throw PulseFailure(code);
  }
  for (;;) {
    const auto state = pa_stream_get_state(stream_);
    if (state == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(state)) {
      const int code = client.lastError();
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      pa_stream_unref(stream_);
      throw PulseFailure(code ? code : PA_ERR_CONNECTIONTERMINATED);
    }
    client.wait();
  }
  ready_ = true;
}

PlaybackStream::~PlaybackStream() {
  if (drain_) {
    pa_operation_cancel(drain_);
    pa_operation_unref(drain_);
  }
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_write_callback(stream_, nullptr, nullptr);
  if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
}

void PlaybackStream::cork(bool corked) {
  client_.await(pa_stream_cork(
      stream_, corked ? 1 : 0,
      [](pa_stream*, int, void* userdata) { static_cast<PulseClient*>(userdata)->signal(); },
      &client_));
}

std::optional<double> PlaybackStream::played() const {
  pa_usec_t usec = 0;
  if (pa_stream_get_time(stream_, &usec) < 0) return std::nullopt;
  return static_cast<double>(usec) / 1e6;
}

void PlaybackStream::write(size_t bytes) {
  while (bytes >= sizeof(float) && !finished_) {
    void* data = nullptr;
    size_t size = bytes;
    if (pa_stream_begin_write(stream_, &data, &size) < 0 || data == nullptr) return;
    size -= size % sizeof(float);
    const size_t asked = size / sizeof(float);
    const size_t got = fill_(std::span<float>(static_cast<float*>(data), asked));
    if (got > 0)
      pa_stream_write(stream_, data, got * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE);
    else
      pa_stream_cancel_write(stream_);
    bytes -= std::min(bytes, size);
    if (got < asked) {
      finished_ = true;
      // Plays out what is buffered, even when it is less than the start threshold.
      if (pa_operation* trigger = pa_stream_trigger(stream_, nullptr, nullptr))
        pa_operation_unref(trigger);
      drain_ = pa_stream_drain(stream_, &PlaybackStream::onDrain, this);
    }
  }
}

void PlaybackStream::onWrite(pa_stream*, size_t bytes, void* userdata) {
  static_cast<PlaybackStream*>(userdata)->write(bytes);
}

void PlaybackStream::onDrain(pa_stream*, int, void* userdata) {
  auto* self = static_cast<PlaybackStream*>(userdata);
  if (self->drain_) {
    pa_operation_unref(self->drain_);
    self->drain_ = nullptr;
  }
  if (self->onDrained_) self->onDrained_();
}

void PlaybackStream::onState(pa_stream* stream, void* userdata) {
  auto* self = static_cast<PlaybackStream*>(userdata);
  self->client_.signal();
  if (self->ready_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && self->onFailed_)
    self->onFailed_();
}

}  // namespace kelv::capture
