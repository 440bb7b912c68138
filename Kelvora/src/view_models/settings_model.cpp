#include "view_models/settings_model.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QThreadPool>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>

#include "controllers/app_model.h"
#include "desktop/hotkey_monitor.h"
#include "kelv/core/calls/call_app.h"
#include "kelv/core/notes/notes_writer.h"

namespace kelv::app {

namespace {

constexpr std::array<const char*, 38> kLanguageCodes = {
    "ar", "bg", "cs", "da", "de", "el", "en", "es", "et", "fa", "fi", "fr", "he",
    "hi", "hr", "hu", "id", "it", "ja", "ko", "lt", "lv", "ms", "mt", "nl", "pl",
    "pt", "ro", "ru", "sk", "sl", "sv", "th", "tr", "uk", "ur", "vi", "zh"};

QString text(const std::string& value) { return QString::fromStdString(value); }

QStringList sortedLanguages() {
  std::vector<std::pair<QString, QString>> named;
  for (const char* code : kLanguageCodes)
    named.emplace_back(SettingsModel::languageName(code), code);
  // Plain text order of the names; equal names keep the stored order.
  std::stable_sort(named.begin(), named.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QStringList codes;
  for (const auto& [name, code] : named) codes << code;
  return codes;
}

}  // namespace

SettingsModel::SettingsModel(core::SettingsStore store, AppModel* app, QObject* parent)
    : QObject(parent),
      store_(std::move(store)),
      app_(app),
      settings_(store_.load()),
      languages_(sortedLanguages()),
      hotkey_(Hotkey::saved(store_.defaults())),
      self_(std::make_shared<SettingsModel*>(this)) {
  QStringList terms;
  for (const auto& term : settings_.vocabulary) terms << text(term);
  vocabulary_ = terms.join('\n');
  if (app_) app_->setSettingsModel(this);
}

SettingsModel::~SettingsModel() {
  *self_ = nullptr;
  if (monitoring_) QCoreApplication::instance()->removeEventFilter(this);
}

void SettingsModel::update(const std::function<void(core::Settings&)>& change) {
  core::Settings next = settings_;
  change(next);
  if (next == settings_) return;
  const core::Settings previous = std::exchange(settings_, std::move(next));
  try {
    store_.save(settings_);
    setProblem({});
  } catch (const std::exception& error) {
    // The edit stays on screen; the next change tries to save again.
    setProblem(QString::fromUtf8(error.what()));
  }
  emit settingsChanged();
  if (previous.notes != settings_.notes) {
    addressProblems_.erase("notes");
    setTest("notes", std::nullopt);
    announce("notes");
  }
  if (previous.transcription != settings_.transcription) {
    addressProblems_.erase("transcription");
    setTest("transcription", std::nullopt);
    announce("transcription");
  }
  if (previous.askToRecordCalls != settings_.askToRecordCalls && app_) app_->watchCalls();
}

void SettingsModel::setProblem(const QString& text) {
  if (problem_ == text) return;
  problem_ = text;
  emit problemChanged();
}

QString SettingsModel::notesFolder() const { return text(settings_.notesFolder.string()); }

QUrl SettingsModel::notesFolderUrl() const {
  return QUrl::fromLocalFile(text(settings_.notesFolder.string()));
}

void SettingsModel::setNotesFolderUrl(const QUrl& url) {
  if (!url.isLocalFile()) return;
  QString path = url.toLocalFile();
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  // Meetings already written stay where they are.
  update([&](core::Settings& settings) { settings.notesFolder = path.toStdString(); });
}

QString SettingsModel::language() const { return text(settings_.language.value_or("")); }

void SettingsModel::setLanguage(const QString& code) {
  update([&](core::Settings& settings) {
    settings.language = code.isEmpty() ? std::nullopt : std::optional(code.toStdString());
  });
}

QString SettingsModel::languageName(const QString& code) {
  icu::UnicodeString name;
  icu::Locale(code.toStdString().c_str()).getDisplayLanguage(icu::Locale::getDefault(), name);
  std::string utf8;
  name.toUTF8String(utf8);
  return utf8.empty() ? code : text(utf8);
}

QString SettingsModel::systemLanguageLabel() const {
  core::Settings automatic;
  automatic.language.reset();
  return "System (" + languageName(text(automatic.meetingLanguage())) + ")";
}

void SettingsModel::setHotkey(const std::optional<Hotkey>& hotkey) {
  try {
    Hotkey::setSaved(store_.defaults(), hotkey);
  } catch (const std::exception& error) {
    setProblem(QString::fromUtf8(error.what()));
  }
  hotkey_ = hotkey;
  if (!monitoring_) HotkeyMonitor::shared().registerHotkey(hotkey_);
  emit hotkeyChanged();
}

bool SettingsModel::hotkeysAvailable() const { return HotkeyMonitor::shared().isAvailable(); }

void SettingsModel::recordHotkey() {
  if (monitoring_) return;
  monitoring_ = true;
  // Pressing the old shortcut now must not start a recording.
  HotkeyMonitor::shared().registerHotkey(std::nullopt);
  QCoreApplication::instance()->installEventFilter(this);
  emit hotkeyChanged();
}

void SettingsModel::endHotkeyRecording() {
  if (!monitoring_) return;
  QCoreApplication::instance()->removeEventFilter(this);
  monitoring_ = false;
  HotkeyMonitor::shared().registerHotkey(hotkey_);
  emit hotkeyChanged();
}

bool SettingsModel::eventFilter(QObject* watched, QEvent* event) {
  if (!monitoring_) return QObject::eventFilter(watched, event);
  // The application's shortcuts must not act on keys meant for the capture.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (event->type() == QEvent::KeyRelease) return true;
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (auto hotkey = Hotkey::fromQtKey(key->key(), key->modifiers())) {
    hotkey_ = *hotkey;
    try {
      Hotkey::setSaved(store_.defaults(), hotkey_);
    } catch (const std::exception& error) {
      setProblem(QString::fromUtf8(error.what()));
    }
    endHotkeyRecording();
  } else if (key->key() == Qt::Key_Escape) {
    endHotkeyRecording();
  }
  return true;
}

void SettingsModel::setAskToRecordCalls(bool ask) {
  update([&](core::Settings& settings) { settings.askToRecordCalls = ask; });
}

QVariantList SettingsModel::ignoredCallApps() const {
  QVariantList rows;
  for (const auto& id : settings_.ignoredCallApps) {
    const auto app = core::CallApp::named(id);
    rows.append(QVariantMap{{"id", text(id)}, {"name", text(app ? app->name : id)}});
  }
  return rows;
}

void SettingsModel::ignoreCallApp(const std::string& id) {
  update([&](core::Settings& settings) {
    auto& ignored = settings.ignoredCallApps;
    if (std::find(ignored.begin(), ignored.end(), id) == ignored.end()) ignored.push_back(id);
  });
}

void SettingsModel::askAgain(const QString& id) {
  update([&](core::Settings& settings) { std::erase(settings.ignoredCallApps, id.toStdString()); });
}

void SettingsModel::setVocabulary(const QString& value) {
  if (vocabulary_ != value) {
    vocabulary_ = value;
    emit vocabularyChanged();
  }
  std::vector<std::string> terms;
  for (const QString& piece : value.split('\n', Qt::SkipEmptyParts)) {
    qsizetype begin = 0, end = piece.size();
    while (begin < end && (piece[begin] == ' ' || piece[begin] == '\t')) ++begin;
    while (end > begin && (piece[end - 1] == ' ' || piece[end - 1] == '\t')) --end;
    if (end > begin) terms.push_back(piece.mid(begin, end - begin).toStdString());
  }
  update([&](core::Settings& settings) { settings.vocabulary = std::move(terms); });
}

QString SettingsModel::notesPrompt() const {
  return text(settings_.notesPrompt.value_or(std::string(core::NotesWriter::defaultPrompt)));
}

void SettingsModel::setNotesPrompt(const QString& prompt) {
  const std::string value = prompt.toStdString();
  update([&](core::Settings& settings) {
    settings.notesPrompt = value == core::NotesWriter::defaultPrompt
                               ? std::nullopt
                               : std::optional(value);
  });
}

void SettingsModel::restoreDefaultPrompt() {
  update([](core::Settings& settings) { settings.notesPrompt.reset(); });
}

void SettingsModel::setDeleteAudioAfterProcessing(bool remove) {
  update([&](core::Settings& settings) { settings.deleteAudioAfterProcessing = remove; });
}

void SettingsModel::inBackground(std::function<std::function<void(SettingsModel&)>()> work) {
  QThreadPool::globalInstance()->start([self = self_, work = std::move(work)] {
    auto publish = work();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, publish = std::move(publish)] {
          if (*self == nullptr) return;
          publish(**self);
          emit (*self)->finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace kelv::app
