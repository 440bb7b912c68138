// The pop-over's rules over a given state: which status line and button title show, the
// shortcut hint, the low-disk text, each waiting meeting's state and the elapsed time.
#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "view_models/menu_model.h"

namespace kelv::app {
namespace {

MenuState::Waiting waiting(const char* id, const char* label) {
  return {QString::fromLatin1(id), QString::fromUtf8(label)};
}

TEST(MenuRules, TheStatusLineAndButtonFollowCallsQueueAndRecording) {
  const struct {
    const char* name;
    bool recording;
    QStringList calls;
    std::vector<MenuState::Waiting> queue;
    const char* status;
    const char* title;
  } cases[] = {
      {"nothing", false, {}, {}, "Lista para la próxima clase", "Grabar clase"},
      {"a queued meeting",
       false,
       {},
       {waiting("a", "Álgebra")},
       "Procesando en segundo plano",
       "Grabar clase"},
      {"two calls name the later",
       false,
       {"Zoom", "Microsoft Teams"},
       {waiting("a", "x")},
       "Microsoft Teams is on a call",
       "Grabar clase de Microsoft Teams"},
      {"recording", true, {"Zoom"}, {}, "Zoom is on a call", "Detener grabación"},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    MenuState state;
    state.recording = expected.recording;
    state.callNames = expected.calls;
    state.queue = expected.queue;
    const MenuModel menu(state);
    EXPECT_EQ(menu.statusLine(), QString::fromUtf8(expected.status));
    EXPECT_EQ(menu.buttonTitle(), QString::fromUtf8(expected.title));
  }
}

TEST(MenuRules, TheRecordingViewNeedsARecorderAndItsStartTime) {
  const struct {
    bool recorder;
    bool startedAt;
    bool recordingView;
  } cases[] = {
      {true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
  for (const auto& [recorder, startedAt, recordingView] : cases) {
    MenuState state;
    state.recording = recorder;
    if (startedAt) state.startedAt = QDateTime::currentDateTime();
    EXPECT_EQ(MenuModel(state).recording(), recordingView) << recorder << startedAt;
  }
}

TEST(MenuRules, TheHintNamesTheShortcutOnlyWhenOneIsSaved) {
  MenuState state;
  EXPECT_EQ(MenuModel(state).buttonHint(), QString());
  state.shortcut = QStringLiteral("Ctrl+Alt+Super+R");
  EXPECT_EQ(MenuModel(state).buttonHint(), QStringLiteral("Shortcut Ctrl+Alt+Super+R"));
}

TEST(MenuRules, TheLowDiskCardGivesTheFreeSpaceInFileStyle) {
  MenuState state;
  EXPECT_FALSE(MenuModel(state).lowDisk());
  EXPECT_EQ(MenuModel(state).lowDiskText(), QString());
  state.lowDiskSpace = 312'000'000;
  EXPECT_TRUE(MenuModel(state).lowDisk());
  EXPECT_EQ(MenuModel(state).lowDiskText(),
            QStringLiteral("312 MB free. Recording stops below 200 MB."));
}

TEST(MenuRules, OnlyTheMeetingBeingProcessedReadsProcesando) {
  MenuState state;
  state.queue = {waiting("a", "Cálculo"), waiting("b", "Física")};
  state.processingID = QStringLiteral("b");
  MenuModel menu(state);
  const auto rows = menu.queue()->rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].stateText, QStringLiteral("En cola"));
  EXPECT_FALSE(rows[0].processing);
  EXPECT_EQ(rows[1].stateText, QStringLiteral("Procesando"));
  EXPECT_TRUE(rows[1].processing);
  EXPECT_EQ(rows[1].label, QStringLiteral("Física"));
  // Nothing being processed: everything waits.
  state.processingID.clear();
  for (const MenuQueueModel::Row& row : MenuModel::queueRows(state))
    EXPECT_EQ(row.stateText, QStringLiteral("En cola"));
}

// The queue's rows change in place, so the pop-over keeps the delegates of rows that stay.
TEST(MenuQueue, RowsChangeInPlaceAndAtTheEnd) {
  using Row = MenuQueueModel::Row;
  const Row a{"a", "Cálculo", true, "Procesando"};
  const Row b{"b", "Física", false, "En cola"};
  const Row bProcessing{"b", "Física", true, "Procesando"};
  const Row c{"c", "Química", false, "En cola"};
  const struct {
    const char* name;
    std::vector<Row> before, after;
    int changed, removed, inserted;
  } cases[] = {
      {"the same rows", {a, b}, {a, b}, 0, 0, 0},
      {"the first finished", {a, b}, {bProcessing}, 1, 1, 0},
      {"one more waits", {a}, {a, b}, 0, 0, 1},
      {"two more wait", {a}, {a, b, c}, 0, 0, 2},
      {"all done", {a, b}, {}, 0, 2, 0},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    MenuQueueModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setRows(expected.before);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.setRows(expected.after);
    EXPECT_EQ(model.rows(), expected.after);
    EXPECT_EQ(changed.count(), expected.changed);
    int removedRows = 0, insertedRows = 0;
    for (const auto& signal : removed)
      removedRows += signal.at(2).toInt() - signal.at(1).toInt() + 1;
    for (const auto& signal : inserted)
      insertedRows += signal.at(2).toInt() - signal.at(1).toInt() + 1;
    EXPECT_EQ(removedRows, expected.removed);
    EXPECT_EQ(insertedRows, expected.inserted);
    EXPECT_EQ(resets.count(), 0);
    if (!expected.after.empty()) {
      EXPECT_EQ(model.data(model.index(0), MenuQueueModel::StateTextRole).toString(),
                expected.after.front().stateText);
    }
  }
}

TEST(MenuRules, ElapsedTimeIsMinutesAndSeconds) {
  const struct {
    qint64 seconds;
    const char* text;
  } cases[] = {{0, "0:00"},   {7, "0:07"},     {59, "0:59"}, {60, "1:00"},
               {247, "4:07"}, {4500, "75:00"}, {-3, "0:00"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(MenuModel::elapsedText(seconds), text);

  MenuState state;
  state.startedAt = QDateTime::fromSecsSinceEpoch(1'000'000);
  EXPECT_EQ(MenuModel(state).elapsedText(QDateTime::fromSecsSinceEpoch(1'000'125)), "2:05");
}

}  // namespace
}  // namespace kelv::app
