// The player bar of a meeting's detail pane: listening back to the class from any moment, at
// a chosen speed, through AudioPlayer. The detail pane owns it and loads the meeting's tracks
// into it (or unloads it: another meeting, a rename, a delete, a reprocess, a recording).
//
// States: Hidden (nothing to play: no bar), Loading (the files are being opened), Ready
// (paused or stopped at `position`), Playing, Failed (`message` says why, in one line, in place
// of the controls). Every command may be given in any state; those that make no sense there do
// nothing. The position follows the sound server's clock while playing, polled every 50 ms.
// Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <filesystem>
#include <memory>
#include <vector>

#include "kelv/core/library/meeting_entry.h"
#include "shell/main_thread.h"

namespace kelv::capture {
class AudioPlayer;
struct PlaybackProblem;
}  // namespace kelv::capture

namespace kelv::app {

class Player : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Owned by the meeting's detail pane.")

  Q_PROPERTY(kelv::app::Player::State state READ state NOTIFY stateChanged)
  Q_PROPERTY(bool shown READ shown NOTIFY stateChanged)
  Q_PROPERTY(bool playing READ playing NOTIFY stateChanged)
  // The reason shown in place of the controls when Failed.
  Q_PROPERTY(QString message READ message NOTIFY stateChanged)
  // Seconds on the meeting's timeline (the transcript's times).
  Q_PROPERTY(double position READ position NOTIFY positionChanged)
  Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
  // "1:05" and "42:10": hours only when there are any.
  Q_PROPERTY(QString elapsedText READ elapsedText NOTIFY positionChanged)
  Q_PROPERTY(QString totalText READ totalText NOTIFY durationChanged)
  // The slider's accessible text: "1:05 de 42:10".
  Q_PROPERTY(QString progressText READ progressText NOTIFY positionChanged)
  Q_PROPERTY(double speed READ speed NOTIFY speedChanged)
  // The speed in the user's locale: "1,25×".
  Q_PROPERTY(QString speedText READ speedText NOTIFY speedChanged)
  Q_PROPERTY(QList<double> speeds READ speeds CONSTANT)
  // How long after the user scrolls the transcript the heard turn is no longer kept in view.
  Q_PROPERTY(int followPause READ followPause CONSTANT)

 public:
  enum State { Hidden, Loading, Ready, Playing, Failed };
  Q_ENUM(State)

  static constexpr std::array<double, 5> kSpeeds{0.75, 1.0, 1.25, 1.5, 2.0};
  static constexpr double kSkipSeconds = 10;
  static constexpr int kPollMilliseconds = 50;
  static constexpr int kFollowPauseMilliseconds = 4000;

  explicit Player(QObject* parent = nullptr);
  ~Player() override;

  // The tracks a meeting plays: its mixed track when it has one (an import), else its
  // microphone and system tracks, whichever exist; the raw file of a track before its
  // compressed one. Empty: nothing to play.
  static std::vector<std::filesystem::path> tracksOf(const core::MeetingEntry& entry);

  // Stops what plays and opens these tracks, ready at 0; no tracks: Hidden.
  void load(const std::vector<std::filesystem::path>& tracks);
  // Stops and hides the bar.
  void unload();

  // For the review program: shows a state as it would look, without any sound.
  void present(State state, double position, double duration, const QString& message = {});

  Q_INVOKABLE void play();
  Q_INVOKABLE void pause();
  // Space and the play button.
  Q_INVOKABLE void toggle();
  // A turn's time was pressed: plays from there.
  Q_INVOKABLE void playFrom(double seconds);
  // The slider: moves there, playing on if it played.
  Q_INVOKABLE void seek(double seconds);
  // ±10 s.
  Q_INVOKABLE void skip(double seconds);
  Q_INVOKABLE void setSpeed(double speed);
  // The next of the speeds after the current one, round to the first.
  Q_INVOKABLE void nextSpeed();

  State state() const { return state_; }
  bool shown() const { return state_ != Hidden; }
  bool playing() const { return state_ == Playing; }
  QString message() const { return message_; }
  double position() const { return position_; }
  double duration() const { return duration_; }
  QString elapsedText() const;
  QString totalText() const;
  QString progressText() const;
  double speed() const { return speed_; }
  QString speedText() const;
  QList<double> speeds() const;
  int followPause() const { return kFollowPauseMilliseconds; }

  // The one-line reason for a problem, as the bar shows it.
  static QString describe(const capture::PlaybackProblem& problem);
  // "1:05", "1:02:03".
  static QString clock(double seconds);

 signals:
  void stateChanged();
  void positionChanged();
  void durationChanged();
  void speedChanged();

 private:
  void setState(State state, const QString& message = {});
  void setPosition(double seconds);
  void setDuration(double seconds);
  void poll();

  State state_ = Hidden;
  QString message_;
  double position_ = 0;
  double duration_ = 0;
  double speed_ = 1.0;
  QTimer poll_;
  // One player per loaded meeting: events of an earlier one are told apart by `generation_`.
  std::unique_ptr<capture::AudioPlayer> player_;
  int generation_ = 0;
  MainThreadGuard<Player> guard_{this};
};

}  // namespace kelv::app
