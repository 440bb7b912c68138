// The meetings window's exports and study cards, each run as a `kelv` child (`kelv export ID
// -o FILE`, `kelv cards ID`) so typesetting a long class or waiting for the language model
// never holds up the interface. Study cards get the API keys on standard input like
// processing does. One job per meeting and kind at a time; a second request while one runs is
// ignored. Main thread only.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <utility>

namespace kelv::app {

class ClassExports : public QObject {
  Q_OBJECT

 public:
  enum class Kind { document, cards };

  struct Outcome {
    Kind kind = Kind::document;
    QString meetingId;
    QString title;
    bool succeeded = false;
    QString file;     // succeeded: the file written
    QString message;  // failed: what went wrong, in the user's words
  };

  // `secrets` gives the secrets document for a cards child when it starts.
  ClassExports(std::filesystem::path kelv, std::function<QByteArray()> secrets,
               QObject* parent = nullptr);

  // False when one of this kind already runs for the meeting.
  bool exportTo(const QString& meetingId, const QString& title, const QString& file);
  bool makeCards(const QString& meetingId, const QString& title);

  bool running(Kind kind, const QString& meetingId) const;
  // The title of a class whose cards are being made, the most recent first; empty when none.
  QString makingCardsOf() const;

 signals:
  // A job started or ended.
  void changed();
  void finished(const kelv::app::ClassExports::Outcome& outcome);

 private:
  bool start(Kind kind, const QString& meetingId, const QString& title,
             const QStringList& arguments);

  std::filesystem::path kelv_;
  std::function<QByteArray()> secrets_;
  std::map<std::pair<Kind, QString>, QString> running_;  // to the title
  QString latestCards_;
};

}  // namespace kelv::app
