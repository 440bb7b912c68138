#include "view_models/meetings_window_model.h"

#include <QTimer>

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "controllers/app_model.h"
#include "controllers/class_exports.h"
#include "controllers/processing_child.h"
#include "desktop/desktop_services.h"
#include "desktop/hotkey.h"
#include "desktop/notifier.h"
#include "kelv/core/export/export_format.h"
#include "kelv/core/search/search_index.h"

namespace kelv::app {

MeetingsWindowModel::MeetingsWindowModel(QObject* parent)
    : QObject(parent), detail_(new MeetingDetail(this)), search_(new SearchResultsModel(this)) {
  connect(search_, &SearchResultsModel::chosen, this, &MeetingsWindowModel::showFound);
  connect(detail_, &MeetingDetail::changed, this, &MeetingsWindowModel::reconsiderShown);
  connect(detail_->player(), &Player::stateChanged, this, &MeetingsWindowModel::playPending);
  connect(detail_, &MeetingDetail::changed, this, &MeetingsWindowModel::playPending);
  connect(this, &MeetingsWindowModel::renamingChanged, this, &MeetingsWindowModel::reconsiderShown);
}

MeetingsWindowModel::MeetingsWindowModel(AppModel& app, Options options, QObject* parent)
    : MeetingsWindowModel(parent) {
  attach(app, std::move(options));
}

MeetingsWindowModel::~MeetingsWindowModel() = default;

void MeetingsWindowModel::setAppModel(AppModel* app) {
  if (app == nullptr || app_) return;
  attach(*app, {});
}

AppModel* MeetingsWindowModel::appModel() const { return app_.data(); }

void MeetingsWindowModel::attach(AppModel& app, Options options) {
  app_ = &app;
  search_->useIndex(core::SearchIndex::pathFor(app.store().root()), options.locale,
                    options.timeZone);
  list_ = std::make_unique<MeetingListModel>(
      MeetingListModel::Source{app.store(), app.settings(), std::move(options.now),
                               std::move(options.locale), std::move(options.timeZone)});
  connect(list_.get(), &MeetingListModel::refreshed, this, &MeetingsWindowModel::refreshed);
  // Rows that change under the selection (a new state, a new title) reach the detail pane.
  connect(list_.get(), &QAbstractItemModel::dataChanged, this, &MeetingsWindowModel::showDetail);
  connect(list_.get(), &QAbstractItemModel::rowsInserted, this, [this] {
    showDetail();
    emit selectionChanged();
  });
  connect(list_.get(), &QAbstractItemModel::rowsRemoved, this, [this] {
    showDetail();
    emit selectionChanged();
  });
  connect(list_.get(), &QAbstractItemModel::rowsMoved, this, [this] { emit selectionChanged(); });
  connect(list_.get(), &MeetingListModel::loadedChanged, this,
          &MeetingsWindowModel::reconsiderShown);
  connect(list_.get(), &MeetingListModel::countChanged, this,
          &MeetingsWindowModel::reconsiderShown);

  // Whatever the application model announces may change the list; it is read once the change
  // is complete, on the next turn of the event loop.
  for (auto signal :
       {&AppModel::recorderChanged, &AppModel::queueChanged, &AppModel::processingIDChanged})
    connect(&app, signal, this, &MeetingsWindowModel::refreshSoon);
  connect(&app, &AppModel::recorderChanged, this, &MeetingsWindowModel::recordingChanged);
  connect(&app, &AppModel::selectionChanged, this, [this] {
    emit selectionChanged();
    showDetail();
    // A meeting selected from elsewhere (a notification, an import) may not be listed yet.
    if (!selection().isEmpty() && list_->indexOf(selection()) < 0) refreshSoon();
  });
  exports_ = new ClassExports(
      app.kelvPath(),
      [app = QPointer<AppModel>(&app)] {
        return app ? passedSecrets(app->settings()) : QByteArray("{}");
      },
      this);
  connect(exports_, &ClassExports::changed, this, &MeetingsWindowModel::makingCardsChanged);
  connect(exports_, &ClassExports::finished, this, [this](const ClassExports::Outcome& outcome) {
    exported(outcome.meetingId, outcome.kind == ClassExports::Kind::cards, outcome.succeeded,
             outcome.title, outcome.file, outcome.message);
  });
  readHotkey();
  // The first read starts now, on the worker, while the view is still being built: the rows
  // are there by the first frames instead of after them.
  list_->refresh();
  emit attached();
  emit recordingChanged();
}

MeetingsWindowModel::Content MeetingsWindowModel::contentFor(bool loaded, int count,
                                                             bool selected) {
  if (!loaded) return Loading;
  if (count == 0) return Empty;
  return selected ? Meeting : Unselected;
}

MeetingsWindowModel::Content MeetingsWindowModel::content() const {
  return contentFor(list_ && list_->loaded(), list_ ? list_->count() : 0, detail_->present());
}

bool MeetingsWindowModel::renamingShown() const {
  return !renaming_.isEmpty() && renaming_ == detail_->meetingId();
}

void MeetingsWindowModel::reconsiderShown() {
  if (const Content now = content(); now != content_) {
    content_ = now;
    emit contentChanged();
  }
  if (const bool now = renamingShown(); now != renamingShown_) {
    renamingShown_ = now;
    emit renamingShownChanged();
  }
}

QString MeetingsWindowModel::selection() const { return app_ ? app_->selectionValue() : QString(); }

int MeetingsWindowModel::selectedIndex() const { return list_ ? list_->indexOf(selection()) : -1; }

QString MeetingsWindowModel::deleting() const {
  return deleting_ ? QString::fromStdString(deleting_->id) : QString();
}

bool MeetingsWindowModel::recording() const { return app_ && app_->isRecording(); }

void MeetingsWindowModel::setDropping(bool dropping) {
  if (dropping_ == dropping) return;
  dropping_ = dropping;
  emit droppingChanged();
}

const MeetingRow* MeetingsWindowModel::row(const QString& id) const {
  return list_ ? list_->find(id) : nullptr;
}

void MeetingsWindowModel::refresh() {
  if (!list_) return;
  readHotkey();
  list_->refresh();
}

void MeetingsWindowModel::windowShown() {
  if (list_ && !list_->loaded() && list_->refreshing()) return;
  refresh();
}

void MeetingsWindowModel::refreshSoon() {
  if (refreshQueued_) return;
  refreshQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshQueued_ = false;
    refresh();
  });
}

void MeetingsWindowModel::refreshed(bool settled) {
  // An older read must not undo a selection made since (an import selects its new meeting
  // before any read can list it): only the last read of a burst decides.
  if (settled && app_ && list_->indexOf(selection()) < 0) {
    const auto& rows = list_->rows();
    app_->select(rows.empty()
                     ? std::nullopt
                     : std::optional<QString>(QString::fromStdString(rows.front().entry.id)));
  }
  if (!renaming_.isEmpty() && !row(renaming_)) setRenaming({});
  showDetail();
  emit selectionChanged();
  // The index follows every read of the list: processing, renames, deletes and imports all
  // end in one.
  if (settled) {
    std::vector<core::MeetingEntry> entries;
    entries.reserve(list_->rows().size());
    for (const MeetingRow& listed : list_->rows()) entries.push_back(listed.entry);
    search_->libraryRead(std::move(entries));
  }
}

void MeetingsWindowModel::showFound(const QString& id, int block, double playFrom) {
  if (!row(id)) return;
  select(id);
  foundMeeting_ = id;
  foundBlock_ = block;
  emit foundChanged();
  pendingPlay_.reset();
  // The detail may show the class a moment later; the time plays once its player is ready
  // (never for a class without audio, whose player stays hidden).
  if (playFrom >= 0) pendingPlay_ = playFrom;
  playPending();
}

void MeetingsWindowModel::playPending() {
  if (!pendingPlay_ || detail_->meetingId() != foundMeeting_) return;
  Player* player = detail_->player();
  if (player->state() != Player::Ready && player->state() != Player::Playing) return;
  const double seconds = *pendingPlay_;
  pendingPlay_.reset();
  player->playFrom(seconds);
}

void MeetingsWindowModel::showDetail() {
  if (!list_) return;
  const MeetingRow* selected = row(selection());
  bool recordingThis = false;
  if (selected && app_ && app_->recorder())
    recordingThis = app_->recorder()->folder().id() == selected->entry.id;
  detail_->show(selected, recordingThis);
}

void MeetingsWindowModel::select(const QString& id) {
  if (!app_) return;
  if (!renaming_.isEmpty() && renaming_ != id) setRenaming({});
  app_->select(id);
}

bool MeetingsWindowModel::moveSelection(int step) {
  const int current = selectedIndex();
  if (current < 0) return false;
  const int next = current + step;
  if (next < 0 || next >= list_->count()) return false;
  select(QString::fromStdString(list_->rows()[next].entry.id));
  return true;
}

void MeetingsWindowModel::setRenaming(const QString& id) {
  if (renaming_ == id) return;
  renaming_ = id;
  emit renamingChanged();
}

void MeetingsWindowModel::beginRename(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting || meeting->entry.isBusy()) return;
  select(id);
  setRenaming(id);
}

bool MeetingsWindowModel::renameSelected() {
  if (!row(selection())) return false;
  beginRename(selection());
  return true;
}

void MeetingsWindowModel::rename(const QString& id, const QVariant& title) {
  if (renaming_ == id) setRenaming({});
  const MeetingRow* meeting = row(id);
  if (meeting && title.isValid() && !title.isNull()) {
    const std::string text = title.toString().toStdString();
    if (text != meeting->entry.title) {
      try {
        app_->store().rename(meeting->entry, text);
      } catch (const std::exception& error) {
        setProblem(QString::fromUtf8(error.what()));
      }
    }
  }
  refresh();
}

void MeetingsWindowModel::askDelete(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting || meeting->entry.isBusy()) return;
  deleting_ = meeting->entry;
  emit deletingChanged();
}

bool MeetingsWindowModel::deleteSelected() {
  const MeetingRow* meeting = row(selection());
  if (!meeting || meeting->entry.isBusy()) return false;
  askDelete(selection());
  return true;
}

void MeetingsWindowModel::confirmDelete() {
  if (!deleting_) return;
  const core::MeetingEntry entry = std::move(*deleting_);
  deleting_.reset();
  emit deletingChanged();
  try {
    app_->store().remove(entry);
  } catch (const std::exception& error) {
    setProblem(QString::fromUtf8(error.what()));
  }
  refresh();
}

void MeetingsWindowModel::cancelDelete() {
  if (!deleting_) return;
  deleting_.reset();
  emit deletingChanged();
}

void MeetingsWindowModel::setProblem(const QString& text) {
  if (problem_ == text) return;
  problem_ = text;
  emit problemChanged();
}

void MeetingsWindowModel::dismissProblem() { setProblem({}); }

void MeetingsWindowModel::retry(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting || !meeting->entry.folder) return;
  // The queue resumes the meeting from its last finished step.
  const core::MeetingFolder folder = *meeting->entry.folder;
  QTimer::singleShot(0, app_.data(), [app = app_, folder] {
    if (app) app->enqueue(folder);
  });
  refresh();
}

void MeetingsWindowModel::reprocess(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting) return;
  try {
    app_->reprocess(meeting->entry);
  } catch (const std::exception& error) {
    setProblem(QString::fromUtf8(error.what()));
  }
  refresh();
}

bool MeetingsWindowModel::copyNotes(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting || !meeting->entry.meetingFile) return false;
  if (detail_->meetingId() == id) return detail_->copyNotes();
  const std::optional<QString> text = MeetingDetail::readText(*meeting->entry.meetingFile);
  if (!text) return false;
  DesktopServices::copy(*text);
  return true;
}

void MeetingsWindowModel::openInEditor(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (meeting && meeting->entry.meetingFile) DesktopServices::open(*meeting->entry.meetingFile);
  refresh();
}

void MeetingsWindowModel::reveal(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (meeting && meeting->entry.meetingFile) DesktopServices::reveal({*meeting->entry.meetingFile});
  refresh();
}

void MeetingsWindowModel::revealAudio(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (meeting) DesktopServices::reveal(meeting->entry.audioFiles());
  refresh();
}

namespace {

constexpr core::ExportFormat kExportFormats[] = {core::ExportFormat::pdf, core::ExportFormat::srt,
                                                 core::ExportFormat::vtt, core::ExportFormat::txt};

QString fileName(const QString& path) {
  return QString::fromStdString(std::filesystem::path(path.toStdString()).filename().string());
}

}  // namespace

bool MeetingsWindowModel::exportMeeting(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting || !meeting->entry.meetingFile || !exports_) return false;
  const std::filesystem::path source = *meeting->entry.meetingFile;
  const QString title = QString::fromStdString(meeting->entry.title);
  DesktopServices::SaveQuestion question{
      QStringLiteral("Exportar «") + title + QStringLiteral("»"),
      source.parent_path() / (source.stem().string() + ".pdf"),
      {QStringLiteral("Documento PDF (*.pdf)"), QStringLiteral("Subtítulos SubRip (*.srt)"),
       QStringLiteral("Subtítulos WebVTT (*.vtt)"), QStringLiteral("Texto sin formato (*.txt)")}};
  const std::optional<DesktopServices::SaveAnswer> answer =
      DesktopServices::chooseSaveFile(question);
  if (!answer) return false;
  std::filesystem::path file = answer->file;
  // A name typed without its extension takes the type chosen in the dialog.
  if (!core::exportFormatOf(file)) {
    const int type = std::clamp(answer->type, 0, static_cast<int>(std::size(kExportFormats)) - 1);
    file += "." + std::string(core::exportFormatName(kExportFormats[type]));
  }
  return exports_->exportTo(id, title, QString::fromStdString(file.string()));
}

bool MeetingsWindowModel::makeCards(const QString& id) {
  const MeetingRow* meeting = row(id);
  if (!meeting || !meeting->entry.meetingFile || !exports_) return false;
  return exports_->makeCards(id, QString::fromStdString(meeting->entry.title));
}

bool MeetingsWindowModel::makesCards(const QString& id) const {
  return exports_ && exports_->running(ClassExports::Kind::cards, id);
}

QString MeetingsWindowModel::makingCards() const {
  const QString title = exports_ ? exports_->makingCardsOf() : QString();
  return title.isEmpty()
             ? QString()
             : QStringLiteral("Creando tarjetas de estudio de «") + title + QStringLiteral("»…");
}

void MeetingsWindowModel::exported(const QString& meetingId, bool cards, bool succeeded,
                                   const QString& title, const QString& file,
                                   const QString& message) {
  if (!succeeded) {
    setProblem(message);
    return;
  }
  if (cards) {
    Notifier::postFile(QStringLiteral("Tarjetas de estudio listas"),
                       QStringLiteral("Las tarjetas de «") + title + QStringLiteral("» están en ") +
                           fileName(file) +
                           QStringLiteral(". Impórtalas en Anki con Archivo ▸ Importar."),
                       file.toStdString(), meetingId);
  } else {
    Notifier::postFile(QStringLiteral("Clase exportada"),
                       QStringLiteral("«") + title + QStringLiteral("» está en ") + fileName(file) +
                           QStringLiteral("."),
                       file.toStdString(), meetingId);
  }
}

bool MeetingsWindowModel::importDropped(const QList<QUrl>& urls) {
  if (!app_) return false;
  std::vector<std::filesystem::path> files;
  for (const QUrl& url : urls)
    if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
  bool accepted = true;
  try {
    app_->importAudio(files);
  } catch (const std::exception& error) {
    setProblem(QString::fromUtf8(error.what()));
    accepted = false;
  }
  setDropping(false);
  refresh();
  return accepted;
}

void MeetingsWindowModel::startRecording() {
  if (app_) app_->start();
}

void MeetingsWindowModel::stopRecording() {
  if (!app_) return;
  QTimer::singleShot(0, app_.data(), [app = app_] {
    if (app) app->stop();
  });
}

void MeetingsWindowModel::readHotkey() {
  QString label;
  if (app_)
    if (const auto saved = Hotkey::saved(app_->settings().defaults())) label = saved->label();
  if (label == hotkey_) return;
  hotkey_ = label;
  emit hotkeyChanged();
}

}  // namespace kelv::app
