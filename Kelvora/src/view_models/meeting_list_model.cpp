#include "view_models/meeting_list_model.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <unordered_set>
#include <utility>

#include "view_models/day_formats.h"
#include "view_models/day_grouping.h"
#include "view_models/meeting_state.h"

namespace kelv::app {

MeetingListModel::MeetingListModel(Source source, QObject* parent)
    : QAbstractListModel(parent), source_(std::move(source)) {
  // One reader at a time keeps the results in the order they were asked for.
  worker_.setMaxThreadCount(1);
}

MeetingListModel::~MeetingListModel() {
  // The worker posts its result to this object; it must be done before the object goes.
  worker_.waitForDone();
}

std::vector<MeetingRow> MeetingListModel::read(const Source& source) {
  const core::Date now = source.now ? source.now() : std::chrono::system_clock::now();
  const core::Settings settings = source.settings.load();
  std::vector<core::MeetingEntry> entries = source.store.entries(settings.notesFolder);
  const DayFormats formats(source.locale, source.timeZone);
  const DayGrouping grouping(formats, now);
  std::vector<MeetingRow> rows;
  rows.reserve(entries.size());
  for (core::MeetingEntry& entry : entries) {
    const bool hasAudio = !entry.audioFiles().empty();
    rows.push_back(grouping.row(std::move(entry)));
    rows.back().hasAudio = hasAudio;
  }
  return rows;
}

void MeetingListModel::refresh() {
  if (reading_) {
    again_ = true;
    return;
  }
  reading_ = true;
  startReading();
}

void MeetingListModel::startReading() {
  worker_.start([post = guard_.poster(), source = source_] {
    std::vector<MeetingRow> rows;
    try {
      rows = read(source);
    } catch (...) {
      // The store reports unreadable folders by leaving them out; anything else that escapes
      // (memory, a broken locale) leaves the list as it was.
      post([](MeetingListModel& model) { model.arrived(model.rows_); });
      return;
    }
    post([rows = std::move(rows)](MeetingListModel& model) mutable {
      model.arrived(std::move(rows));
    });
  });
}

void MeetingListModel::arrived(std::vector<MeetingRow> rows) {
  apply(std::move(rows));
  if (!loaded_) {
    loaded_ = true;
    emit loadedChanged();
  }
  if (again_) {
    again_ = false;
    startReading();
    emit refreshed(false);
  } else {
    reading_ = false;
    emit refreshed(true);
  }
}

void MeetingListModel::apply(std::vector<MeetingRow> next) {
  const int before = count();
  {
    std::unordered_set<std::string> seen;
    std::erase_if(next, [&](const MeetingRow& row) { return !seen.insert(row.entry.id).second; });
  }
  std::unordered_set<std::string> wanted;
  for (const MeetingRow& row : next) wanted.insert(row.entry.id);

  // Rows that went away, in runs from the end so the indices ahead stay valid.
  for (int i = count() - 1; i >= 0; --i) {
    if (wanted.contains(rows_[i].entry.id)) continue;
    const int last = i;
    while (i > 0 && !wanted.contains(rows_[i - 1].entry.id)) --i;
    beginRemoveRows({}, i, last);
    rows_.erase(rows_.begin() + i, rows_.begin() + last + 1);
    endRemoveRows();
  }

  std::unordered_set<std::string> present;
  for (const MeetingRow& row : rows_) present.insert(row.entry.id);
  for (size_t i = 0; i < next.size(); ++i) {
    const std::string& id = next[i].entry.id;
    if (i < rows_.size() && rows_[i].entry.id == id) {
      if (!(rows_[i] == next[i])) {
        rows_[i] = std::move(next[i]);
        emit dataChanged(index(static_cast<int>(i)), index(static_cast<int>(i)));
      }
      continue;
    }
    if (!present.contains(id)) {
      // A run of new meetings goes in at once.
      size_t end = i + 1;
      while (end < next.size() && !present.contains(next[end].entry.id)) ++end;
      beginInsertRows({}, static_cast<int>(i), static_cast<int>(end - 1));
      rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(i),
                   std::make_move_iterator(next.begin() + static_cast<std::ptrdiff_t>(i)),
                   std::make_move_iterator(next.begin() + static_cast<std::ptrdiff_t>(end)));
      endInsertRows();
      i = end - 1;
      continue;
    }
    // A meeting further down moved up here (its date changed).
    size_t from = i + 1;
    while (rows_[from].entry.id != id) ++from;
    beginMoveRows({}, static_cast<int>(from), static_cast<int>(from), {}, static_cast<int>(i));
    MeetingRow moved = std::move(rows_[from]);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(from));
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(i), std::move(moved));
    endMoveRows();
    if (!(rows_[i] == next[i])) {
      rows_[i] = std::move(next[i]);
      emit dataChanged(index(static_cast<int>(i)), index(static_cast<int>(i)));
    }
  }
  reindex();
  if (count() != before) emit countChanged();
}

void MeetingListModel::reindex() {
  index_.clear();
  index_.reserve(count());
  for (int i = 0; i < count(); ++i) index_.insert(QString::fromStdString(rows_[i].entry.id), i);
}

int MeetingListModel::indexOf(const QString& id) const { return index_.value(id, -1); }

const MeetingRow* MeetingListModel::find(const QString& id) const {
  const int row = indexOf(id);
  return row < 0 ? nullptr : &rows_[row];
}

QString MeetingListModel::badge(core::MeetingEntry::State state) {
  return MeetingState::look(state).text;
}

int MeetingListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant MeetingListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
  const MeetingRow& row = rows_[index.row()];
  const core::MeetingEntry& entry = row.entry;
  switch (role) {
    case IdRole:
      return QString::fromStdString(entry.id);
    case Qt::DisplayRole:
    case TitleRole:
      return QString::fromStdString(entry.title);
    case DayRole:
      return row.day;
    case RecentRole:
      return row.recent;
    case WhenRole:
      return row.when;
    case MinutesRole:
      return static_cast<qlonglong>(entry.minutes().value_or(0));
    case StateRole:
      return MeetingState::of(entry.state);
    case BadgeRole:
      return badge(entry.state);
    case MessageRole:
      return QString::fromStdString(entry.message);
    case BusyRole:
      return entry.isBusy();
    case HasFileRole:
      return entry.meetingFile.has_value();
    case HasAudioRole:
      return row.hasAudio;
    case CanReprocessRole:
      return row.canReprocess();
    default:
      return {};
  }
}

QHash<int, QByteArray> MeetingListModel::roleNames() const {
  return {{IdRole, "meetingId"},
          {TitleRole, "title"},
          {DayRole, "day"},
          {RecentRole, "recent"},
          {WhenRole, "when"},
          {MinutesRole, "minutes"},
          {StateRole, "meetingState"},
          {BadgeRole, "badge"},
          {MessageRole, "message"},
          {BusyRole, "busy"},
          {HasFileRole, "hasFile"},
          {HasAudioRole, "hasAudio"},
          {CanReprocessRole, "canReprocess"}};
}

}  // namespace kelv::app
