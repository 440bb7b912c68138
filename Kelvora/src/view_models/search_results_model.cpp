#include "view_models/search_results_model.h"

#include <atomic>
#include <exception>
#include <optional>
#include <unordered_map>
#include <utility>

#include "kelv/core/search/search_index.h"
#include "view_models/day_formats.h"
#include "view_models/meeting_file_model.h"

namespace kelv::app {

// What the worker keeps between tasks: the index's connection and the date formats, both
// made on first use there and used only there (the pool runs one task at a time).
struct SearchResultsModel::Worker {
  std::filesystem::path file;
  std::string locale, timeZone;
  std::unique_ptr<core::SearchIndex> index;
  std::unique_ptr<DayFormats> formats;
  // The newest search asked for: older ones still waiting are skipped, so a burst of
  // keystrokes costs one search, not one per key.
  std::atomic<int> latest = 0;

  core::SearchIndex* opened() {
    if (file.empty()) return nullptr;
    if (!index) {
      try {
        index = std::make_unique<core::SearchIndex>(file);
      } catch (const std::exception&) {
        // No index (a full disk, a folder that can't be made): no hits, and another try
        // at the next task.
        return nullptr;
      }
    }
    return index.get();
  }

  std::vector<SearchRow> rowsFor(const std::string& text) {
    core::SearchIndex* searched = opened();
    if (searched == nullptr) return {};
    std::vector<core::SearchHit> hits;
    try {
      hits = searched->search(text, kLimit);
    } catch (const std::exception&) {
      index.reset();
      return {};
    }
    if (!formats) formats = std::make_unique<DayFormats>(locale, timeZone);
    // The classes in the order of their best hit, each with its hits in rank order.
    std::vector<std::vector<const core::SearchHit*>> groups;
    std::unordered_map<std::string, size_t> groupOf;
    for (const core::SearchHit& hit : hits) {
      const auto [at, added] = groupOf.try_emplace(hit.meeting, groups.size());
      if (added) groups.emplace_back();
      groups[at->second].push_back(&hit);
    }
    std::vector<SearchRow> rows;
    for (const auto& group : groups) {
      const core::SearchHit& first = *group.front();
      SearchRow heading;
      heading.heading = true;
      heading.meetingId = QString::fromStdString(first.meeting);
      heading.title = QString::fromStdString(first.title);
      heading.date = formats->dayMonthTime(first.date);
      rows.push_back(heading);
      for (const core::SearchHit* hit : group) {
        SearchRow row = heading;
        row.heading = false;
        row.kind = QString::fromUtf8(core::toString(hit->kind).data(),
                                     static_cast<qsizetype>(core::toString(hit->kind).size()));
        // Escaped piece by piece, so the marks are the only markup.
        const auto escaped = [&](size_t from, size_t to) {
          return QString::fromUtf8(hit->snippet.data() + from, static_cast<qsizetype>(to - from))
              .toHtmlEscaped();
        };
        QString styled;
        size_t at = 0;
        for (const core::SearchHit::Mark& mark : hit->marks) {
          if (mark.begin < at || mark.end > hit->snippet.size()) continue;
          styled += escaped(at, mark.begin) + QStringLiteral("<b>") +
                    escaped(mark.begin, mark.end) + QStringLiteral("</b>");
          at = mark.end;
        }
        row.snippet = styled + escaped(at, hit->snippet.size());
        row.plain = QString::fromStdString(hit->snippet);
        if (hit->time) {
          row.seconds = *hit->time;
          const auto whole = static_cast<long long>(*hit->time);
          row.time = MeetingFileModel::shortTime(
              QString::asprintf("%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60));
        }
        if (hit->speaker)
          row.speaker = MeetingFileModel::speakerLabel(QString::fromStdString(*hit->speaker));
        row.block = hit->block.value_or(-1);
        rows.push_back(std::move(row));
      }
    }
    return rows;
  }
};

SearchResultsModel::SearchResultsModel(QObject* parent)
    : QAbstractListModel(parent), worker_(std::make_shared<Worker>()) {
  // One task at a time, in the order given: an update, then the searches after it.
  pool_.setMaxThreadCount(1);
  // And always on the same thread, which the connection and the formats were made on.
  pool_.setExpiryTimeout(-1);
}

SearchResultsModel::~SearchResultsModel() {
  // Tasks post to this object; they must be done before it goes.
  pool_.clear();
  pool_.waitForDone();
}

void SearchResultsModel::useIndex(std::filesystem::path indexFile, std::string locale,
                                  std::string timeZone) {
  pool_.start([worker = worker_, file = std::move(indexFile), locale = std::move(locale),
               timeZone = std::move(timeZone)]() mutable {
    worker->index.reset();
    worker->formats.reset();
    worker->file = std::move(file);
    worker->locale = std::move(locale);
    worker->timeZone = std::move(timeZone);
  });
  if (active()) search();
}

int SearchResultsModel::hitCount() const {
  int count = 0;
  for (const SearchRow& row : rows_) count += row.heading ? 0 : 1;
  return count;
}

int SearchResultsModel::classCount() const {
  int count = 0;
  for (const SearchRow& row : rows_) count += row.heading ? 1 : 0;
  return count;
}

QString SearchResultsModel::indexingLine() const {
  if (!indexing()) return {};
  return QStringLiteral("Preparando la búsqueda: %1 de %2 clases")
      .arg(QString::number(indexDone_), QString::number(indexTotal_));
}

void SearchResultsModel::indexed(int done, int total) {
  indexDone_ = done;
  indexTotal_ = total;
  emit indexingChanged();
}

void SearchResultsModel::setQuery(const QString& query) {
  if (query == query_) return;
  const bool wasActive = active();
  query_ = query;
  emit queryChanged();
  if (!active()) {
    ++generation_;
    arrived(generation_, {});
    answered_ = false;
    emit answeredChanged();
    return;
  }
  if (!wasActive) {
    answered_ = false;
    emit answeredChanged();
  }
  search();
}

void SearchResultsModel::libraryRead(std::vector<core::MeetingEntry> entries) {
  pool_.start([worker = worker_, post = guard_.poster(), entries = std::move(entries)] {
    if (core::SearchIndex* index = worker->opened()) {
      // At each whole percent, so that a semester's first update posts a hundred times, not
      // one per class.
      int shownPercent = -1;
      bool shown = false;
      const auto progress = [&](int done, int total) {
        if (total < core::SearchIndex::kFilesWorthProgress) return;
        const int percent = done * 100 / total;
        if (percent == shownPercent) return;
        shownPercent = percent;
        shown = true;
        post([done, total](SearchResultsModel& model) { model.indexed(done, total); });
      };
      try {
        index->update(entries, progress);
      } catch (const std::exception&) {
        // Made anew at the next read: the files hold everything it had.
        worker->index.reset();
      }
      if (shown) post([](SearchResultsModel& model) { model.indexed(0, 0); });
    }
  });
  if (active()) search();
}

void SearchResultsModel::search() {
  const int generation = ++generation_;
  worker_->latest = generation;
  pool_.start([worker = worker_, post = guard_.poster(), text = query_.toStdString(), generation] {
    if (generation != worker->latest) return;
    std::vector<SearchRow> rows = worker->rowsFor(text);
    post([generation, rows = std::move(rows)](SearchResultsModel& model) mutable {
      model.arrived(generation, std::move(rows));
    });
  });
}

void SearchResultsModel::arrived(int generation, std::vector<SearchRow> rows) {
  if (generation != generation_) return;
  // The hit the keyboard was on stays chosen when it is still there.
  std::optional<std::pair<QString, int>> kept;
  if (current_ >= 0 && current_ < static_cast<int>(rows_.size()))
    kept = std::pair{rows_[current_].meetingId, rows_[current_].block};
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
  int current = -1;
  for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
    if (rows_[row].heading) continue;
    if (current < 0) current = row;
    if (kept && rows_[row].meetingId == kept->first && rows_[row].block == kept->second) {
      current = row;
      break;
    }
  }
  current_ = current;
  emit currentIndexChanged();
  answered_ = true;
  emit answeredChanged();
}

void SearchResultsModel::setCurrentIndex(int row) {
  if (row < 0 || row >= rowCount() || rows_[row].heading || row == current_) return;
  current_ = row;
  emit currentIndexChanged();
}

bool SearchResultsModel::moveCurrent(int step) {
  for (int row = current_ + step; row >= 0 && row < rowCount(); row += step) {
    if (rows_[row].heading) continue;
    setCurrentIndex(row);
    return true;
  }
  return false;
}

void SearchResultsModel::choose(int row) {
  if (row < 0 || row >= rowCount() || rows_[row].heading) return;
  setCurrentIndex(row);
  emit chosen(rows_[row].meetingId, rows_[row].block, -1);
}

void SearchResultsModel::chooseCurrent() { choose(current_); }

void SearchResultsModel::play(int row) {
  if (row < 0 || row >= rowCount() || rows_[row].heading) return;
  setCurrentIndex(row);
  emit chosen(rows_[row].meetingId, rows_[row].block, rows_[row].seconds);
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const SearchRow& row = rows_[index.row()];
  switch (role) {
    case HeadingRole:
      return row.heading;
    case MeetingIdRole:
      return row.meetingId;
    case TitleRole:
      return row.title;
    case DateRole:
      return row.date;
    case KindRole:
      return row.kind;
    case SnippetRole:
      return row.snippet;
    case PlainRole:
      return row.plain;
    case TimeRole:
      return row.time;
    case SpeakerRole:
      return row.speaker;
    case SecondsRole:
      return row.seconds;
    case BlockRole:
      return row.block;
  }
  return {};
}

QHash<int, QByteArray> SearchResultsModel::roleNames() const {
  return {{HeadingRole, "heading"}, {MeetingIdRole, "meetingId"}, {TitleRole, "title"},
          {DateRole, "date"},       {KindRole, "kind"},           {SnippetRole, "snippet"},
          {PlainRole, "plain"},     {TimeRole, "time"},           {SpeakerRole, "speaker"},
          {SecondsRole, "seconds"}, {BlockRole, "block"}};
}

}  // namespace kelv::app
