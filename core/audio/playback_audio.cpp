#include "kelv/core/audio/playback_audio.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tempo_filter.h"
#include "track_reader.h"

namespace kelv::core {

namespace {
// Mixed frames fed to the speed filter at a time: 64 ms.
constexpr size_t kBlock = 1024;
}  // namespace

struct PlaybackAudio::Track {
  explicit Track(const std::filesystem::path& path) : reader(path) {}
  TrackReader reader;
  bool ended = false;
};

struct PlaybackAudio::Tempo {
  explicit Tempo(double tempo) : filter(tempo) {}
  TempoFilter filter;
  bool finished = false;
};

PlaybackAudio::PlaybackAudio(const std::vector<std::filesystem::path>& tracks) {
  if (tracks.empty()) throw std::invalid_argument("no track to play");
  for (const auto& path : tracks) {
    tracks_.push_back(std::make_unique<Track>(path));
    frames_ = std::max(frames_, tracks_.back()->reader.frames());
  }
}

PlaybackAudio::~PlaybackAudio() = default;

double PlaybackAudio::duration() const { return static_cast<double>(frames_) / kRate; }

void PlaybackAudio::seek(double seconds) {
  if (!std::isfinite(seconds)) seconds = 0;
  frame_ = std::clamp<int64_t>(std::llround(seconds * kRate), 0, frames_);
  for (auto& track : tracks_) {
    track->reader.seek(frame_);
    track->ended = false;
  }
  stretch_.reset();
}

void PlaybackAudio::setTempo(double tempo) {
  if (!std::isfinite(tempo)) tempo = 1.0;
  tempo = std::clamp(tempo, kSlowest, kFastest);
  if (tempo == tempo_) return;
  tempo_ = tempo;
  // Audio already inside the old filter is dropped; the caller seeks to where it is heard.
  stretch_.reset();
}

size_t PlaybackAudio::readMixed(std::span<float> out) {
  std::fill(out.begin(), out.end(), 0.0f);
  scratch_.resize(out.size());
  size_t longest = 0;
  for (auto& track : tracks_) {
    if (track->ended) continue;
    const size_t got = track->reader.read(scratch_);
    if (got < out.size()) track->ended = true;
    for (size_t i = 0; i < got; ++i) out[i] += scratch_[i];
    longest = std::max(longest, got);
  }
  // A track that ends early (or declares more than it holds) leaves silence, not an end, until
  // the longest one is over.
  const auto remaining = static_cast<size_t>(std::max<int64_t>(frames_ - frame_, 0));
  size_t count = std::max(longest, std::min(out.size(), remaining));
  if (std::all_of(tracks_.begin(), tracks_.end(), [](const auto& t) { return t->ended; }))
    count = longest;
  for (size_t i = 0; i < count; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  frame_ += static_cast<int64_t>(count);
  return count;
}

size_t PlaybackAudio::read(std::span<float> out) {
  if (tempo_ == 1.0) return readMixed(out);
  if (!stretch_) stretch_ = std::make_unique<Tempo>(tempo_);
  size_t filled = 0;
  std::vector<float> block(kBlock);
  while (filled < out.size()) {
    filled += stretch_->filter.pull(out.subspan(filled));
    if (filled == out.size() || stretch_->finished) break;
    const size_t got = readMixed(block);
    if (got > 0) stretch_->filter.push(std::span<const float>(block.data(), got));
    if (got < block.size()) {
      stretch_->filter.finish();
      stretch_->finished = true;
      filled += stretch_->filter.pull(out.subspan(filled));
    }
  }
  return filled;
}

}  // namespace kelv::core
