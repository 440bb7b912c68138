// Which actions the action menu of one meeting offers (the context menu of a row and "Más
// acciones" of the detail toolbar), decided from the meeting's row in the list: nothing that
// changes a busy meeting, nothing about the notes without a Meeting file (export and study
// cards included), nothing about the audio without track files, "Reintentar" only for a
// meeting that needs attention.
//
// Made in QML for one menu: it follows the meeting named by `meetingId` in the list of
// `meetings`, so a menu left open stays right when the meeting changes. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QString>

#include "view_models/meeting_row.h"
#include "view_models/meetings_window_model.h"

namespace kelv::app {

class MeetingActions : public QObject {
  Q_OBJECT
  QML_ELEMENT

  Q_PROPERTY(kelv::app::MeetingsWindowModel* meetings READ meetings WRITE setMeetings NOTIFY
                 meetingsChanged)
  Q_PROPERTY(QString meetingId READ meetingId WRITE setMeetingId NOTIFY meetingIdChanged)
  Q_PROPERTY(bool canRename READ canRename NOTIFY changed)
  Q_PROPERTY(bool canCopy READ canCopy NOTIFY changed)
  Q_PROPERTY(bool canOpen READ canOpen NOTIFY changed)
  Q_PROPERTY(bool canReveal READ canReveal NOTIFY changed)
  Q_PROPERTY(bool canRevealAudio READ canRevealAudio NOTIFY changed)
  Q_PROPERTY(bool canExport READ canExport NOTIFY changed)
  // No second set of cards for a meeting while its first is being made.
  Q_PROPERTY(bool canMakeCards READ canMakeCards NOTIFY changed)
  // "Reintentar" is in the menu at all.
  Q_PROPERTY(bool canRetry READ canRetry NOTIFY changed)
  Q_PROPERTY(bool canReprocess READ canReprocess NOTIFY changed)
  Q_PROPERTY(bool canDelete READ canDelete NOTIFY changed)

 public:
  struct Allowed {
    bool rename = false;
    bool copy = false;
    bool open = false;
    bool reveal = false;
    bool revealAudio = false;
    bool exportFile = false;
    bool cards = false;
    bool retry = false;
    bool reprocess = false;
    bool remove = false;

    bool operator==(const Allowed&) const = default;
  };

  // The actions on a row; none: nothing is allowed.
  static Allowed of(const MeetingRow* row);

  explicit MeetingActions(QObject* parent = nullptr);

  MeetingsWindowModel* meetings() const { return meetings_; }
  void setMeetings(MeetingsWindowModel* meetings);
  QString meetingId() const { return meetingId_; }
  void setMeetingId(const QString& id);

  bool canRename() const { return allowed_.rename; }
  bool canCopy() const { return allowed_.copy; }
  bool canOpen() const { return allowed_.open; }
  bool canReveal() const { return allowed_.reveal; }
  bool canRevealAudio() const { return allowed_.revealAudio; }
  bool canExport() const { return allowed_.exportFile; }
  bool canMakeCards() const { return allowed_.cards; }
  bool canRetry() const { return allowed_.retry; }
  bool canReprocess() const { return allowed_.reprocess; }
  bool canDelete() const { return allowed_.remove; }

 signals:
  void meetingsChanged();
  void meetingIdChanged();
  void changed();

 private:
  void follow();
  void reconsider();

  QPointer<MeetingsWindowModel> meetings_;
  QPointer<MeetingListModel> list_;
  QString meetingId_;
  Allowed allowed_;
};

}  // namespace kelv::app
