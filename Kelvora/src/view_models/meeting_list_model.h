// The meetings list of the meetings window: the meeting store's entries of the notes folder,
// newest first, each with its day group and date texts, as a Qt list model.
//
// A refresh reads the settings and the store on a worker thread, because a large library takes
// far longer to read than a frame lasts, and hands the result back to the main thread, where
// the rows are removed, moved, inserted and changed one by one: never a reset, so the views'
// selection, scroll position and delegates survive every refresh. Refreshes asked for while a
// read runs are folded into one more read after it. Main thread only, apart from the worker.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_store.h"
#include "kelv/core/settings/settings_store.h"
#include "shell/main_thread.h"
#include "view_models/meeting_row.h"

namespace kelv::app {

class MeetingListModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the meetings window's model.")
  Q_PROPERTY(int count READ count NOTIFY countChanged)
  Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)

 public:
  enum Role {
    IdRole = Qt::UserRole + 1,
    TitleRole,
    DayRole,
    RecentRole,
    WhenRole,
    MinutesRole,  // whole minutes, 0 when the length is unknown
    StateRole,    // a MeetingState::Value
    BadgeRole,    // the state badge's text, empty for done
    MessageRole,
    BusyRole,
    HasFileRole,
    HasAudioRole,
    CanReprocessRole,
  };

  // Where and how the list is read. `now` and the two names are for tests and benchmarks.
  struct Source {
    core::MeetingStore store;
    core::SettingsStore settings;
    std::function<core::Date()> now;  // called on the worker; none: the system clock
    std::string locale;               // empty: the user's
    std::string timeZone;             // empty: the system's
  };

  explicit MeetingListModel(Source source, QObject* parent = nullptr);
  ~MeetingListModel() override;

  // Reads the list again off the main thread; `refreshed` follows when the rows have changed.
  void refresh();
  // A read runs or waits.
  bool refreshing() const { return reading_; }
  // The first read has been applied.
  bool loaded() const { return loaded_; }

  int count() const { return static_cast<int>(rows_.size()); }
  const std::vector<MeetingRow>& rows() const { return rows_; }
  // The row of the meeting, or -1.
  int indexOf(const QString& id) const;
  const MeetingRow* find(const QString& id) const;

  // Makes the rows equal to `next` (duplicate ids after the first are dropped) with the
  // fewest removals, moves, insertions and changes the walk finds.
  void apply(std::vector<MeetingRow> next);

  // The list as a refresh reads it, on the calling thread.
  static std::vector<MeetingRow> read(const Source& source);
  // The badge's word of a state (MeetingState's table): nothing for a finished meeting.
  static QString badge(core::MeetingEntry::State state);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void countChanged();
  void loadedChanged();
  // A read has been applied. `settled` is false while another read is on its way, whose
  // result is the one to act on.
  void refreshed(bool settled);

 private:
  void startReading();
  void arrived(std::vector<MeetingRow> rows);
  void reindex();

  Source source_;
  std::vector<MeetingRow> rows_;
  QHash<QString, int> index_;
  QThreadPool worker_;
  bool reading_ = false;
  bool again_ = false;
  bool loaded_ = false;
  MainThreadGuard<MeetingListModel> guard_{this};
};

}  // namespace kelv::app
