// The detail pane of the meetings window for the selected meeting: its header texts, the banner
// its state calls for, its Meeting file's text or the placeholder that explains why there is
// none yet, the running clock of a meeting being recorded, and the copy button's confirmation.
//
// The window's model shows a row in it whenever the selection or the selected row changes; the
// file is read again when another meeting is shown or the shown one changes state or file, and
// the copy confirmation starts fresh with each meeting. The player stops when another meeting
// is shown and whenever the shown one is renamed, deleted, recorded or worked on (reprocessed).
// Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <filesystem>
#include <optional>

#include "view_models/meeting_row.h"
#include "view_models/meeting_state.h"
#include "view_models/player.h"

namespace kelv::app {

class MeetingDetail : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the meetings window's model.")

  Q_PROPERTY(bool present READ present NOTIFY changed)
  Q_PROPERTY(QString meetingId READ meetingId NOTIFY changed)
  Q_PROPERTY(QString title READ title NOTIFY changed)
  Q_PROPERTY(QString date READ date NOTIFY changed)
  Q_PROPERTY(int minutes READ minutes NOTIFY changed)
  // The date, then the length when it is known: "viernes, 14 de marzo, 9:00 · 42 min".
  Q_PROPERTY(QString dateLine READ dateLine NOTIFY changed)
  Q_PROPERTY(kelv::app::MeetingState::Value state READ state NOTIFY changed)
  Q_PROPERTY(bool busy READ busy NOTIFY changed)
  Q_PROPERTY(bool hasFile READ hasFile NOTIFY changed)
  Q_PROPERTY(bool hasAudio READ hasAudio NOTIFY changed)
  Q_PROPERTY(bool canReprocess READ canReprocess NOTIFY changed)
  Q_PROPERTY(bool recording READ recording NOTIFY changed)

  // The banner shows the state's look (MeetingState's table) with this detail line.
  Q_PROPERTY(bool banner READ banner NOTIFY changed)
  Q_PROPERTY(QString bannerDetail READ bannerDetail NOTIFY changed)
  Q_PROPERTY(bool bannerRetry READ bannerRetry NOTIFY changed)

  Q_PROPERTY(kelv::app::MeetingDetail::Pane pane READ pane NOTIFY changed)
  Q_PROPERTY(bool fileLoaded READ fileLoaded NOTIFY fileChanged)
  Q_PROPERTY(QString fileText READ fileText NOTIFY fileChanged)
  Q_PROPERTY(QString placeholderTitle READ placeholderTitle NOTIFY changed)
  Q_PROPERTY(QString placeholderText READ placeholderText NOTIFY changed)
  // The meeting is being worked on: its placeholder text reads stronger.
  Q_PROPERTY(bool placeholderActive READ placeholderActive NOTIFY changed)
  // The placeholder offers to stop: the recorder records this meeting now.
  Q_PROPERTY(bool canStop READ canStop NOTIFY changed)
  Q_PROPERTY(QString clock READ clock NOTIFY clockChanged)
  Q_PROPERTY(bool copied READ copied NOTIFY copiedChanged)
  // The copy button: "doc.on.doc" and "Copiar los apuntes", or the check mark and "Copiado"
  // while the copy is confirmed.
  Q_PROPERTY(QString copySymbol READ copySymbol NOTIFY copiedChanged)
  Q_PROPERTY(QString copyHelp READ copyHelp NOTIFY copiedChanged)
  // Listening back to the meeting shown; hidden while it is recorded or worked on.
  Q_PROPERTY(kelv::app::Player* player READ player CONSTANT)

 public:
  // What the pane shows: nothing selected, the notes, or the placeholder of a meeting without
  // a readable file, by its state (Missing: finished or interrupted, and the file is gone).
  enum Pane { Nothing, Notes, Recording, Processing, NeedsAttention, Missing };
  Q_ENUM(Pane)

  static constexpr int kCopiedMilliseconds = 1600;

  explicit MeetingDetail(QObject* parent = nullptr);

  // Shows the row (none: nothing selected); `recordingNow` says it is the meeting the
  // recorder is recording at this moment.
  void show(const MeetingRow* row, bool recordingNow);

  // The whole Meeting file as UTF-8 text; none when it is missing, unreadable or not UTF-8.
  static std::optional<QString> readText(const std::filesystem::path& file);
  // "0:42", "12:05", "1:02:03": hours only when there are any.
  static QString clockText(qint64 seconds);

  // Puts the Meeting file's text on the clipboard and shows the check mark for 1.6 s. False
  // (and nothing changes) when there is no readable file.
  Q_INVOKABLE bool copyNotes();

  bool present() const { return row_.has_value(); }
  QString meetingId() const;
  QString title() const;
  QString date() const;
  int minutes() const;
  QString dateLine() const;
  MeetingState::Value state() const;
  bool busy() const;
  bool hasFile() const;
  bool hasAudio() const { return row_ && row_->hasAudio; }
  bool canReprocess() const { return row_ && row_->canReprocess(); }
  bool recording() const { return recordingNow_; }

  // Processing with notes to show, interrupted or needing attention.
  bool banner() const;
  QString bannerDetail() const;
  bool bannerRetry() const;

  Pane pane() const { return paneFor(row_ ? &*row_ : nullptr, file_.has_value()); }
  // The pane of a row whose file was read or not; none: Nothing.
  static Pane paneFor(const MeetingRow* row, bool fileLoaded);
  bool fileLoaded() const { return file_.has_value(); }
  QString fileText() const { return file_.value_or(QString()); }
  QString placeholderTitle() const;
  QString placeholderText() const;
  bool placeholderActive() const;
  bool canStop() const { return pane() == Recording && recordingNow_; }
  QString clock() const { return clock_; }
  bool copied() const { return copied_; }
  QString copySymbol() const;
  QString copyHelp() const;
  Player* player() const { return player_; }

 signals:
  void changed();
  void fileChanged();
  void clockChanged();
  void copiedChanged();

 private:
  std::optional<core::MeetingEntry::State> stateValue() const;
  void loadFile();
  void tick();
  void setCopied(bool copied);
  // Loads the shown meeting's audio into the player, or hides it.
  void reloadPlayer();

  std::optional<MeetingRow> row_;
  bool recordingNow_ = false;
  std::optional<QString> file_;
  QString clock_;
  QTimer clockTimer_;
  bool copied_ = false;
  QTimer copiedTimer_;
  Player* player_;
};

}  // namespace kelv::app
