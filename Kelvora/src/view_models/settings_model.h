// The editable settings behind the settings window and onboarding's notes folder.
//
// It holds a copy of the stored record and saves it on every real change (an equal record is
// never written; a changed backend clears its test line; a changed call-asking switch starts or
// stops call watching). The two backends are offered as one map each ("notes",
// "transcription"), so the window's backend section binds to a single value. Tests of the
// backends run on worker threads and publish on the main thread; everything else runs on the
// main thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <QVariantMap>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "desktop/hotkey.h"
#include "kelv/core/settings/settings.h"
#include "kelv/core/settings/settings_store.h"

namespace kelv::app {

class AppModel;

class SettingsModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application's shell.")
  Q_PROPERTY(QString notesFolder READ notesFolder NOTIFY settingsChanged)
  Q_PROPERTY(QUrl notesFolderUrl READ notesFolderUrl WRITE setNotesFolderUrl NOTIFY settingsChanged)
  Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY settingsChanged)
  Q_PROPERTY(QStringList languages READ languages CONSTANT)
  Q_PROPERTY(QString systemLanguageLabel READ systemLanguageLabel CONSTANT)
  Q_PROPERTY(QString hotkeyLabel READ hotkeyLabel NOTIFY hotkeyChanged)
  Q_PROPERTY(bool recordingHotkey READ isRecordingHotkey NOTIFY hotkeyChanged)
  Q_PROPERTY(bool hotkeysAvailable READ hotkeysAvailable CONSTANT)
  Q_PROPERTY(bool askToRecordCalls READ askToRecordCalls WRITE setAskToRecordCalls NOTIFY settingsChanged)
  Q_PROPERTY(QVariantList ignoredCallApps READ ignoredCallApps NOTIFY settingsChanged)
  Q_PROPERTY(QString vocabulary READ vocabulary WRITE setVocabulary NOTIFY vocabularyChanged)
  Q_PROPERTY(QVariantMap notes READ notes NOTIFY notesChanged)
  Q_PROPERTY(QVariantMap transcription READ transcription NOTIFY transcriptionChanged)
  Q_PROPERTY(QString notesPrompt READ notesPrompt WRITE setNotesPrompt NOTIFY settingsChanged)
  Q_PROPERTY(bool notesPromptEdited READ notesPromptEdited NOTIFY settingsChanged)
  Q_PROPERTY(bool deleteAudioAfterProcessing READ deleteAudioAfterProcessing WRITE
                 setDeleteAudioAfterProcessing NOTIFY settingsChanged)
  Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

 public:
  // `app`, when given, is told to watch calls again when the switch changes, and sends its
  // "don't ask again" choices through this model.
  explicit SettingsModel(core::SettingsStore store, AppModel* app = nullptr,
                         QObject* parent = nullptr);
  ~SettingsModel() override;

  const core::Settings& settings() const { return settings_; }
  const core::SettingsStore& store() const { return store_; }
  // The save rule: `change` edits a copy of the record, which is stored when it differs.
  void update(const std::function<void(core::Settings&)>& change);

  QString notesFolder() const;
  QUrl notesFolderUrl() const;
  void setNotesFolderUrl(const QUrl& url);

  // The empty text stands for "follow the system".
  QString language() const;
  void setLanguage(const QString& code);
  const QStringList& languages() const { return languages_; }
  // A language's name in the user's locale, or the code itself when the locale has none.
  Q_INVOKABLE static QString languageName(const QString& code);
  // "System (<name>)" for the language automatic detection would use now.
  QString systemLanguageLabel() const;

  const std::optional<Hotkey>& hotkey() const { return hotkey_; }
  // Stores and registers it (none turns the hotkey off).
  void setHotkey(const std::optional<Hotkey>& hotkey);
  QString hotkeyLabel() const { return hotkey_ ? hotkey_->label() : QString(); }
  bool isRecordingHotkey() const { return monitoring_; }
  bool hotkeysAvailable() const;
  Q_INVOKABLE void recordHotkey();
  Q_INVOKABLE void endHotkeyRecording();
  Q_INVOKABLE void turnOffHotkey() { setHotkey(std::nullopt); }

  bool askToRecordCalls() const { return settings_.askToRecordCalls; }
  void setAskToRecordCalls(bool ask);
  // {id, name} per ignored application, in stored order.
  QVariantList ignoredCallApps() const;
  // Adds the application to the ignored ones (once).
  void ignoreCallApp(const std::string& id);
  // Removes every occurrence of the id.
  Q_INVOKABLE void askAgain(const QString& id);

  QString vocabulary() const { return vocabulary_; }
  void setVocabulary(const QString& text);

  // Each backend as one map: choice, address, model, key, keyNeeded, addressPlaceholder,
  // modelPlaceholder, test (null or the status line), addressProblem, keyProblem and presets
  // ({name, address, model, needsKey} in table order). `role` is "notes" or "transcription".
  QVariantMap notes() const { return backend("notes"); }
  QVariantMap transcription() const { return backend("transcription"); }
  Q_INVOKABLE QVariantMap backend(const QString& role) const;
  // A preset's name, "custom", or the empty text for the choice that uses no server.
  Q_INVOKABLE void setChoice(const QString& role, const QString& choice);
  // The empty text stores no address; anything but an http(s) address is refused.
  Q_INVOKABLE void setAddress(const QString& role, const QString& address);
  Q_INVOKABLE void setModel(const QString& role, const QString& model);
  // Stores the key of the role's current configuration; the empty text removes it.
  Q_INVOKABLE void setApiKey(const QString& role, const QString& key);
  Q_INVOKABLE void test(const QString& role);
  void testNotes() { test("notes"); }
  void testTranscription() { test("transcription"); }

  QString notesPrompt() const;
  void setNotesPrompt(const QString& prompt);
  bool notesPromptEdited() const { return settings_.notesPrompt.has_value(); }
  Q_INVOKABLE void restoreDefaultPrompt();

  bool deleteAudioAfterProcessing() const { return settings_.deleteAudioAfterProcessing; }
  void setDeleteAudioAfterProcessing(bool remove);

  // Reading test lines from C++.
  const std::optional<QString>& notesTest() const { return tests_.at("notes"); }
  const std::optional<QString>& transcriptionTest() const { return tests_.at("transcription"); }

  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  void settingsChanged();
  void vocabularyChanged();
  void notesChanged();
  void transcriptionChanged();
  void hotkeyChanged();
  void problemChanged();
  // A background job finished and published its result (tests wait for it).
  void finished();

 private:
  QString problem() const { return problem_; }
  void setProblem(const QString& text);
  void announce(const QString& role);
  void setTest(const QString& role, std::optional<QString> line);
  // Runs `work` on a worker thread, then `publish` on the main thread unless the model is gone.
  void inBackground(std::function<std::function<void(SettingsModel&)>()> work);
  std::string account(const QString& role) const;
  QString storedKey(const QString& role) const;

  core::SettingsStore store_;
  QPointer<AppModel> app_;
  core::Settings settings_;
  QString vocabulary_;
  QStringList languages_;
  std::optional<Hotkey> hotkey_;
  bool monitoring_ = false;
  std::map<QString, std::optional<QString>> tests_{{"notes", std::nullopt},
                                                   {"transcription", std::nullopt}};
  std::map<QString, QString> addressProblems_;
  std::map<QString, QString> keyProblems_;
  // Keys read from or written to the secret store, by account.
  mutable std::map<std::string, QString> keys_;
  QString problem_;
  // Cleared by the destructor; background jobs hold it, never `this`.
  std::shared_ptr<SettingsModel*> self_;
};

}  // namespace kelv::app
