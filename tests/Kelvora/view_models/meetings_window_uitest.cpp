// The meetings window's content as the user meets it: real QML on the offscreen platform over
// a real meeting store in a temporary folder, with Meeting files from the real writer, a fixed
// "now" and the Madrid time zone.
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "audio_files.h"
#include "fake_file_manager.h"
#include "meetings_window_fixture.h"
#include "pulse_server.h"
#include "shell/theme.h"
#include "view_models/meeting_actions.h"
#include "view_models/meeting_state.h"

namespace kelv::app {

namespace {

namespace fs = std::filesystem;
using State = core::MeetingEntry::State;
using namespace std::chrono_literals;

class MeetingsWindowTest : public MeetingsWindowFixture {
 protected:
  void SetUp() override {
    MeetingsWindowFixture::SetUp();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
  }

  void TearDown() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    MeetingsWindowFixture::TearDown();
  }

  QString text(const char* name) {
    QQuickItem* item = view.find(QString::fromLatin1(name));
    return item ? item->property("text").toString() : QString();
  }
  bool shows(const char* name) {
    QQuickItem* item = view.find(QString::fromLatin1(name));
    return item != nullptr && item->isVisible();
  }

  void type(const char* text) {
    for (const char* c = text; *c != 0; ++c) QTest::keyClick(&view.window(), *c);
    QCoreApplication::processEvents();
  }

  QString selectAt(int row) {
    const QString id = QString::fromStdString(meetings->list()->rows().at(row).entry.id);
    meetings->select(id);
    view.settle();
    return id;
  }

  void drop(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    const QPoint point(600, 300);
    QDragEnterEvent enter(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view.window(), &enter);
    QDragMoveEvent move(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view.window(), &move);
    dropShown = meetings->dropping();
    QDropEvent dropped(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view.window(), &dropped);
    delete data;
  }

  kelv::test::OpenedUrls opened;
  bool dropShown = false;
};

TEST_F(MeetingsWindowTest, GroupsByDayUnderUpperCasedHeaders) {
  library.add({"Hoy temprano", kNow - 1h});
  library.add({"Hoy antes", kNow - 2h});
  library.add({"Ayer", kNow - 20h});
  library.add({"Hace cuatro días", kNow - 4 * 24h});
  library.add({"Hace dos meses", kNow - 60 * 24h});
  open();
  std::vector<std::pair<std::string, bool>> days;
  for (const MeetingRow& row : meetings->list()->rows())
    days.emplace_back(row.day.toStdString(), row.recent);
  EXPECT_EQ(days, (std::vector<std::pair<std::string, bool>>{{"Hoy", true},
                                                             {"Hoy", true},
                                                             {"Ayer", true},
                                                             {"lunes", true},
                                                             {"enero de 2025", false}}));
  QStringList headers;
  for (QQuickItem* header : view.findAll(QStringLiteral("dayHeaderText")))
    if (header->isVisible() && !headers.contains(header->property("text").toString()))
      headers << header->property("text").toString();
  EXPECT_TRUE(headers.contains(QStringLiteral("HOY")));
  EXPECT_TRUE(headers.contains(QStringLiteral("ENERO DE 2025")));
  // Recent rows show the time only, older ones the day too.
  QStringList whens;
  for (QQuickItem* when : view.findAll(QStringLiteral("meetingRowWhen")))
    whens << when->property("text").toString();
  EXPECT_TRUE(whens.contains(QStringLiteral("9:00")));
  EXPECT_TRUE(whens.contains(QStringLiteral("13 ene, 10:00")));
}

// The list is read from the moment the window's model is made, and the window being shown
// meanwhile waits for that read instead of asking for another; shown later, it reads again.
TEST_F(MeetingsWindowTest, TheFirstReadRunsAsTheWindowIsMadeAndServesItsShowing) {
  library.add({"Primera", kNow - 1h});
  library.add({"Segunda", kNow - 2h});
  makeModels();
  QSignalSpy reads(meetings->list(), &MeetingListModel::refreshed);
  EXPECT_TRUE(meetings->list()->refreshing());
  meetings->windowShown();
  ASSERT_TRUE(view.waitUntil([&] { return settled(); }));
  EXPECT_EQ(reads.size(), 1);
  EXPECT_EQ(meetings->list()->count(), 2);

  library.add({"Tercera", kNow - 3h});
  meetings->windowShown();
  ASSERT_TRUE(view.waitUntil([&] { return settled() && reads.size() == 2; }));
  EXPECT_EQ(meetings->list()->count(), 3);
}

// The selection's highlight is bright in every appearance: the selected row's texts and badge
// must switch to the highlight's text colour or they vanish on it in the dark.
TEST_F(MeetingsWindowTest, TheSelectedRowReadsInTheHighlightsTextColour) {
  Theme::shared().force(Appearance::dark);
  const auto attention = library.add({"Atención", kNow - 1h, 3000, State::needsAttention});
  library.add({"Otra", kNow - 2h, 3000, State::needsAttention});
  open();
  meetings->select(QString::fromStdString(attention.id()));
  view.settle();
  const QColor onHighlight = Theme::shared().onHighlight();
  const QList<QQuickItem*> rows = view.findAll(QStringLiteral("meetingRow"));
  ASSERT_EQ(rows.size(), 2);
  for (QQuickItem* row : rows) {
    const bool selected = row->property("meetingId").toString().toStdString() == attention.id();
    SCOPED_TRACE(selected);
    auto colour = [&](const char* name, const char* property = "color") {
      return kelv::test::colorOf(row->findChild<QQuickItem*>(QString::fromLatin1(name)), property);
    };
    EXPECT_EQ(colour("meetingRowTitle").rgb() == onHighlight.rgb(), selected);
    EXPECT_EQ(colour("meetingRowWhen").rgb() == onHighlight.rgb(), selected);
    EXPECT_EQ(colour("meetingRowBadge", "tone").rgb() == onHighlight.rgb(), selected);
  }
  Theme::shared().force(Appearance::light);
}

TEST_F(MeetingsWindowTest, ASelectionMissingFromTheListMovesToTheFirstMeeting) {
  library.add({"Vieja", kNow - 48h});
  const auto newest = library.add({"Nueva", kNow - 1h});
  open();
  EXPECT_EQ(meetings->selection().toStdString(), newest.id());
  EXPECT_EQ(text("meetingTitle"), QStringLiteral("Nueva"));
  EXPECT_TRUE(shows("meetingFileView"));
}

TEST_F(MeetingsWindowTest, UpAndDownMoveTheSelectionWithinTheList) {
  library.add({"Tercera", kNow - 3h});
  library.add({"Segunda", kNow - 2h});
  library.add({"Primera", kNow - 1h});
  open();
  key(Qt::Key_Up);
  EXPECT_EQ(meetings->selectedIndex(), 0);
  key(Qt::Key_Down);
  key(Qt::Key_Down);
  EXPECT_EQ(meetings->selectedIndex(), 2);
  key(Qt::Key_Down);
  EXPECT_EQ(meetings->selectedIndex(), 2);
  EXPECT_EQ(text("meetingTitle"), QStringLiteral("Tercera"));
}

TEST_F(MeetingsWindowTest, DeletingTheSelectedMeetingSelectsTheNewFirst) {
  const auto older = library.add({"Vieja", kNow - 48h});
  const auto newest = library.add({"Nueva", kNow - 1h});
  open();
  const fs::path file = *meetings->list()->rows().front().entry.meetingFile;
  key(Qt::Key_Delete);
  ASSERT_TRUE(
      view.waitUntil([&] { return meetings->deleting() == QString::fromStdString(newest.id()); }));
  QQuickItem* confirm = nullptr;
  ASSERT_TRUE(view.waitUntil([&] {
    QObject* dialog = view.root()->findChild<QObject*>(QStringLiteral("deleteDialog"));
    confirm = dialog ? dialog->findChild<QQuickItem*>(QStringLiteral("confirmDelete")) : nullptr;
    return confirm != nullptr && confirm->isVisible();
  }));
  view.settle();
  view.press(confirm);
  view.release(confirm);
  ASSERT_TRUE(view.waitUntil([&] { return meetings->list()->count() == 1 && settled(); }));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(newest.path()));
  EXPECT_EQ(meetings->selection().toStdString(), older.id());
  EXPECT_EQ(meetings->deleting(), QString());
}

TEST_F(MeetingsWindowTest, KeysThatFindNothingToActOnDoNothing) {
  const auto recording = library.add({"En directo", kNow - 5min, 0, State::recording, false, true});
  open();
  ASSERT_EQ(meetings->selection().toStdString(), recording.id());
  key(Qt::Key_Delete);
  EXPECT_EQ(meetings->deleting(), QString());
  EXPECT_TRUE(fs::exists(recording.path()));

  key(Qt::Key_Return);
  EXPECT_EQ(meetings->renaming(), QString());  // a busy meeting keeps its title

  library.add({"Terminada", kNow - 48h});
  meetings->refresh();
  ASSERT_TRUE(view.waitUntil([&] { return meetings->list()->count() == 2 && settled(); }));
  app->select(std::nullopt);
  key(Qt::Key_Return);
  EXPECT_EQ(meetings->renaming(), QString());
  EXPECT_FALSE(shows("renameField"));
}

TEST_F(MeetingsWindowTest, RenamingChangesTheDiskOnlyForANewTitle) {
  const auto folder = library.add({"Cálculo", kNow - 1h});
  open();
  const fs::path file = *meetings->list()->rows().front().entry.meetingFile;
  const std::string before = kelv::test::readFile(file);
  const std::string status = kelv::test::readFile(folder.statusPath());

  key(Qt::Key_Return);  // the same title, submitted
  ASSERT_TRUE(view.waitUntil([&] { return shows("renameField"); }));
  key(Qt::Key_Return);
  ASSERT_TRUE(refreshed());
  EXPECT_FALSE(shows("renameField"));
  EXPECT_EQ(kelv::test::readFile(file), before);
  EXPECT_EQ(kelv::test::readFile(folder.statusPath()), status);

  key(Qt::Key_Return);  // a new title, abandoned with Escape
  ASSERT_TRUE(view.waitUntil([&] { return shows("renameField"); }));
  type("Otra cosa");
  key(Qt::Key_Escape);
  ASSERT_TRUE(refreshed());
  EXPECT_EQ(meetings->renaming(), QString());
  EXPECT_EQ(kelv::test::readFile(file), before);
  EXPECT_EQ(kelv::test::readFile(folder.statusPath()), status);

  key(Qt::Key_Return);  // a new title, submitted
  ASSERT_TRUE(view.waitUntil([&] { return shows("renameField"); }));
  type("Integrales");
  key(Qt::Key_Return);
  ASSERT_TRUE(view.waitUntil([&] { return text("meetingTitle") == QStringLiteral("Integrales"); }));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(folder.readStatus().title, "Integrales");
}

struct MenuCase {
  const char* name;
  State state;
  bool audio;
  bool retry;      // "Reintentar" is offered
  bool reprocess;  // "Reprocesar" is enabled
  bool deletable;  // "Borrar…" is enabled
};

class MeetingsWindowMenuTest : public MeetingsWindowTest,
                               public testing::WithParamInterface<MenuCase> {};

TEST_P(MeetingsWindowMenuTest, OffersWhatTheStateAllows) {
  const MenuCase& c = GetParam();
  library.add({"Clase", kNow - 1h, 1200, c.state, c.state == State::done, c.audio});
  open();
  QObject* retry = menuEntry("actionRetry");
  ASSERT_NE(retry, nullptr);
  EXPECT_EQ(retry->property("visible").toBool(), c.retry);
  EXPECT_EQ(menuEntry("actionReprocess")->property("enabled").toBool(), c.reprocess);
  EXPECT_EQ(menuEntry("actionDelete")->property("enabled").toBool(), c.deletable);
  EXPECT_EQ(menuEntry("actionRename")->property("enabled").toBool(), c.deletable);
}

INSTANTIATE_TEST_SUITE_P(
    States, MeetingsWindowMenuTest,
    testing::Values(MenuCase{"NeedsAttention", State::needsAttention, true, true, true, true},
                    MenuCase{"DoneWithAudio", State::done, true, false, true, true},
                    MenuCase{"DoneWithoutAudio", State::done, false, false, false, true},
                    MenuCase{"Interrupted", State::interrupted, true, false, true, true},
                    MenuCase{"Processing", State::processing, true, false, false, false},
                    MenuCase{"Recording", State::recording, true, false, false, false}),
    [](const testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

// A menu's actions follow its meeting: once the meeting is gone, nothing is offered for it.
TEST_F(MeetingsWindowTest, AMenuFollowsItsMeetingAfterItChanges) {
  const auto gone = library.add({"Se va", kNow - 1h, 1200, State::needsAttention, true, true});
  library.add({"Se queda", kNow - 2h});
  open();
  QObject* menu = view.root()->findChild<QObject*>(QStringLiteral("actionMenu"));
  ASSERT_NE(menu, nullptr);
  auto* actions = menu->property("actions").value<MeetingActions*>();
  ASSERT_NE(actions, nullptr);
  actions->setMeetingId(QString::fromStdString(gone.id()));
  EXPECT_TRUE(actions->canRetry());
  EXPECT_TRUE(actions->canDelete());

  meetings->askDelete(QString::fromStdString(gone.id()));
  meetings->confirmDelete();
  ASSERT_TRUE(view.waitUntil([&] { return meetings->list()->count() == 1 && settled(); }));
  EXPECT_FALSE(actions->canRetry());
  EXPECT_FALSE(actions->canDelete());
  EXPECT_FALSE(actions->canCopy());
}

struct LookCase {
  const char* name;
  State state;
  bool banner;  // the detail pane shows the state over the notes
};

class MeetingsWindowLookTest : public MeetingsWindowTest,
                               public testing::WithParamInterface<LookCase> {};

// The row's badge and the detail's banner draw a state with the same word, symbol and colour.
TEST_P(MeetingsWindowLookTest, TheBadgeAndTheBannerDrawTheStateAlike) {
  const LookCase& c = GetParam();
  const auto meeting = library.add({"Clase", kNow - 1h, 1200, c.state, true, true});
  const auto other = library.add({"Otra", kNow - 2h});
  open();
  const MeetingState::Look& look = MeetingState::look(c.state);
  const QColor tone = Theme::shared().color(look.tone);

  // Off the selection, the badge is in the state's own colour.
  meetings->select(QString::fromStdString(other.id()));
  view.settle();
  QQuickItem* badge = nullptr;
  for (QQuickItem* row : view.findAll(QStringLiteral("meetingRow")))
    if (row->property("meetingId").toString().toStdString() == meeting.id())
      badge = row->findChild<QQuickItem*>(QStringLiteral("meetingRowBadge"));
  ASSERT_NE(badge, nullptr);
  EXPECT_EQ(badge->isVisible(), !look.text.isEmpty());
  auto part = [&](const char* name) {
    return badge->findChild<QQuickItem*>(QString::fromLatin1(name));
  };
  EXPECT_EQ(part("badgeText")->property("text").toString(), look.text);
  EXPECT_EQ(kelv::test::colorOf(part("badgeText")).rgb(), tone.rgb());
  EXPECT_EQ(part("badgeDot")->isVisible(), look.dot);
  EXPECT_EQ(part("badgeSymbol")->isVisible(), !look.text.isEmpty() && !look.dot);
  EXPECT_EQ(part("badgeSymbol")->property("name").toString(), look.symbol);

  meetings->select(QString::fromStdString(meeting.id()));
  ASSERT_TRUE(view.waitUntil([&] { return text("meetingTitle") == QStringLiteral("Clase"); }));
  view.settle();
  EXPECT_EQ(shows("meetingBanner"), c.banner);
  if (!c.banner) return;
  QQuickItem* banner = view.find(QStringLiteral("meetingBanner"));
  EXPECT_EQ(text("noticeTitle"), look.text);
  EXPECT_EQ(banner->property("symbol").toString(), look.symbol);
  EXPECT_EQ(kelv::test::colorOf(banner, "tint").rgb(), tone.rgb());
}

INSTANTIATE_TEST_SUITE_P(States, MeetingsWindowLookTest,
                         testing::Values(LookCase{"Recording", State::recording, false},
                                         LookCase{"Processing", State::processing, true},
                                         LookCase{"Interrupted", State::interrupted, true},
                                         LookCase{"NeedsAttention", State::needsAttention, true},
                                         LookCase{"Done", State::done, false}),
                         [](const testing::TestParamInfo<LookCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(MeetingsWindowTest, ADroppedFileTheImportRefusesShowsItsText) {
  library.add({"Clase", kNow - 1h});
  open();
  const fs::path notes = temp / "apuntes.txt";
  kelv::test::writeFile(notes, "no es audio");
  drop({QUrl::fromLocalFile(QString::fromStdString(notes.string()))});
  EXPECT_TRUE(dropShown);
  // The alert lives in the window's popup layer, outside the view's items.
  QQuickItem* problem = nullptr;
  ASSERT_TRUE(view.waitUntil([&] {
    problem = view.root()->findChild<QQuickItem*>(QStringLiteral("problemText"));
    return problem != nullptr && problem->isVisible();
  }));
  EXPECT_EQ(problem->property("text").toString(),
            QStringLiteral("Drop a single audio file to import it."));
  EXPECT_FALSE(meetings->dropping());
  EXPECT_EQ(meetings->list()->count(), 1);
}

TEST_F(MeetingsWindowTest, ADroppedAudioFileBecomesTheSelectedNewMeeting) {
  library.add({"Clase", kNow - 1h});
  open();
  const fs::path audio = temp / "grabación.wav";
  kelv::test::writeTone(audio, 1.0, 16000, 1);
  drop({QUrl::fromLocalFile(QString::fromStdString(audio.string()))});
  ASSERT_TRUE(view.waitUntil([&] { return meetings->list()->count() == 2 && settled(); }));
  const QString selected = meetings->selection();
  const MeetingRow* row = meetings->list()->find(selected);
  ASSERT_NE(row, nullptr);
  ASSERT_TRUE(row->entry.folder);
  EXPECT_TRUE(fs::exists(row->entry.folder->path() / "mixed.wav"));
  EXPECT_EQ(meetings->problem(), QString());
}

TEST_F(MeetingsWindowTest, EachStateShowsItsFileOrPlaceholder) {
  const auto bare = library.add({"Sin apuntes", kNow - 1h, 600, State::processing, false, true});
  const auto withNotes =
      library.add({"Con apuntes", kNow - 2h, 600, State::processing, true, true});
  const auto broken = library.add({"Rota", kNow - 3h, 600, State::done, true, false});
  kelv::test::writeFile(fs::path(*broken.readStatus().meetingFile),
                        "---\ntitle: \"Rota\"\n\xff\xfe\n");
  open();

  meetings->select(QString::fromStdString(bare.id()));
  ASSERT_TRUE(view.waitUntil([&] { return shows("placeholderProgress"); }));
  EXPECT_EQ(text("placeholderTitle"), QStringLiteral("Procesando"));
  EXPECT_FALSE(shows("meetingBanner"));

  meetings->select(QString::fromStdString(withNotes.id()));
  ASSERT_TRUE(view.waitUntil([&] { return shows("meetingFileView"); }));
  EXPECT_TRUE(shows("meetingBanner"));
  EXPECT_EQ(text("noticeTitle"), QStringLiteral("Procesando"));
  EXPECT_EQ(text("noticeDetail"),
            QStringLiteral("Estos apuntes se reemplazan cuando termine el procesado."));

  meetings->select(QString::fromStdString(broken.id()));
  ASSERT_TRUE(view.waitUntil([&] { return shows("meetingPlaceholder"); }));
  EXPECT_EQ(text("placeholderText"), QStringLiteral("Los apuntes no están en tu carpeta."));
}

TEST_F(MeetingsWindowTest, CopyPutsTheExactFileOnTheClipboardAndConfirmsBriefly) {
  library.add({"Cálculo", kNow - 1h});
  open();
  const fs::path file = *meetings->list()->rows().front().entry.meetingFile;
  QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
  QQuickItem* copy = view.find(QStringLiteral("copyNotes"));
  ASSERT_NE(copy, nullptr);
  view.press(copy);
  view.release(copy);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), kelv::test::readFile(file));
  EXPECT_TRUE(meetings->detail()->copied());
  EXPECT_EQ(copy->property("symbol").toString(), QStringLiteral("checkmark"));
  EXPECT_EQ(copy->property("help").toString(), QStringLiteral("Copiado"));
  EXPECT_EQ(MeetingDetail::kCopiedMilliseconds, 1600);
  EXPECT_TRUE(view.waitUntil([&] { return !meetings->detail()->copied(); }));
  EXPECT_EQ(copy->property("symbol").toString(), QStringLiteral("doc.on.doc"));
}

TEST_F(MeetingsWindowTest, RevealAsksTheFileManagerAndElseOpensTheFolder) {
  library.add({"Cálculo", kNow - 1h});
  open();
  const fs::path file = *meetings->list()->rows().front().entry.meetingFile;
  const QString uri = QUrl::fromLocalFile(QString::fromStdString(file.string())).toString();

  // Without a file manager on the bus, the folder opens.
  meetings->reveal(meetings->selection());
  ASSERT_TRUE(view.waitUntil([&] { return !opened.urls.isEmpty(); }));
  EXPECT_EQ(opened.urls.first().toLocalFile().toStdString(), file.parent_path().string());

  kelv::test::FakeFileManager manager;
  QQuickItem* reveal = view.find(QStringLiteral("revealFile"));
  view.press(reveal);
  view.release(reveal);
  EXPECT_TRUE(view.waitUntil([&] { return !manager.shown.isEmpty(); }));
  EXPECT_EQ(manager.shown.value(0), QStringList{uri});
  EXPECT_EQ(opened.urls.size(), 1);
}

TEST_F(MeetingsWindowTest, OpenInEditorHandsTheFileToTheDesktop) {
  library.add({"Cálculo", kNow - 1h});
  open();
  const fs::path file = *meetings->list()->rows().front().entry.meetingFile;
  key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(view.waitUntil([&] { return !opened.urls.isEmpty(); }));
  EXPECT_EQ(opened.urls.first().toLocalFile().toStdString(), file.string());
}

TEST_F(MeetingsWindowTest, AnEmptyLibraryOffersToRecordWithTheHotkey) {
  open();
  EXPECT_TRUE(shows("emptyMeetings"));
  EXPECT_TRUE(shows("emptyStart"));
  EXPECT_EQ(text("emptyHotkey"), QStringLiteral("or press Ctrl+Alt+Super+R anywhere"));
  EXPECT_TRUE(shows("emptyList"));
  EXPECT_EQ(text("emptyList"), QStringLiteral("Tus clases aparecerán aquí."));
}

// The player follows the meeting it plays: Space in the detail pane plays and pauses, and
// whatever takes the meeting from under it (another selection, a rename, a delete, a
// reprocess) stops it.
TEST_F(MeetingsWindowTest, ThePlayerStopsWhenItsMeetingGoesFromUnderIt) {
  kelv::test::PulseServer server;
  enum class Action { selectOther, rename, remove, reprocess };
  int round = 0;
  for (const Action action :
       {Action::selectOther, Action::rename, Action::remove, Action::reprocess}) {
    SCOPED_TRACE(static_cast<int>(action));
    ++round;
    const auto other =
        library.add({"Otra " + std::to_string(round), kNow - std::chrono::hours(2 * round + 1), 2,
                     State::done, true, true});
    const auto played =
        library.add({"Oída " + std::to_string(round), kNow - std::chrono::hours(2 * round), 2,
                     State::done, true, true});
    open();
    const QString id = QString::fromStdString(played.id());
    meetings->select(id);
    view.settle();
    Player* player = meetings->detail()->player();
    ASSERT_TRUE(view.waitUntil([&] { return player->state() == Player::Ready; }));
    EXPECT_TRUE(shows("playerBar"));

    QQuickItem* pane = view.find(QStringLiteral("meetingDetail"));
    ASSERT_NE(pane, nullptr);
    pane->forceActiveFocus();
    key(Qt::Key_Space);
    EXPECT_EQ(player->state(), Player::Playing);
    key(Qt::Key_Space);
    EXPECT_EQ(player->state(), Player::Ready);
    player->playFrom(0.5);
    ASSERT_TRUE(view.waitUntil([&] { return player->position() > 0.6; }));

    switch (action) {
      case Action::selectOther:
        meetings->select(QString::fromStdString(other.id()));
        break;
      case Action::rename:
        meetings->beginRename(id);
        meetings->rename(id, QStringLiteral("Renombrada %1").arg(round));
        break;
      case Action::remove:
        meetings->askDelete(id);
        meetings->confirmDelete();
        break;
      case Action::reprocess:
        meetings->reprocess(id);
        break;
    }
    ASSERT_TRUE(refreshed());
    view.settle();
    EXPECT_NE(player->state(), Player::Playing);
    EXPECT_EQ(player->position(), 0);
  }
}

}  // namespace
}  // namespace kelv::app
