// The settings of the General and Advanced tabs: where notes go, the transcription language,
// call asking with the applications not asked about, the subject vocabulary, the notes prompt
// and what happens to the audio after processing. Each write goes through the record's save
// rule. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QtQmlIntegration>

#include <string>

#include "view_models/settings_record.h"

namespace kelv::app {

class GeneralSettings : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Part of the settings model.")
  Q_PROPERTY(QString notesFolder READ notesFolder NOTIFY changed)
  Q_PROPERTY(QUrl notesFolderUrl READ notesFolderUrl WRITE setNotesFolderUrl NOTIFY changed)
  Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY changed)
  Q_PROPERTY(QVariantList languageOptions READ languageOptions CONSTANT)
  Q_PROPERTY(bool askToRecordCalls READ askToRecordCalls WRITE setAskToRecordCalls NOTIFY changed)
  Q_PROPERTY(QStringList ignoredCallApps READ ignoredCallApps NOTIFY changed)
  Q_PROPERTY(QString vocabulary READ vocabulary WRITE setVocabulary NOTIFY vocabularyChanged)
  Q_PROPERTY(QString notesPrompt READ notesPrompt WRITE setNotesPrompt NOTIFY changed)
  Q_PROPERTY(bool notesPromptEdited READ notesPromptEdited NOTIFY changed)
  Q_PROPERTY(bool deleteAudioAfterProcessing READ deleteAudioAfterProcessing WRITE
                 setDeleteAudioAfterProcessing NOTIFY changed)

 public:
  // `record` outlives this object.
  explicit GeneralSettings(SettingsRecord& record, QObject* parent = nullptr);

  QString notesFolder() const;
  QUrl notesFolderUrl() const;
  // Anything but a local folder is ignored; meetings already written stay where they are.
  void setNotesFolderUrl(const QUrl& url);

  // The empty text stands for "follow the system".
  QString language() const;
  void setLanguage(const QString& code);
  // The codes offered, sorted by their names in the user's locale.
  const QStringList& languages() const { return languages_; }
  // A language's name in the user's locale, or the code itself when the locale has none.
  static QString languageName(const QString& code);
  // "System (<name>)" for the language automatic detection would use now.
  static QString systemLanguageLabel();
  // The language picker's {name, value} rows: the system's first (value ""), then `languages`.
  QVariantList languageOptions() const;

  bool askToRecordCalls() const;
  void setAskToRecordCalls(bool ask);
  // "Not asking for <name>" per ignored application, in stored order; an id no call
  // application has stands for its name.
  QStringList ignoredCallApps() const;
  // Adds the application to the ignored ones (once).
  void ignoreCallApp(const std::string& id);
  // Removes every occurrence of the row's id; a row out of range does nothing.
  Q_INVOKABLE void askAgain(int row);

  // One term per line, as typed; the stored terms are the trimmed non-empty lines.
  QString vocabulary() const { return vocabulary_; }
  void setVocabulary(const QString& text);

  // The stored prompt, or the default one.
  QString notesPrompt() const;
  // The default prompt stores none; any other text, the empty one too, is the user's prompt.
  void setNotesPrompt(const QString& prompt);
  bool notesPromptEdited() const;
  Q_INVOKABLE void restoreDefaultPrompt();

  bool deleteAudioAfterProcessing() const;
  void setDeleteAudioAfterProcessing(bool remove);

 signals:
  void changed();
  void vocabularyChanged();

 private:
  const core::Settings& current() const { return record_.settings(); }

  SettingsRecord& record_;
  QString vocabulary_;
  QStringList languages_;
};

}  // namespace kelv::app
