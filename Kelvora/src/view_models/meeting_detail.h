// The detail pane of the meetings window for the selected meeting: its header texts, the banner
// its state calls for, its Meeting file's text or the placeholder that explains why there is
// none yet, the running clock of a meeting being recorded, and the copy button's confirmation.
//
// The window's model shows a row in it whenever the selection or the selected row changes; the
// file is read again when another meeting is shown or the shown one changes state or file, and
// the copy confirmation starts fresh with each meeting. Main thread only.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <filesystem>
#include <optional>

#include "view_models/meeting_row.h"

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
  Q_PROPERTY(QString state READ state NOTIFY changed)
  Q_PROPERTY(bool busy READ busy NOTIFY changed)
  Q_PROPERTY(bool hasFile READ hasFile NOTIFY changed)
  Q_PROPERTY(bool hasAudio READ hasAudio NOTIFY changed)
  Q_PROPERTY(bool canReprocess READ canReprocess NOTIFY changed)
  Q_PROPERTY(bool recording READ recording NOTIFY changed)

  Q_PROPERTY(bool banner READ banner NOTIFY changed)
  Q_PROPERTY(QString bannerSymbol READ bannerSymbol NOTIFY changed)
  Q_PROPERTY(QString bannerTitle READ bannerTitle NOTIFY changed)
  Q_PROPERTY(QString bannerDetail READ bannerDetail NOTIFY changed)
  Q_PROPERTY(QString bannerTint READ bannerTint NOTIFY changed)
  Q_PROPERTY(bool bannerRetry READ bannerRetry NOTIFY changed)

  Q_PROPERTY(bool fileLoaded READ fileLoaded NOTIFY fileChanged)
  Q_PROPERTY(QString fileText READ fileText NOTIFY fileChanged)
  Q_PROPERTY(QString placeholder READ placeholder NOTIFY changed)
  Q_PROPERTY(QString placeholderTitle READ placeholderTitle NOTIFY changed)
  Q_PROPERTY(QString placeholderText READ placeholderText NOTIFY changed)
  Q_PROPERTY(QString clock READ clock NOTIFY clockChanged)
  Q_PROPERTY(bool copied READ copied NOTIFY copiedChanged)

 public:
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
  QString state() const;
  bool busy() const;
  bool hasFile() const;
  bool hasAudio() const { return row_ && row_->hasAudio; }
  bool canReprocess() const { return row_ && row_->canReprocess(); }
  bool recording() const { return recordingNow_; }

  bool banner() const { return !bannerTitle().isEmpty(); }
  QString bannerSymbol() const;
  QString bannerTitle() const;
  QString bannerDetail() const;
  QString bannerTint() const;
  bool bannerRetry() const;

  bool fileLoaded() const { return file_.has_value(); }
  QString fileText() const { return file_.value_or(QString()); }
  // Which placeholder the pane shows without a file: "recording", "processing",
  // "needsAttention", "missing"; empty while the file is shown or nothing is selected.
  QString placeholder() const;
  QString placeholderTitle() const;
  QString placeholderText() const;
  QString clock() const { return clock_; }
  bool copied() const { return copied_; }

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

  std::optional<MeetingRow> row_;
  bool recordingNow_ = false;
  std::optional<QString> file_;
  QString clock_;
  QTimer clockTimer_;
  bool copied_ = false;
  QTimer copiedTimer_;
};

}  // namespace kelv::app
