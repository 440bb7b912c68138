#include "kelv/capture/audio_player.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/audio/playback_audio.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/serial_queue.h"
#include "playback_stream.h"
#include "pulse_client.h"

namespace kelv::capture {

namespace {
constexpr const char* kStreamName = "Tizara";

PlaybackProblem problemOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const core::AudioError& failure) {
    return {PlaybackProblem::Kind::unreadableFile, failure.fileName(), failure.what()};
  } catch (const core::PlatformError& failure) {
    return {failure.isNotFound() ? PlaybackProblem::Kind::missingFile
                                 : PlaybackProblem::Kind::readFailed,
            {},
            failure.what()};
  } catch (const PulseFailure& failure) {
    return {PlaybackProblem::Kind::streamFailed, {}, failure.what()};
  } catch (const std::exception& failure) {
    return {PlaybackProblem::Kind::readFailed, {}, failure.what()};
  }
}
}  // namespace

// Everything below `client` is guarded by the client's loop lock once a client exists: the
// loop thread fills the stream from `audio`, the queue changes them, and position() reads them.
struct AudioPlayer::Impl : std::enable_shared_from_this<Impl> {
  explicit Impl(Events events) : events(std::move(events)) {}

  Events events;
  core::SerialQueue queue{"kelvora.playback"};

  mutable std::mutex clientMutex;  // guards the pointer, not the connection
  std::unique_ptr<PulseClient> client;

  std::unique_ptr<core::PlaybackAudio> audio;
  std::unique_ptr<PlaybackStream> stream;
  double duration = 0;
  double tempo = 1.0;
  // Where the stream's first sample lies on the meeting's timeline, and its speed.
  double segmentStart = 0;
  double segmentTempo = 1.0;
  // The position while no stream plays.
  double resting = 0;
  bool wantPlaying = false;
  std::optional<PlaybackProblem> fillProblem;
  // A seek asked for and not yet done: position() answers with its target meanwhile, so the
  // caller never sees the old place again. NaN when none.
  std::atomic<double> seeking{std::nan("")};

  // --- on the queue ---

  // Connects unless connected; false (and `failed` reported) when no server answers.
  bool connect() {
    {
      std::lock_guard guard(clientMutex);
      if (client) {
        PulseClient::Lock lock(*client);
        if (client->isReady()) return true;
      }
    }
    std::unique_ptr<PulseClient> fresh;
    try {
      fresh = std::make_unique<PulseClient>("Tizara", PA_SUBSCRIPTION_MASK_NULL,
                                            PulseClient::EventHandler{});
    } catch (const PulseFailure& failure) {
      report({PlaybackProblem::Kind::noSoundServer, {}, failure.what()});
      return false;
    }
    std::unique_ptr<PulseClient> old;
    {
      std::lock_guard guard(clientMutex);
      if (client) {
        PulseClient::Lock lock(*client);
        stream.reset();
      }
      old = std::move(client);
      client = std::move(fresh);
    }
    return true;
  }

  void report(const PlaybackProblem& problem) {
    if (events.failed) events.failed(problem);
  }

  // REQUIRES: lock held.
  double heard() const {
    if (!stream) return resting;
    const double played = stream->played().value_or(0);
    return std::clamp(segmentStart + played * segmentTempo, 0.0, duration);
  }

  // REQUIRES: lock held, audio open.
  void startStream() {
    std::weak_ptr<Impl> weak = weak_from_this();
    stream.reset();
    segmentStart = resting;
    segmentTempo = tempo;
    auto fill = [this](std::span<float> out) -> size_t {
      if (!audio) return 0;
      try {
        return audio->read(out);
      } catch (...) {
        fillProblem = problemOf(std::current_exception());
        return 0;
      }
    };
    auto drained = [weak] {
      if (auto self = weak.lock())
        self->queue.async([weak] {
          if (auto self = weak.lock()) self->streamEnded(false);
        });
    };
    auto broke = [weak] {
      if (auto self = weak.lock())
        self->queue.async([weak] {
          if (auto self = weak.lock()) self->streamEnded(true);
        });
    };
    stream = std::make_unique<PlaybackStream>(*client, kStreamName, fill, drained, broke);
  }

  void streamEnded(bool broken) {
    std::optional<PlaybackProblem> problem;
    bool atEnd = false;
    {
      std::lock_guard guard(clientMutex);
      if (!client || !stream) return;
      PulseClient::Lock lock(*client);
      if (!broken && !stream->finished()) return;
      problem = std::exchange(fillProblem, std::nullopt);
      resting = problem || broken ? heard() : duration;
      atEnd = !problem && !broken;
      stream.reset();
      wantPlaying = false;
    }
    if (problem)
      report(*problem);
    else if (broken)
      report({PlaybackProblem::Kind::streamFailed, {}, "The sound server ended the stream."});
    else if (atEnd && events.ended)
      events.ended();
  }

  // Runs `change` with the lock held, once connected and open.
  template <class Change>
  void withAudio(Change&& change) {
    std::optional<PlaybackProblem> problem;
    {
      std::lock_guard guard(clientMutex);
      if (!client || !audio) return;
      PulseClient::Lock lock(*client);
      try {
        change();
      } catch (...) {
        problem = problemOf(std::current_exception());
        stream.reset();
        wantPlaying = false;
      }
    }
    if (problem) report(*problem);
  }

  void open(const std::vector<std::filesystem::path>& tracks) {
    close();
    if (!connect()) return;
    std::unique_ptr<core::PlaybackAudio> opened;
    try {
      opened = std::make_unique<core::PlaybackAudio>(tracks);
      opened->setTempo(tempo);
    } catch (...) {
      report(problemOf(std::current_exception()));
      return;
    }
    double length = 0;
    {
      std::lock_guard guard(clientMutex);
      PulseClient::Lock lock(*client);
      audio = std::move(opened);
      duration = length = audio->duration();
      resting = 0;
    }
    if (events.opened) events.opened(length);
  }

  void close() {
    std::lock_guard guard(clientMutex);
    if (!client) return;
    PulseClient::Lock lock(*client);
    stream.reset();
    audio.reset();
    resting = 0;
    duration = 0;
    wantPlaying = false;
  }

  void play() {
    if (!connect()) return;
    withAudio([this] {
      if (stream && !stream->finished()) {
        stream->cork(false);
        wantPlaying = true;
        return;
      }
      if (stream) resting = heard();
      if (resting >= duration - 0.05) resting = 0;
      audio->seek(resting);
      wantPlaying = true;
      startStream();
    });
  }

  void pause() {
    withAudio([this] {
      wantPlaying = false;
      if (!stream) return;
      if (stream->finished()) {
        resting = heard();
        stream.reset();
        audio->seek(resting);
        return;
      }
      stream->cork(true);
    });
  }

  void seek(double seconds) {
    withAudio([this, seconds] {
      resting = std::clamp(std::isfinite(seconds) ? seconds : 0.0, 0.0, duration);
      stream.reset();
      audio->seek(resting);
      if (wantPlaying) startStream();
    });
    seeking = std::nan("");
  }

  void setTempo(double value) {
    tempo = std::clamp(value, core::PlaybackAudio::kSlowest, core::PlaybackAudio::kFastest);
    withAudio([this] {
      resting = heard();
      stream.reset();
      audio->setTempo(tempo);
      audio->seek(resting);
      if (wantPlaying) startStream();
    });
  }

  // --- any thread ---

  double position() const {
    if (const double target = seeking; !std::isnan(target)) return std::max(target, 0.0);
    std::lock_guard guard(clientMutex);
    if (!client) return 0;
    PulseClient::Lock lock(*client);
    return heard();
  }

  bool playing() const {
    std::lock_guard guard(clientMutex);
    if (!client) return false;
    PulseClient::Lock lock(*client);
    return stream != nullptr && wantPlaying;
  }

  void shutDown() {
    std::lock_guard guard(clientMutex);
    if (!client) return;
    {
      PulseClient::Lock lock(*client);
      stream.reset();
      audio.reset();
    }
    client.reset();
  }
};

AudioPlayer::AudioPlayer(Events events) : impl_(std::make_shared<Impl>(std::move(events))) {}

AudioPlayer::~AudioPlayer() {
  impl_->queue.sync([impl = impl_.get()] {
    // Work still queued behind this (a stream's end) finds nobody to tell.
    impl->events = {};
    impl->shutDown();
  });
}

void AudioPlayer::open(std::vector<std::filesystem::path> tracks) {
  impl_->queue.async([impl = impl_, tracks = std::move(tracks)] { impl->open(tracks); });
}

void AudioPlayer::play() {
  impl_->queue.async([impl = impl_] { impl->play(); });
}

void AudioPlayer::pause() {
  impl_->queue.async([impl = impl_] { impl->pause(); });
}

void AudioPlayer::seek(double seconds) {
  if (std::isfinite(seconds)) impl_->seeking = seconds;
  impl_->queue.async([impl = impl_, seconds] { impl->seek(seconds); });
}

void AudioPlayer::setTempo(double tempo) {
  impl_->queue.async([impl = impl_, tempo] { impl->setTempo(tempo); });
}

void AudioPlayer::close() {
  impl_->queue.async([impl = impl_] { impl->close(); });
}

double AudioPlayer::position() const { return impl_->position(); }

bool AudioPlayer::playing() const { return impl_->playing(); }

}  // namespace kelv::capture
