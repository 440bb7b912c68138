#include "view_models/meeting_file_model.h"

#include <QFile>

#include <cstdio>

#include "kelv/core/transcript/speaker_label.h"
#include "shell/qt_text.h"
#include "shell/theme.h"
#include "view_models/inline_markdown.h"

namespace kelv::app {

namespace {

QString markerName(core::Marker::Kind kind) {
  switch (kind) {
    case core::Marker::Kind::number:
      return QStringLiteral("number");
    case core::Marker::Kind::task:
      return QStringLiteral("task");
    case core::Marker::Kind::bullet:
      break;
  }
  return QStringLiteral("bullet");
}

}  // namespace

MeetingFileModel::MeetingFileModel(QObject* parent) : QAbstractListModel(parent) {
  // Links are drawn in the accent colour of the appearance shown.
  connect(&Theme::shared(), &Theme::appearanceChanged, this, [this] {
    if (!blocks_.empty())
      emit dataChanged(index(0), index(static_cast<int>(blocks_.size()) - 1),
                       {StyledTextRole, SpeakerColorRole});
  });
}

void MeetingFileModel::setMarkdown(const QString& markdown) {
  if (markdown == markdown_ && path_.isEmpty()) return;
  markdown_ = markdown;
  if (!path_.isEmpty()) {
    path_.clear();
    emit pathChanged();
  }
  emit markdownChanged();
  rebuild();
}

void MeetingFileModel::setPath(const QString& path) {
  if (path == path_) return;
  path_ = path;
  QFile file(path);
  // An unreadable file shows nothing; the window shows its placeholder instead.
  markdown_ = !path.isEmpty() && file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                                : QString();
  emit pathChanged();
  emit markdownChanged();
  rebuild();
}

void MeetingFileModel::setTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  emit titleChanged();
  rebuild();
}

void MeetingFileModel::classBegin() { creating_ = true; }

void MeetingFileModel::componentComplete() {
  creating_ = false;
  rebuild();
}

void MeetingFileModel::rebuild() {
  if (creating_) return;
  const int before = static_cast<int>(blocks_.size());
  beginResetModel();
  const QByteArray utf8 = markdown_.toUtf8();
  const QByteArray title = title_.toUtf8();
  blocks_ = core::MeetingFileBlocks::forTitle(std::string_view(utf8.constData(), utf8.size()),
                                              std::string_view(title.constData(), title.size()));
  endResetModel();
  if (static_cast<int>(blocks_.size()) != before) emit countChanged();
}

int MeetingFileModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(blocks_.size());
}

QVariant MeetingFileModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(blocks_.size())) return {};
  const core::Block& block = blocks_[static_cast<size_t>(index.row())];
  switch (role) {
    case KindRole:
      return text(std::string(core::MeetingFileBlocks::kindName(block.kind)));
    case LevelRole:
      return block.level;
    case MarkerRole:
      return markerName(block.marker.kind);
    case MarkerTextRole:
      return text(block.marker.number);
    case TickedRole:
      return block.marker.ticked;
    case Qt::DisplayRole:
    case TextRole:
      return text(block.text);
    case StyledTextRole: {
      if (block.kind == core::Block::Kind::code) return text(InlineMarkdown::plain(block.text));
      const QByteArray link = Theme::shared().accent().name().toLatin1();
      return text(
          InlineMarkdown::html(block.text, std::string_view(link.constData(), link.size())));
    }
    case FieldsRole: {
      QStringList fields;
      for (const std::string& field : block.fields) fields << text(field);
      return fields;
    }
    case TimeRole:
      return text(block.time);
    case ShortTimeRole:
      return shortTime(text(block.time));
    case SpeakerRole:
      return block.speaker ? text(*block.speaker) : QString();
    case SpeakerLabelRole:
      return block.speaker ? speakerLabel(text(*block.speaker)) : QString();
    case SpeakerToneRole:
      return block.speaker ? speakerTone(text(*block.speaker)) : QString();
    case SpeakerColorRole: {
      // The tone names one of the Theme's colour properties.
      const QString tone = speakerTone(block.speaker ? text(*block.speaker) : QString());
      return Theme::shared().property(tone.toLatin1().constData()).value<QColor>();
    }
    case ContinuedRole:
      return block.continued;
    case FirstRole:
      return index.row() == 0;
    case SecondsRole:
      return block.kind == core::Block::Kind::turn ? seconds(block.time) : -1.0;
    default:
      return {};
  }
}

QHash<int, QByteArray> MeetingFileModel::roleNames() const {
  return {
      {KindRole, "kind"},
      {LevelRole, "level"},
      {MarkerRole, "marker"},
      {MarkerTextRole, "markerText"},
      {TickedRole, "ticked"},
      {TextRole, "text"},
      {StyledTextRole, "styledText"},
      {FieldsRole, "fields"},
      {TimeRole, "time"},
      {ShortTimeRole, "shortTime"},
      {SpeakerRole, "speaker"},
      {SpeakerLabelRole, "speakerLabel"},
      {SpeakerToneRole, "speakerTone"},
      {SpeakerColorRole, "speakerColor"},
      {ContinuedRole, "continued"},
      {FirstRole, "first"},
      {SecondsRole, "seconds"},
  };
}

int MeetingFileModel::turnAt(double at) const {
  int found = -1;
  for (size_t row = 0; row < blocks_.size(); ++row) {
    if (blocks_[row].kind != core::Block::Kind::turn) continue;
    const double start = seconds(blocks_[row].time);
    if (start < 0) continue;
    // The transcript lists turns in order of their start.
    if (start > at) break;
    found = static_cast<int>(row);
  }
  return found;
}

double MeetingFileModel::seconds(const std::string& time) {
  int hours = 0, minutes = 0, secs = 0;
  char end = 0;
  if (std::sscanf(time.c_str(), "%d:%d:%d%c", &hours, &minutes, &secs, &end) != 3) return -1;
  return hours * 3600.0 + minutes * 60.0 + secs;
}

QString MeetingFileModel::shortTime(const QString& time) {
  return time.startsWith(QLatin1String("00:")) ? time.mid(3) : time;
}

QString MeetingFileModel::speakerLabel(const QString& speaker) {
  const QByteArray utf8 = speaker.toUtf8();
  return text(core::speakerLabel(std::string_view(utf8.constData(), utf8.size())));
}

QString MeetingFileModel::speakerTone(const QString& speaker) {
  if (speaker == QLatin1String("You")) return QStringLiteral("accent");
  if (speaker == QLatin1String("Them")) return QStringLiteral("them");
  return QStringLiteral("ink2");
}

}  // namespace kelv::app
