#include "view_models/meeting_detail.h"

#include <QFile>
#include <QStringDecoder>

#include <chrono>

#include "desktop/desktop_services.h"
#include "kelv/core/util/duration_text.h"
#include "shell/qt_text.h"
#include "view_models/meeting_list_model.h"

namespace kelv::app {

using State = core::MeetingEntry::State;

MeetingDetail::MeetingDetail(QObject* parent) : QObject(parent), player_(new Player(this)) {
  clockTimer_.setInterval(1000);
  connect(&clockTimer_, &QTimer::timeout, this, &MeetingDetail::tick);
  copiedTimer_.setSingleShot(true);
  copiedTimer_.setInterval(kCopiedMilliseconds);
  connect(&copiedTimer_, &QTimer::timeout, this, [this] { setCopied(false); });
}

void MeetingDetail::show(const MeetingRow* row, bool recordingNow) {
  const bool same = row != nullptr && row_ && row_->entry.id == row->entry.id;
  if (same && *row_ == *row && recordingNow_ == recordingNow) return;
  const bool reload = !same || row_->entry.state != row->entry.state ||
                      row_->entry.meetingFile != row->entry.meetingFile;
  if (!same) {
    // Each meeting's pane starts fresh.
    copiedTimer_.stop();
    setCopied(false);
  }
  // Audio that may change or go under the player: a new title renames the folder, a busy
  // meeting is being recorded or reprocessed.
  const bool replay = !same || row_->entry.title != row->entry.title ||
                      row_->entry.isBusy() != row->entry.isBusy() ||
                      row_->entry.folder != row->entry.folder || row_->hasAudio != row->hasAudio;
  row_ = row ? std::optional<MeetingRow>(*row) : std::nullopt;
  recordingNow_ = row != nullptr && recordingNow;
  if (reload) loadFile();
  if (replay) reloadPlayer();
  if (stateValue() == State::recording) {
    tick();
    if (!clockTimer_.isActive()) clockTimer_.start();
  } else {
    clockTimer_.stop();
  }
  emit changed();
}

std::optional<QString> MeetingDetail::readText(const std::filesystem::path& file) {
  QFile input(QString::fromStdString(file.string()));
  if (!input.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = input.readAll();
  if (input.error() != QFileDevice::NoError) return std::nullopt;
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) return std::nullopt;
  return text;
}

void MeetingDetail::reloadPlayer() {
  if (!row_ || !row_->hasAudio || row_->entry.isBusy()) {
    player_->unload();
    return;
  }
  player_->load(Player::tracksOf(row_->entry));
}

void MeetingDetail::loadFile() {
  std::optional<QString> text;
  if (row_ && row_->entry.meetingFile) text = readText(*row_->entry.meetingFile);
  if (text == file_) return;
  file_ = std::move(text);
  emit fileChanged();
}

QString MeetingDetail::clockText(qint64 seconds) {
  return text(core::DurationText::stopwatch(seconds));
}

void MeetingDetail::tick() {
  if (!row_) return;
  const auto elapsed = std::chrono::system_clock::now() - row_->entry.date;
  const QString text = clockText(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
  if (text == clock_) return;
  clock_ = text;
  emit clockChanged();
}

bool MeetingDetail::copyNotes() {
  if (!row_ || !row_->entry.meetingFile) return false;
  const std::optional<QString> text = readText(*row_->entry.meetingFile);
  if (!text) return false;
  DesktopServices::copy(*text);
  setCopied(true);
  copiedTimer_.start();
  return true;
}

void MeetingDetail::setCopied(bool copied) {
  if (copied_ == copied) return;
  copied_ = copied;
  emit copiedChanged();
}

std::optional<State> MeetingDetail::stateValue() const {
  if (!row_) return std::nullopt;
  return row_->entry.state;
}

QString MeetingDetail::meetingId() const {
  return row_ ? QString::fromStdString(row_->entry.id) : QString();
}
QString MeetingDetail::title() const {
  return row_ ? QString::fromStdString(row_->entry.title) : QString();
}
QString MeetingDetail::date() const { return row_ ? row_->longDate : QString(); }
int MeetingDetail::minutes() const {
  return row_ ? static_cast<int>(row_->entry.minutes().value_or(0)) : 0;
}
MeetingState::Value MeetingDetail::state() const {
  return row_ ? MeetingState::of(row_->entry.state) : MeetingState::Done;
}
bool MeetingDetail::busy() const { return row_ && row_->entry.isBusy(); }
bool MeetingDetail::hasFile() const { return row_ && row_->entry.meetingFile.has_value(); }

QString MeetingDetail::dateLine() const {
  if (!row_) return {};
  const int length = minutes();
  return length > 0 ? row_->longDate + QStringLiteral(" · %1 min").arg(length) : row_->longDate;
}

bool MeetingDetail::banner() const {
  switch (stateValue().value_or(State::done)) {
    case State::processing:
      // Without notes the placeholder says it already.
      return hasFile();
    case State::interrupted:
    case State::needsAttention:
      return true;
    default:
      return false;
  }
}

QString MeetingDetail::bannerDetail() const {
  if (!banner()) return {};
  switch (*stateValue()) {
    case State::processing:
      return QStringLiteral("Estos apuntes se reemplazan cuando termine el procesado.");
    case State::interrupted:
      return QStringLiteral("La grabación terminó sin Detener: puede faltar el final de la clase.");
    case State::needsAttention:
      return QString::fromStdString(row_->entry.message);
    default:
      return {};
  }
}

bool MeetingDetail::bannerRetry() const { return stateValue() == State::needsAttention; }

MeetingDetail::Pane MeetingDetail::paneFor(const MeetingRow* row, bool fileLoaded) {
  if (row == nullptr) return Nothing;
  if (fileLoaded) return Notes;
  switch (row->entry.state) {
    case State::recording:
      return Recording;
    case State::processing:
      return Processing;
    case State::needsAttention:
      return NeedsAttention;
    case State::interrupted:
    case State::done:
      break;
  }
  return Missing;
}

QString MeetingDetail::placeholderTitle() const {
  return pane() == Processing ? MeetingState::look(MeetingState::Processing).text : QString();
}

QString MeetingDetail::placeholderText() const {
  switch (pane()) {
    case Recording:
      return QStringLiteral("Grabando. Los apuntes aparecen aquí cuando detengas.");
    case Processing:
      return QStringLiteral(
          "Transcribiendo micrófono y audio del sistema. Los apuntes aparecen aquí al terminar.");
    case NeedsAttention:
      return QStringLiteral("Aún no hay apuntes. Reintentar retoma donde se paró.");
    case Missing:
      return QStringLiteral("Los apuntes no están en tu carpeta.");
    case Nothing:
    case Notes:
      break;
  }
  return {};
}

bool MeetingDetail::placeholderActive() const {
  return pane() == Recording || pane() == Processing;
}

QString MeetingDetail::copySymbol() const {
  return copied_ ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc");
}

QString MeetingDetail::copyHelp() const {
  return copied_ ? QStringLiteral("Copiado") : QStringLiteral("Copiar los apuntes");
}

}  // namespace kelv::app
