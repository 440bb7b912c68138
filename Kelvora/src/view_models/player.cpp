#include "view_models/player.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

#include "kelv/capture/audio_player.h"
#include "kelv/core/util/duration_text.h"
#include "shell/qt_text.h"

namespace kelv::app {

using Problem = capture::PlaybackProblem;

Player::Player(QObject* parent) : QObject(parent) {
  poll_.setInterval(kPollMilliseconds);
  connect(&poll_, &QTimer::timeout, this, &Player::poll);
}

Player::~Player() = default;

std::vector<std::filesystem::path> Player::tracksOf(const core::MeetingEntry& entry) {
  if (!entry.folder) return {};
  if (auto mixed = entry.folder->trackFiles(core::Track::mixed); !mixed.empty())
    return {mixed.front()};
  std::vector<std::filesystem::path> tracks;
  for (const core::Track track : {core::Track::mic, core::Track::system})
    if (auto files = entry.folder->trackFiles(track); !files.empty())
      tracks.push_back(files.front());
  return tracks;
}

void Player::load(const std::vector<std::filesystem::path>& tracks) {
  unload();
  if (tracks.empty()) return;
  const int generation = ++generation_;
  auto post = guard_.poster();
  // Events of this player are dropped once another meeting is loaded.
  auto mine = [post, generation](std::function<void(Player&)> work) {
    post([generation, work = std::move(work)](Player& player) {
      if (player.generation_ == generation) work(player);
    });
  };
  player_ = std::make_unique<capture::AudioPlayer>(
      capture::AudioPlayer::Events{[mine](double duration) {
                                     mine([duration](Player& player) {
                                       player.setDuration(duration);
                                       if (player.state_ == Loading) player.setState(Ready);
                                     });
                                   },
                                   [mine](const Problem& problem) {
                                     mine([text = describe(problem)](Player& player) {
                                       player.poll_.stop();
                                       player.setState(Failed, text);
                                     });
                                   },
                                   [mine] {
                                     mine([](Player& player) {
                                       player.poll_.stop();
                                       player.setPosition(player.duration_);
                                       if (player.state_ == Playing) player.setState(Ready);
                                     });
                                   }});
  player_->setTempo(speed_);
  player_->open(tracks);
  setState(Loading);
}

void Player::unload() {
  ++generation_;
  poll_.stop();
  player_.reset();
  setPosition(0);
  setDuration(0);
  setState(Hidden);
}

void Player::present(State state, double position, double duration, const QString& message) {
  ++generation_;
  poll_.stop();
  player_.reset();
  setDuration(duration);
  setPosition(position);
  setState(state, message);
}

void Player::play() {
  if (!player_ || (state_ != Ready && state_ != Loading)) return;
  if (duration_ > 0 && position_ >= duration_ - 0.05) setPosition(0);
  player_->play();
  setState(Playing);
  poll_.start();
}

void Player::pause() {
  if (!player_ || state_ != Playing) return;
  player_->pause();
  poll_.stop();
  setState(Ready);
}

void Player::toggle() {
  if (state_ == Playing)
    pause();
  else
    play();
}

void Player::playFrom(double seconds) {
  if (!player_ || state_ == Failed || state_ == Hidden) return;
  seek(seconds);
  play();
}

void Player::seek(double seconds) {
  if (!player_ || state_ == Failed || state_ == Hidden) return;
  if (!std::isfinite(seconds)) return;
  seconds = std::max(seconds, 0.0);
  if (duration_ > 0) seconds = std::min(seconds, duration_);
  player_->seek(seconds);
  setPosition(seconds);
  // The stream's clock restarts with the new stretch; polling resumes from the new place.
  if (state_ == Playing) poll_.start();
}

void Player::skip(double seconds) { seek(position_ + seconds); }

void Player::setSpeed(double speed) {
  if (std::find(kSpeeds.begin(), kSpeeds.end(), speed) == kSpeeds.end() || speed == speed_) return;
  speed_ = speed;
  if (player_) player_->setTempo(speed);
  emit speedChanged();
}

void Player::nextSpeed() {
  const auto at = std::find(kSpeeds.begin(), kSpeeds.end(), speed_);
  setSpeed(at == kSpeeds.end() || at + 1 == kSpeeds.end() ? kSpeeds.front() : *(at + 1));
}

void Player::poll() {
  if (player_ && state_ == Playing) setPosition(player_->position());
}

void Player::setState(State state, const QString& message) {
  if (state == state_ && message == message_) return;
  state_ = state;
  message_ = message;
  emit stateChanged();
}

void Player::setPosition(double seconds) {
  if (seconds == position_) return;
  position_ = seconds;
  emit positionChanged();
}

void Player::setDuration(double seconds) {
  if (seconds == duration_) return;
  duration_ = seconds;
  emit durationChanged();
  emit positionChanged();  // the progress text names both
}

QString Player::clock(double seconds) {
  return text(
      core::DurationText::stopwatch(static_cast<long long>(std::floor(std::max(seconds, 0.0)))));
}

QString Player::elapsedText() const { return clock(position_); }
QString Player::totalText() const { return clock(duration_); }
QString Player::progressText() const {
  return QStringLiteral("%1 de %2").arg(elapsedText(), totalText());
}

QString Player::speedText() const {
  return QLocale().toString(speed_, 'g', 3) + QStringLiteral("×");
}

QList<double> Player::speeds() const { return QList<double>(kSpeeds.begin(), kSpeeds.end()); }

QString Player::describe(const Problem& problem) {
  const QString file = text(problem.file);
  switch (problem.kind) {
    case Problem::Kind::noSoundServer:
      return QStringLiteral("No se puede reproducir el audio: no hay servidor de sonido.");
    case Problem::Kind::missingFile:
      return QStringLiteral("Falta el audio de esta clase.");
    case Problem::Kind::unreadableFile:
      return file.isEmpty() ? QStringLiteral("El audio de esta clase está dañado o incompleto.")
                            : QStringLiteral("El audio «%1» está dañado o incompleto.").arg(file);
    case Problem::Kind::readFailed:
      return QStringLiteral("No se puede leer el audio: %1").arg(text(problem.detail));
    case Problem::Kind::streamFailed:
      return QStringLiteral("El servidor de sonido cortó la reproducción.");
  }
  return {};
}

}  // namespace kelv::app
