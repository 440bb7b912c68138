#include "record_stream.h"

#include <algorithm>

#include "kelv/core/util/system_info.h"

namespace kelv::capture {

namespace {
// Small fragments keep the tail short when a recording stops and the time stamps close to
// the truth; 50 ms costs about 20 wake-ups a second per stream.
constexpr uint32_t kFragmentBytes = RecordStream::kRate * sizeof(float) / 20;
}  // namespace

RecordStream::RecordStream(PulseClient& client, const std::string& streamName,
                           const std::string& source, OnAudio onAudio, OnEnded onEnded)
    : client_(client), onAudio_(std::move(onAudio)), onEnded_(std::move(onEnded)) {
  const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kRate, 1};
  stream_ = pa_stream_new(client.context(), streamName.c_str(), &format, nullptr);
  if (!stream_) throw Failure{Step::create, client.lastError()};
  pa_stream_set_state_callback(stream_, &RecordStream::onState, this);
  pa_stream_set_read_callback(stream_, &RecordStream::onRead, this);

  pa_buffer_attr attributes{};
  attributes.maxlength = static_cast<uint32_t>(-1);
  attributes.tlength = static_cast<uint32_t>(-1);
  attributes.prebuf = static_cast<uint32_t>(-1);
  attributes.minreq = static_cast<uint32_t>(-1);
  attributes.fragsize = kFragmentBytes;
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
  if (pa_stream_connect_record(stream_, source.c_str(), &attributes, flags) < 0) {
    const int code = client.lastError();
    release();
    throw Failure{Step::connect, code};
  }
  for (;;) {
    const auto state = pa_stream_get_state(stream_);
    if (state == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(state)) {
      const int code = client.lastError();
      release();
      throw Failure{Step::ready, code};
    }
    client.wait();
  }
  ready_ = true;
}

RecordStream::~RecordStream() {
  if (!stream_) return;
  if (pa_stream_get_state(stream_) == PA_STREAM_READY) drain();
  release();
}

void RecordStream::release() {
  if (!stream_) return;
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_read_callback(stream_, nullptr, nullptr);
  if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
}

uint32_t RecordStream::sourceIndex() const { return pa_stream_get_device_index(stream_); }

double RecordStream::captureTime(double now, size_t queuedFrames) {
  return now - static_cast<double>(queuedFrames) / kRate;
}

void RecordStream::drain() {
  while (pa_stream_readable_size(stream_) > 0) {
    const void* data = nullptr;
    size_t bytes = 0;
    if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) return;
    if (data) {
      const size_t frames = bytes / sizeof(float);
      // Everything still queued was captured before what arrives next, so the fragment at the
      // head of the queue began that much audio ago. Sources that hand over audio in large
      // blocks are stamped right this way; the server's interpolated latency is not reliable
      // for monitors.
      const size_t queuedFrames = std::max(pa_stream_readable_size(stream_), bytes) / sizeof(float);
      const double when = captureTime(core::systemUptime(), queuedFrames);
      if (onAudio_ && frames > 0)
        onAudio_(std::span<const float>(static_cast<const float*>(data), frames), when);
    }
    // A hole (data == nullptr) is dropped like data: the recorder fills gaps from time stamps.
    pa_stream_drop(stream_);
  }
}

void RecordStream::onRead(pa_stream*, size_t, void* userdata) {
  static_cast<RecordStream*>(userdata)->drain();
}

void RecordStream::onState(pa_stream* stream, void* userdata) {
  auto* self = static_cast<RecordStream*>(userdata);
  self->client_.signal();
  if (self->ready_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && self->onEnded_)
    self->onEnded_();
}

}  // namespace kelv::capture
