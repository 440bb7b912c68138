// The meetings window's own state and actions, over the application model: the meetings list,
// the detail of the selected meeting, the meeting being renamed, the one waiting for delete
// confirmation, the problem to show, and whether a file is being dragged over the window.
// Every action of the window (select, move, rename, delete, retry, reprocess, copy, open,
// reveal, import) is one call here, so the rules are the same for the mouse, the keyboard and
// the tests.
//
// The list is refreshed when asked (the window is shown or activated), after every action, and
// after every change the application model announces, on the next turn of the event loop. The
// selection lives in the application model: after the last of a burst of refreshes, a
// selection that names no listed meeting moves to the first one. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "view_models/meeting_detail.h"
#include "view_models/meeting_list_model.h"
#include "view_models/search_results_model.h"

namespace kelv::app {

class AppModel;
class ClassExports;

class MeetingsWindowModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_MOC_INCLUDE("controllers/app_model.h")

  Q_PROPERTY(kelv::app::AppModel* appModel READ appModel WRITE setAppModel NOTIFY attached)
  Q_PROPERTY(kelv::app::MeetingListModel* list READ list NOTIFY attached)
  Q_PROPERTY(kelv::app::MeetingDetail* detail READ detail CONSTANT)
  Q_PROPERTY(QString selection READ selection WRITE select NOTIFY selectionChanged)
  Q_PROPERTY(int selectedIndex READ selectedIndex NOTIFY selectionChanged)
  Q_PROPERTY(QString renaming READ renaming NOTIFY renamingChanged)
  // The meeting shown in the detail pane is the one being renamed: its title is a field.
  Q_PROPERTY(bool renamingShown READ renamingShown NOTIFY renamingShownChanged)
  Q_PROPERTY(QString deleting READ deleting NOTIFY deletingChanged)
  Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
  Q_PROPERTY(bool dropping READ dropping WRITE setDropping NOTIFY droppingChanged)
  Q_PROPERTY(bool recording READ recording NOTIFY recordingChanged)
  Q_PROPERTY(QString hotkey READ hotkey NOTIFY hotkeyChanged)
  Q_PROPERTY(kelv::app::MeetingsWindowModel::Content content READ content NOTIFY contentChanged)
  // "Creando tarjetas de estudio de «…»…" while cards are being made; empty otherwise.
  Q_PROPERTY(QString makingCards READ makingCards NOTIFY makingCardsChanged)
  // The search field's results.
  Q_PROPERTY(kelv::app::SearchResultsModel* search READ search CONSTANT)
  // The search hit last chosen: its class, and its row in the Meeting file view (-1: the
  // top), which the view scrolls to and marks while that class is shown.
  Q_PROPERTY(QString foundMeeting READ foundMeeting NOTIFY foundChanged)
  Q_PROPERTY(int foundBlock READ foundBlock NOTIFY foundChanged)

 public:
  // What the window shows beside the list: nothing until the first read is in, the empty
  // state of a library without meetings, the hint to choose one, or the selected meeting.
  enum Content { Loading, Empty, Unselected, Meeting };
  Q_ENUM(Content)

  // For tests and benchmarks: the list's clock, locale and time zone (see MeetingListModel).
  struct Options {
    std::function<core::Date()> now;
    std::string locale;
    std::string timeZone;
  };

  // Made by QML: nothing happens until `appModel` is set.
  explicit MeetingsWindowModel(QObject* parent = nullptr);
  MeetingsWindowModel(AppModel& app, Options options, QObject* parent = nullptr);
  ~MeetingsWindowModel() override;

  // Once; later calls with another model are ignored.
  void setAppModel(AppModel* app);
  AppModel* appModel() const;

  MeetingListModel* list() const { return list_.get(); }
  SearchResultsModel* search() const { return search_; }
  QString foundMeeting() const { return foundMeeting_; }
  int foundBlock() const { return foundBlock_; }
  MeetingDetail* detail() const { return detail_; }
  QString selection() const;
  int selectedIndex() const;
  QString renaming() const { return renaming_; }
  bool renamingShown() const;
  QString deleting() const;
  QString problem() const { return problem_; }
  bool dropping() const { return dropping_; }
  void setDropping(bool dropping);
  bool recording() const;
  // The global hotkey's label ("Ctrl+Alt+Super+R"), empty when none is set.
  QString hotkey() const { return hotkey_; }
  Content content() const;
  // The content for a list read or not, with `count` meetings, and a meeting in the detail.
  static Content contentFor(bool loaded, int count, bool selected);

  Q_INVOKABLE void refresh();
  // The window was shown or activated: a refresh, unless the first read, started as the list
  // was made a moment ago, is still under way and will show the same.
  Q_INVOKABLE void windowShown();

  // Selecting cancels a rename of another meeting.
  Q_INVOKABLE void select(const QString& id);
  // Up (-1) and Down (+1): false when the selection isn't listed or the new row doesn't exist.
  Q_INVOKABLE bool moveSelection(int step);

  // Nothing for a busy or unknown meeting; otherwise selects it and edits its title.
  Q_INVOKABLE void beginRename(const QString& id);
  // Return: renames the selected meeting; false (the key goes on) when nothing is selected.
  Q_INVOKABLE bool renameSelected();
  // Ends the edit of `id`. A text that differs from the title renames the meeting; null or
  // undefined (Escape) cancels.
  Q_INVOKABLE void rename(const QString& id, const QVariant& title);

  // Asks for confirmation before deleting; nothing for a busy or unknown meeting.
  Q_INVOKABLE void askDelete(const QString& id);
  // The delete key: asks for the selected meeting. False when there is none or it is busy.
  Q_INVOKABLE bool deleteSelected();
  Q_INVOKABLE void confirmDelete();
  Q_INVOKABLE void cancelDelete();
  Q_INVOKABLE void dismissProblem();

  Q_INVOKABLE void retry(const QString& id);
  Q_INVOKABLE void reprocess(const QString& id);
  Q_INVOKABLE bool copyNotes(const QString& id);
  Q_INVOKABLE void openInEditor(const QString& id);
  Q_INVOKABLE void reveal(const QString& id);
  Q_INVOKABLE void revealAudio(const QString& id);
  // Asks where to save (the format follows the file type, the class's name proposed beside
  // its Meeting file) and exports there; a notification says when the file is ready.
  Q_INVOKABLE bool exportMeeting(const QString& id);
  // Has the notes backend make study cards beside the Meeting file; a notification says when
  // they are ready, a problem what went wrong.
  Q_INVOKABLE bool makeCards(const QString& id);
  bool makesCards(const QString& id) const;
  QString makingCards() const;

  // Imports dropped local files as a new meeting; true when the import took them.
  Q_INVOKABLE bool importDropped(const QList<QUrl>& urls);

  // Recording control for the empty state and the recording placeholder.
  Q_INVOKABLE void startRecording();
  Q_INVOKABLE void stopRecording();

 signals:
  void attached();
  void selectionChanged();
  void renamingChanged();
  void deletingChanged();
  void problemChanged();
  void droppingChanged();
  void recordingChanged();
  void hotkeyChanged();
  void renamingShownChanged();
  void contentChanged();
  void makingCardsChanged();
  void foundChanged();

 private:
  void attach(AppModel& app, Options options);
  void refreshed(bool settled);
  void refreshSoon();
  void showDetail();
  void setRenaming(const QString& id);
  void setProblem(const QString& text);
  void readHotkey();
  void exported(const QString& meetingId, bool cards, bool succeeded, const QString& title,
                const QString& file, const QString& message);
  // A search hit was chosen: select its class, show the hit, play from its time if asked.
  void showFound(const QString& id, int block, double playFrom);
  // Plays the chosen turn once the class's player is ready.
  void playPending();
  // Announces a change of what the window shows (content, renamingShown).
  void reconsiderShown();
  const MeetingRow* row(const QString& id) const;

  QPointer<AppModel> app_;
  std::unique_ptr<MeetingListModel> list_;
  QString foundMeeting_;
  int foundBlock_ = -1;
  std::optional<double> pendingPlay_;
  MeetingDetail* detail_;
  SearchResultsModel* search_;
  QString renaming_;
  std::optional<core::MeetingEntry> deleting_;
  QString problem_;
  bool dropping_ = false;
  QString hotkey_;
  bool refreshQueued_ = false;
  Content content_ = Loading;
  bool renamingShown_ = false;
  ClassExports* exports_ = nullptr;
};

}  // namespace kelv::app
