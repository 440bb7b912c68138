#include "controllers/class_exports.h"

#include <QProcess>

#include "controllers/processing_child.h"

namespace kelv::app {
namespace {

// "kelv export: message\n" becomes "message"; a child that said nothing gets a general text.
QString messageOf(const QByteArray& standardError, ClassExports::Kind kind) {
  QString text = QString::fromUtf8(standardError).trimmed();
  const qsizetype lastLine = text.lastIndexOf(u'\n');
  if (lastLine >= 0) text = text.mid(lastLine + 1);
  const qsizetype colon = text.indexOf(QStringLiteral(": "));
  if (text.startsWith(QStringLiteral("kelv ")) && colon > 0) text = text.mid(colon + 2);
  if (!text.isEmpty()) return text;
  return kind == ClassExports::Kind::cards
             ? QStringLiteral("No se pudieron crear las tarjetas de estudio.")
             : QStringLiteral("No se pudo exportar la clase.");
}

}  // namespace

ClassExports::ClassExports(std::filesystem::path kelv, std::function<QByteArray()> secrets,
                           QObject* parent)
    : QObject(parent), kelv_(std::move(kelv)), secrets_(std::move(secrets)) {}

bool ClassExports::exportTo(const QString& meetingId, const QString& title, const QString& file) {
  return start(Kind::document, meetingId, title,
               {QStringLiteral("export"), meetingId, QStringLiteral("-o"), file});
}

bool ClassExports::makeCards(const QString& meetingId, const QString& title) {
  return start(Kind::cards, meetingId, title, {QStringLiteral("cards"), meetingId});
}

bool ClassExports::running(Kind kind, const QString& meetingId) const {
  return running_.contains({kind, meetingId});
}

QString ClassExports::makingCardsOf() const {
  if (running_.contains({Kind::cards, latestCards_}))
    return running_.at({Kind::cards, latestCards_});
  for (const auto& [job, title] : running_)
    if (job.first == Kind::cards) return title;
  return {};
}

bool ClassExports::start(Kind kind, const QString& meetingId, const QString& title,
                         const QStringList& arguments) {
  if (running(kind, meetingId)) return false;
  const bool cards = kind == Kind::cards;
  QProcess* child = makeKelvChild(kelv_, arguments, cards, this, /*keepOutput=*/true);
  running_[{kind, meetingId}] = title;
  if (cards) latestCards_ = meetingId;
  const QString file = arguments.size() == 4 ? arguments[3] : QString();
  auto end = [this, child, kind, meetingId, title, file](bool started) {
    Outcome outcome;
    outcome.kind = kind;
    outcome.meetingId = meetingId;
    outcome.title = title;
    if (started && child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0) {
      outcome.succeeded = true;
      const QString printed = QString::fromUtf8(child->readAllStandardOutput()).trimmed();
      outcome.file = kind == Kind::cards ? printed : file;
    } else {
      outcome.message = messageOf(child->readAllStandardError(), kind);
    }
    running_.erase({kind, meetingId});
    child->deleteLater();
    emit changed();
    emit finished(outcome);
  };
  connect(child, &QProcess::finished, this, [end] { end(true); });
  connect(child, &QProcess::errorOccurred, this, [end](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) end(false);
  });
  child->start();
  if (cards && child->state() != QProcess::NotRunning) {
    child->write(secrets_ ? secrets_() : QByteArray("{}"));
    child->closeWriteChannel();
  }
  emit changed();
  return true;
}

}  // namespace kelv::app
