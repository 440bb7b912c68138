// The blocks of one Meeting file as a list model for the Meeting file view: the parser's
// blocks (without the level-1 heading that repeats the title) and, per block, what the view
// shows — the styled text, the short time of a turn and its accessibility label, the speaker's
// shown name and colour. Styled text is made when a delegate asks for it, so a long transcript
// costs only what is on screen. Main thread.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QAbstractListModel>
#include <QQmlParserStatus>
#include <QString>

#include <vector>

#include "kelv/core/library/meeting_file_blocks.h"

namespace kelv::app {

class MeetingFileModel : public QAbstractListModel, public QQmlParserStatus {
  Q_OBJECT
  Q_INTERFACES(QQmlParserStatus)
  QML_ELEMENT

  // The Meeting file's text, or the path of a file to read it from (an unreadable file shows
  // no blocks). The title is the meeting's display title.
  Q_PROPERTY(QString markdown READ markdown WRITE setMarkdown NOTIFY markdownChanged)
  Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)
  Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
  Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

 public:
  enum Role {
    KindRole = Qt::UserRole + 1,
    LevelRole,
    MarkerRole,      // "bullet", "number", "task"
    MarkerTextRole,  // the number with its point
    TickedRole,
    TextRole,        // as written
    StyledTextRole,  // rich text of the inline Markdown
    FieldsRole,
    TimeRole,       // as written, "00:01:05"
    ShortTimeRole,  // "01:05"; a time of an hour or more keeps its hours
    SpeakerRole,
    SpeakerLabelRole,  // "Yo" for You, "Profe" for Them, else the name
    SpeakerToneRole,   // the Theme colour of the label: "accent", "them", "ink2"
    SpeakerColorRole,  // that colour in the current appearance
    ContinuedRole,
    FirstRole,
    SecondsRole,  // a turn's time in seconds from the recording's start; -1 for other blocks
  };

  explicit MeetingFileModel(QObject* parent = nullptr);

  QString markdown() const { return markdown_; }
  void setMarkdown(const QString& markdown);
  QString path() const { return path_; }
  void setPath(const QString& path);
  QString title() const { return title_; }
  void setTitle(const QString& title);

  const std::vector<core::Block>& blocks() const { return blocks_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  // A view made with its text and title reads the file once, when both are in.
  void classBegin() override;
  void componentComplete() override;

  // The row of the turn heard at `seconds`: the last turn whose time is not after it; -1
  // before the first turn or without any.
  Q_INVOKABLE int turnAt(double seconds) const;

  // "00:01:05" → 65; -1 for a text that is no such time.
  static double seconds(const std::string& time);

  // The rules of a turn's time and speaker, shared with the accessibility texts.
  static QString shortTime(const QString& time);
  static QString speakerLabel(const QString& speaker);
  static QString speakerTone(const QString& speaker);

 signals:
  void markdownChanged();
  void pathChanged();
  void titleChanged();
  void countChanged();

 private:
  void rebuild();

  QString markdown_;
  QString path_;
  QString title_;
  std::vector<core::Block> blocks_;
  bool creating_ = false;
};

}  // namespace kelv::app
