#include "view_models/general_settings.h"

#include <QVariantMap>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "kelv/core/calls/call_app.h"
#include "kelv/core/notes/notes_writer.h"
#include "shell/qt_text.h"

namespace kelv::app {

namespace {

constexpr std::array<const char*, 38> kLanguageCodes = {
    "ar", "bg", "cs", "da", "de", "el", "en", "es", "et", "fa", "fi", "fr", "he",
    "hi", "hr", "hu", "id", "it", "ja", "ko", "lt", "lv", "ms", "mt", "nl", "pl",
    "pt", "ro", "ru", "sk", "sl", "sv", "th", "tr", "uk", "ur", "vi", "zh"};

QStringList sortedLanguages() {
  std::vector<std::pair<QString, QString>> named;
  for (const char* code : kLanguageCodes)
    named.emplace_back(GeneralSettings::languageName(code), code);
  // Plain text order of the names; equal names keep the stored order.
  std::stable_sort(named.begin(), named.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QStringList codes;
  for (const auto& [name, code] : named) codes << code;
  return codes;
}

// The pieces between line feeds, without surrounding spaces and tabs, empty ones dropped.
std::vector<std::string> terms(const QString& value) {
  std::vector<std::string> result;
  for (const QString& piece : value.split('\n', Qt::SkipEmptyParts)) {
    qsizetype begin = 0, end = piece.size();
    while (begin < end && (piece[begin] == ' ' || piece[begin] == '\t')) ++begin;
    while (end > begin && (piece[end - 1] == ' ' || piece[end - 1] == '\t')) --end;
    if (end > begin) result.push_back(piece.mid(begin, end - begin).toStdString());
  }
  return result;
}

}  // namespace

GeneralSettings::GeneralSettings(SettingsRecord& record, QObject* parent)
    : QObject(parent), record_(record), languages_(sortedLanguages()) {
  QStringList lines;
  for (const auto& term : current().vocabulary) lines << text(term);
  vocabulary_ = lines.join('\n');
  connect(&record_, &SettingsRecord::saved, this, &GeneralSettings::changed);
}

QString GeneralSettings::notesFolder() const { return text(current().notesFolder.string()); }

QUrl GeneralSettings::notesFolderUrl() const { return QUrl::fromLocalFile(notesFolder()); }

void GeneralSettings::setNotesFolderUrl(const QUrl& url) {
  if (!url.isLocalFile()) return;
  QString path = url.toLocalFile();
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  record_.update([&](core::Settings& settings) { settings.notesFolder = path.toStdString(); });
}

QString GeneralSettings::language() const { return text(current().language.value_or("")); }

void GeneralSettings::setLanguage(const QString& code) {
  record_.update([&](core::Settings& settings) {
    settings.language = code.isEmpty() ? std::nullopt : std::optional(code.toStdString());
  });
}

QString GeneralSettings::languageName(const QString& code) {
  icu::UnicodeString name;
  icu::Locale(code.toStdString().c_str()).getDisplayLanguage(icu::Locale::getDefault(), name);
  std::string utf8;
  name.toUTF8String(utf8);
  return utf8.empty() ? code : text(utf8);
}

QString GeneralSettings::systemLanguageLabel() {
  core::Settings automatic;
  automatic.language.reset();
  return "System (" + languageName(text(automatic.meetingLanguage())) + ")";
}

QVariantList GeneralSettings::languageOptions() const {
  QVariantList options{QVariantMap{{"name", systemLanguageLabel()}, {"value", QString()}}};
  for (const QString& code : languages_)
    options.append(QVariantMap{{"name", languageName(code)}, {"value", code}});
  return options;
}

bool GeneralSettings::askToRecordCalls() const { return current().askToRecordCalls; }

void GeneralSettings::setAskToRecordCalls(bool ask) {
  record_.update([&](core::Settings& settings) { settings.askToRecordCalls = ask; });
}

QStringList GeneralSettings::ignoredCallApps() const {
  QStringList rows;
  for (const auto& id : current().ignoredCallApps) {
    const auto app = core::CallApp::named(id);
    rows << "Not asking for " + text(app ? app->name : id);
  }
  return rows;
}

void GeneralSettings::ignoreCallApp(const std::string& id) {
  record_.update([&](core::Settings& settings) {
    auto& ignored = settings.ignoredCallApps;
    if (std::find(ignored.begin(), ignored.end(), id) == ignored.end()) ignored.push_back(id);
  });
}

void GeneralSettings::askAgain(int row) {
  const auto& ignored = current().ignoredCallApps;
  if (row < 0 || static_cast<size_t>(row) >= ignored.size()) return;
  const std::string id = ignored[static_cast<size_t>(row)];
  record_.update([&](core::Settings& settings) { std::erase(settings.ignoredCallApps, id); });
}

void GeneralSettings::setVocabulary(const QString& value) {
  if (vocabulary_ != value) {
    vocabulary_ = value;
    emit vocabularyChanged();
  }
  record_.update([&](core::Settings& settings) { settings.vocabulary = terms(value); });
}

QString GeneralSettings::notesPrompt() const {
  return text(current().notesPrompt.value_or(std::string(core::NotesWriter::defaultPrompt)));
}

void GeneralSettings::setNotesPrompt(const QString& prompt) {
  const std::string value = prompt.toStdString();
  record_.update([&](core::Settings& settings) {
    settings.notesPrompt =
        value == core::NotesWriter::defaultPrompt ? std::nullopt : std::optional(value);
  });
}

bool GeneralSettings::notesPromptEdited() const { return current().notesPrompt.has_value(); }

void GeneralSettings::restoreDefaultPrompt() {
  record_.update([](core::Settings& settings) { settings.notesPrompt.reset(); });
}

bool GeneralSettings::deleteAudioAfterProcessing() const {
  return current().deleteAudioAfterProcessing;
}

void GeneralSettings::setDeleteAudioAfterProcessing(bool remove) {
  record_.update([&](core::Settings& settings) { settings.deleteAudioAfterProcessing = remove; });
}

}  // namespace kelv::app
