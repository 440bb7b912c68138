// The search field of the meetings window as the user meets it: real QML on the offscreen
// platform over a real meeting store and a real search index in a temporary folder, typed into
// with the keyboard.
#include <QGuiApplication>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/search/search_index.h"
#include "meetings_window_fixture.h"
#include "pulse_server.h"

namespace kelv::app {

namespace {

namespace fs = std::filesystem;
using State = core::MeetingEntry::State;
using namespace std::chrono_literals;

class MeetingSearchTest : public MeetingsWindowFixture {
 protected:
  SearchResultsModel& results() { return *meetings->search(); }

  // Types into whatever has the keyboard, then waits for the answer to the whole text.
  void typeText(const QString& text) {
    for (const char c : text.toLatin1()) QTest::keyClick(&view.window(), c);
    QCoreApplication::processEvents();
    waitForAnswer();
  }
  void waitForAnswer() {
    ASSERT_TRUE(view.waitUntil([&] { return results().answered(); }));
    view.settle();
  }
  // The first item of that name on screen: delegates of earlier answers may linger unseen.
  QQuickItem* shown(const char* name) {
    for (QQuickItem* item : view.findAll(QString::fromLatin1(name)))
      if (item->isVisible()) return item;
    return nullptr;
  }
  bool shows(const char* name) { return shown(name) != nullptr; }
  QQuickItem* field() { return view.find(QStringLiteral("searchField")); }
  QString fieldText() { return field() ? field()->property("text").toString() : QString(); }

  // What the results show: each class's title, then each hit's text, in order.
  std::vector<std::string> listed() {
    std::vector<std::string> out;
    for (const SearchRow& row : results().rows())
      out.push_back(row.heading ? "# " + row.title.toStdString()
                                : (row.time.isEmpty() ? "" : row.time.toStdString() + " ") +
                                      row.plain.toStdString());
    return out;
  }
};

// Ctrl+F goes to the field; what is typed gives way to the results grouped by class, newest
// class first among equals; Up and Down walk the hits (never a class's heading); Return opens
// one, scrolled to and marked in its Meeting file; Escape clears the field and brings back the
// day list.
TEST_F(MeetingSearchTest, TypedWordsShowHitsByClassAndReturnOpensOne) {
  library.add({"Cálculo II: integrales dobles", kNow - 8 * 24h});
  library.add({"Física: ley de Gauss", kNow - 12 * 24h});
  open();
  EXPECT_TRUE(shows("meetingList"));
  key(Qt::Key_F, Qt::ControlModifier);
  ASSERT_NE(field(), nullptr);
  EXPECT_TRUE(field()->hasActiveFocus());

  typeText(QStringLiteral("GRADIENTE crece"));
  EXPECT_FALSE(shows("meetingList"));
  EXPECT_TRUE(shows("searchResults"));
  EXPECT_EQ(listed(), (std::vector<std::string>{
                          "# Cálculo II: integrales dobles",
                          "El gradiente apunta hacia donde la función crece más deprisa.",
                          "# Física: ley de Gauss",
                          "El gradiente apunta hacia donde la función crece más deprisa.",
                      }));
  // The marked words are bold in the line of context.
  EXPECT_TRUE(results().rows()[1].snippet.contains(QStringLiteral("<b>gradiente</b>")))
      << results().rows()[1].snippet.toStdString();
  EXPECT_EQ(results().currentIndex(), 1);
  key(Qt::Key_Up);
  EXPECT_EQ(results().currentIndex(), 1);
  key(Qt::Key_Down);
  EXPECT_EQ(results().currentIndex(), 3);
  key(Qt::Key_Down);
  EXPECT_EQ(results().currentIndex(), 3);

  key(Qt::Key_Return);
  const std::string gauss = meetings->list()->rows().at(1).entry.id;
  EXPECT_EQ(meetings->selection().toStdString(), gauss);
  ASSERT_TRUE(view.waitUntil([&] { return shows("foundMark"); }));
  QQuickItem* fileView = view.find(QStringLiteral("meetingFileView"));
  ASSERT_NE(fileView, nullptr);
  EXPECT_EQ(fileView->property("foundRow").toInt(), results().rows()[3].block);
  EXPECT_GE(results().rows()[3].block, 0);

  key(Qt::Key_Escape);
  EXPECT_EQ(fieldText(), QString());
  EXPECT_TRUE(shows("meetingList"));
  EXPECT_FALSE(shows("searchResults"));
  EXPECT_TRUE(view.find(QStringLiteral("meetingList"))->hasActiveFocus());
}

// Nothing found says so; stray query syntax is only text; a class renamed meanwhile is found
// under its new title once the list is read again.
TEST_F(MeetingSearchTest, SaysWhenNothingMatchesAndFollowsTheLibrary) {
  library.add({"Historia del arte: el Barroco", kNow - 50h});
  open();
  field()->forceActiveFocus();
  struct Case {
    const char* typed;
    bool found;
  };
  for (const Case& c : {Case{"teorema espectral", false}, Case{"\"", false},
                        Case{"NEAR(* -", false}, Case{"barr", true}, Case{"\"regla de la", true}}) {
    QMetaObject::invokeMethod(field(), "selectAll");
    typeText(QString::fromUtf8(c.typed));
    EXPECT_EQ(results().hitCount() > 0, c.found) << c.typed;
    EXPECT_EQ(shows("noResults"), !c.found) << c.typed;
  }

  meetings->beginRename(QString::fromStdString(meetings->list()->rows().at(0).entry.id));
  meetings->rename(QString::fromStdString(meetings->list()->rows().at(0).entry.id),
                   QStringLiteral("Arte moderno: Picasso"));
  field()->forceActiveFocus();
  QMetaObject::invokeMethod(field(), "selectAll");
  typeText(QStringLiteral("picasso"));
  ASSERT_TRUE(view.waitUntil([&] { return results().hitCount() == 1; }));
  EXPECT_EQ(results().rows().at(1).kind, QStringLiteral("title"));
}

// Twenty classes or more to read is a long update: the results say how far it is, from the
// first class to the last, then give way to the answer; "Clases" counts the classes found.
TEST_F(MeetingSearchTest, ALongUpdateOfTheIndexShowsHowFarItIs) {
  library.add({"Cálculo II: integrales dobles", kNow - 8 * 24h});
  open();
  field()->forceActiveFocus();
  typeText(QStringLiteral("gradiente"));
  EXPECT_EQ(results().classCount(), 1);
  constexpr int kAdded = core::SearchIndex::kFilesWorthProgress;
  for (int n = 0; n < kAdded; ++n)
    library.add({"Clase " + std::to_string(n), kNow - std::chrono::hours(200 + 12 * n)});

  // What the results show at each step, read as it is announced.
  std::vector<std::string> lines;
  QObject::connect(&results(), &SearchResultsModel::indexingChanged, [&] {
    QQuickItem* line = shown("searchIndexing");
    lines.push_back(line ? line->property("text").toString().toStdString() : "");
  });
  meetings->refresh();
  ASSERT_TRUE(view.waitUntil([&] { return !lines.empty() && lines.back().empty(); }));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "Preparando la búsqueda: 1 de 20 clases");
  EXPECT_EQ(lines[lines.size() - 2], "Preparando la búsqueda: 20 de 20 clases");
  EXPECT_FALSE(shows("noResults"));

  ASSERT_TRUE(view.waitUntil([&] { return results().classCount() == kAdded + 1; }));
  view.settle();
  QQuickItem* count = shown("sidebarCount");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->property("text").toString(), QString::number(kAdded + 1));
}

// A transcript hit's time plays its class from there.
TEST_F(MeetingSearchTest, ATurnsTimePlaysTheClassFromThere) {
  kelv::test::PulseServer server;
  const core::MeetingFolder folder =
      library.add({"Química: alquenos", kNow - 3h, 2, State::done, true, true});
  // The Meeting file rewritten elsewhere with a turn inside the two seconds of audio.
  const fs::path file = *folder.readStatus().meetingFile;
  core::MeetingFileWriter::Content content;
  content.meetingID = folder.id();
  content.title = "Química: alquenos";
  content.startedAt = kNow - 3h;
  content.duration = 2;
  content.turns = {{0, "Them", "Empezamos."}, {1, "Them", "Los alquenos tienen un doble enlace."}};
  content.defaultSpeaker = "Them";
  kelv::test::writeFile(file, core::MeetingFileWriter::markdown(content));
  open();
  field()->forceActiveFocus();
  typeText(QStringLiteral("doble enlace"));
  ASSERT_EQ(results().hitCount(), 1);
  const SearchRow hit = results().rows().at(1);
  EXPECT_EQ(hit.time, QStringLiteral("00:01"));
  EXPECT_EQ(hit.speaker, QStringLiteral("Profe"));

  QQuickItem* play = shown("searchHitPlay");
  ASSERT_NE(play, nullptr);
  QSignalSpy chosen(&results(), &SearchResultsModel::chosen);
  view.press(play);
  view.release(play);
  ASSERT_EQ(chosen.size(), 1);
  EXPECT_EQ(chosen[0][2].toDouble(), 1.0);
  EXPECT_EQ(meetings->selection().toStdString(), folder.id());
  Player* player = meetings->detail()->player();
  ASSERT_TRUE(view.waitUntil([&] { return player->position() >= 1.0; }))
      << player->state() << " " << player->position() << " " << player->message().toStdString()
      << " " << meetings->detail()->hasAudio();
}

}  // namespace
}  // namespace kelv::app
