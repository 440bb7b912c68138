// The results of the meetings window's search field: the hits of the search index grouped by
// class (each class's title and date, then its hits, the classes in the order of their best
// hit), and the hit the keyboard is on. The index is brought up to date from the meetings
// list after each of its reads, and searched, on a worker thread of its own: the interface
// never waits on the disk, and an answer for text typed since is dropped. Main thread.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QAbstractListModel>
#include <QString>
#include <QThreadPool>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_entry.h"
#include "shell/main_thread.h"

namespace kelv::app {

// One line of the results: a class's heading or one of its hits.
struct SearchRow {
  bool heading = false;
  QString meetingId;
  QString title;    // the class's
  QString date;     // "14 mar, 9:15"
  QString kind;     // a hit's: "title", "notes", "turn"
  QString snippet;  // rich text, the matched words marked
  QString plain;    // the same without marks, for screen readers
  QString time;     // a turn's short time, "01:05"
  QString speaker;  // a turn's speaker as the Meeting file view names it
  double seconds = -1;
  int block = -1;  // the hit's row in the Meeting file view; -1 for the title
};

class SearchResultsModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Owned by the meetings window.")

  Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
  // The field holds words: the results stand in for the day list.
  Q_PROPERTY(bool active READ active NOTIFY queryChanged)
  // The answer for the current text is in and holds no hit: "Sin resultados".
  Q_PROPERTY(bool empty READ empty NOTIFY answeredChanged)
  Q_PROPERTY(int count READ rowCount NOTIFY answeredChanged)
  Q_PROPERTY(int hitCount READ hitCount NOTIFY answeredChanged)
  Q_PROPERTY(int classCount READ classCount NOTIFY answeredChanged)
  // A long update of the index is under way (a first one reads every class): how far it is,
  // "Preparando la búsqueda: 400 de 2000 clases". Searches wait for it.
  Q_PROPERTY(bool indexing READ indexing NOTIFY indexingChanged)
  Q_PROPERTY(QString indexingLine READ indexingLine NOTIFY indexingChanged)
  Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)

 public:
  enum Role {
    HeadingRole = Qt::UserRole + 1,
    MeetingIdRole,
    TitleRole,
    DateRole,
    KindRole,
    SnippetRole,
    PlainRole,
    TimeRole,
    SpeakerRole,
    SecondsRole,
    BlockRole,
  };

  static constexpr int kLimit = 200;

  // Finds nothing until it is given an index.
  explicit SearchResultsModel(QObject* parent = nullptr);
  ~SearchResultsModel() override;

  // The index file, opened on the worker, and the locale and time zone of the dates (empty:
  // the user's).
  void useIndex(std::filesystem::path indexFile, std::string locale, std::string timeZone);

  QString query() const { return query_; }
  void setQuery(const QString& query);
  bool active() const { return !query_.trimmed().isEmpty(); }
  bool empty() const { return active() && answered_ && hitCount() == 0; }
  int hitCount() const;
  int classCount() const;
  bool indexing() const { return indexTotal_ > 0; }
  QString indexingLine() const;
  int currentIndex() const { return current_; }
  void setCurrentIndex(int row);
  const std::vector<SearchRow>& rows() const { return rows_; }
  // The answer for the current text is in.
  bool answered() const { return answered_; }

  // The meetings as just listed: the index follows them, then the current text is searched
  // again.
  void libraryRead(std::vector<core::MeetingEntry> entries);

  // Up (-1) and Down (+1) over the hits, headings skipped; false at either end.
  Q_INVOKABLE bool moveCurrent(int step);
  // Return or a click: the hit at `row` is chosen.
  Q_INVOKABLE void choose(int row);
  Q_INVOKABLE void chooseCurrent();
  // A turn hit's time was pressed: chosen, and played from there.
  Q_INVOKABLE void play(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void queryChanged();
  void answeredChanged();
  void currentIndexChanged();
  void indexingChanged();
  // The user chose a hit: the class to select, the Meeting file row to show (-1: its top),
  // and the moment to play from (-1: nothing plays).
  void chosen(const QString& meetingId, int block, double playFrom);

 private:
  struct Worker;
  void search();
  void arrived(int generation, std::vector<SearchRow> rows);
  void indexed(int done, int total);

  std::shared_ptr<Worker> worker_;
  QThreadPool pool_;
  QString query_;
  std::vector<SearchRow> rows_;
  bool answered_ = false;
  int current_ = -1;
  int generation_ = 0;
  int indexDone_ = 0;
  int indexTotal_ = 0;  // 0: no long update under way
  MainThreadGuard<SearchResultsModel> guard_{this};
};

}  // namespace kelv::app
