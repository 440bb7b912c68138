#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings.h"
#include "sample_library.h"
#include "temp_dir.h"
#include "view_models/meeting_list_model.h"
#include "view_models/meeting_state.h"

namespace kelv::app {
namespace {

namespace fs = std::filesystem;
using State = core::MeetingEntry::State;
using namespace std::chrono_literals;

MeetingRow rowOf(char id, const std::string& title = "") {
  MeetingRow row;
  row.entry.id = std::string(1, id);
  row.entry.title = title.empty() ? std::string("Clase ") + id : title;
  return row;
}

std::vector<MeetingRow> rowsOf(const std::string& ids) {
  std::vector<MeetingRow> rows;
  for (char id : ids) rows.push_back(rowOf(id));
  return rows;
}

std::string idsOf(const MeetingListModel& model) {
  std::string ids;
  for (int i = 0; i < model.rowCount(); ++i)
    ids += model.data(model.index(i), MeetingListModel::IdRole).toString().toStdString();
  return ids;
}

// A list that is only ever given rows, never read.
MeetingListModel::Source nowhereSource() {
  const fs::path nowhere = "/nonexistent";
  return {core::MeetingStore(nowhere),
          core::SettingsStore(core::Preferences(nowhere / "p.json"),
                              std::make_shared<core::MemorySecretStore>()),
          {},
          {},
          {}};
}

struct ApplyCase {
  const char* name;
  std::string before;
  std::string after;
  std::string retitled;  // ids of `after` whose title differs from before
  int inserts, removes, moves, changes;
};

class MeetingListApplyTest : public testing::TestWithParam<ApplyCase> {};

TEST_P(MeetingListApplyTest, ChangesRowByRowWithoutReset) {
  const ApplyCase& c = GetParam();
  MeetingListModel model(nowhereSource());
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.apply(rowsOf(c.before));

  QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy removes(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
  QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  std::vector<MeetingRow> next = rowsOf(c.after);
  for (MeetingRow& row : next)
    if (c.retitled.find(row.entry.id[0]) != std::string::npos) row.entry.title += " (nuevo)";
  model.apply(next);

  EXPECT_EQ(idsOf(model), c.after);
  for (int i = 0; i < model.count(); ++i)
    EXPECT_EQ(model.data(model.index(i), MeetingListModel::TitleRole).toString().toStdString(),
              next[i].entry.title);
  EXPECT_EQ(inserts.count(), c.inserts);
  EXPECT_EQ(removes.count(), c.removes);
  EXPECT_EQ(moves.count(), c.moves);
  EXPECT_EQ(changes.count(), c.changes);
  EXPECT_EQ(resets.count(), 0);
  for (int i = 0; i < model.count(); ++i) EXPECT_EQ(model.indexOf(QString(QChar(c.after[i]))), i);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MeetingListApplyTest,
    testing::Values(ApplyCase{"Unchanged", "abc", "abc", "", 0, 0, 0, 0},
                    ApplyCase{"OneRowChanged", "abc", "abc", "b", 0, 0, 0, 1},
                    ApplyCase{"NewestOnTop", "bc", "abc", "", 1, 0, 0, 0},
                    ApplyCase{"RunInsertedAtOnce", "ad", "abcd", "", 1, 0, 0, 0},
                    ApplyCase{"RunRemovedAtOnce", "abcd", "ad", "", 0, 1, 0, 0},
                    ApplyCase{"ScatteredRemovals", "abcde", "bd", "", 0, 3, 0, 0},
                    ApplyCase{"MovedUpAndChanged", "abc", "cab", "c", 0, 0, 1, 1},
                    ApplyCase{"FromEmpty", "", "abc", "", 1, 0, 0, 0},
                    ApplyCase{"ToEmpty", "abc", "", "", 0, 1, 0, 0},
                    ApplyCase{"EverythingAtOnce", "abcdef", "xbfdy", "d", 2, 3, 1, 1}),
    [](const testing::TestParamInfo<ApplyCase>& info) { return std::string(info.param.name); });

TEST(MeetingListModel, KeepsTheFirstOfDuplicateIdsAndPersistentIndexesFollowTheirRow) {
  MeetingListModel model(nowhereSource());
  model.apply(rowsOf("bc"));
  const QPersistentModelIndex c(model.index(1));
  std::vector<MeetingRow> next = rowsOf("abcb");
  next[3].entry.title = "duplicate";
  model.apply(next);
  EXPECT_EQ(idsOf(model), "abc");
  EXPECT_EQ(c.row(), 2);
  EXPECT_EQ(model.data(model.index(1), MeetingListModel::TitleRole).toString().toStdString(),
            "Clase b");
}

class MeetingListStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    const nlohmann::json settings = {{"notesFolder", core::folderURL(temp / "notes")}};
    kelv::test::writeFile(temp / "preferences.json",
                          nlohmann::json{{"v2.settings", settings}}.dump());
  }

  MeetingListModel::Source source() const {
    return {core::MeetingStore(temp / "meetings"),
            core::SettingsStore(core::Preferences(temp / "preferences.json"),
                                std::make_shared<core::MemorySecretStore>()),
            [] { return now; }, "es_ES", "UTC"};
  }

  static bool refreshAndWait(MeetingListModel& model) {
    QSignalSpy refreshed(&model, &MeetingListModel::refreshed);
    model.refresh();
    while (refreshed.isEmpty() || !refreshed.last().at(0).toBool())
      if (!refreshed.wait(10000)) return false;
    return true;
  }

  static inline const core::Date now =
      core::Date(std::chrono::sys_days(std::chrono::year(2025) / 3 / 14) + 10h);
  kelv::test::TempDir temp;
  kelv::test::SampleLibrary library{core::MeetingStore(temp / "meetings"), temp / "notes"};
};

TEST_F(MeetingListStoreTest, ReadsEveryStateNewestFirstWithItsDayAndActions) {
  library.add({"Grabando", now - 10min, 0, State::recording, false, true});
  library.add({"Atención", now - 26h, 600, State::needsAttention, false, false});
  library.add({"Hecha", now - 60 * 24h, 90, State::done, true, true});
  library.addFileOnly("Suelta", now - 5 * 24h);
  MeetingListModel model(source());
  ASSERT_TRUE(refreshAndWait(model));

  ASSERT_EQ(model.count(), 4);
  const auto text = [&](int row, int role) {
    return model.data(model.index(row), role).toString().toStdString();
  };
  EXPECT_EQ(text(0, MeetingListModel::TitleRole), "Grabando");
  EXPECT_EQ(text(0, MeetingListModel::DayRole), "Hoy");
  EXPECT_EQ(text(0, MeetingListModel::BadgeRole), "Grabando");
  EXPECT_TRUE(model.data(model.index(0), MeetingListModel::BusyRole).toBool());
  EXPECT_FALSE(model.data(model.index(0), MeetingListModel::CanReprocessRole).toBool());
  EXPECT_EQ(text(1, MeetingListModel::DayRole), "Ayer");
  EXPECT_EQ(model.data(model.index(1), MeetingListModel::StateRole).toInt(),
            MeetingState::NeedsAttention);
  EXPECT_EQ(text(1, MeetingListModel::MessageRole),
            "Transcription failed: the service answered 500.");
  // Without audio there is nothing to process again.
  EXPECT_FALSE(model.data(model.index(1), MeetingListModel::CanReprocessRole).toBool());
  EXPECT_EQ(text(2, MeetingListModel::TitleRole), "Suelta");
  EXPECT_EQ(text(2, MeetingListModel::DayRole), "domingo");
  EXPECT_EQ(text(3, MeetingListModel::DayRole), "enero de 2025");
  EXPECT_EQ(text(3, MeetingListModel::BadgeRole), "");
  EXPECT_EQ(model.data(model.index(3), MeetingListModel::MinutesRole).toInt(), 2);
  EXPECT_TRUE(model.data(model.index(3), MeetingListModel::HasFileRole).toBool());
  EXPECT_TRUE(model.data(model.index(3), MeetingListModel::CanReprocessRole).toBool());
}

TEST_F(MeetingListStoreTest, ANewMeetingIsOneInsertedRow) {
  library.add({"Primera", now - 48h});
  MeetingListModel model(source());
  ASSERT_TRUE(refreshAndWait(model));
  QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  library.add({"Segunda", now - 1h});
  ASSERT_TRUE(refreshAndWait(model));
  EXPECT_EQ(model.count(), 2);
  ASSERT_EQ(inserts.count(), 1);
  EXPECT_EQ(inserts.first().at(1).toInt(), 0);
  EXPECT_EQ(resets.count(), 0);
}

TEST_F(MeetingListStoreTest, RefreshesDuringAReadFoldIntoOneMore) {
  library.add({"Primera", now - 48h});
  MeetingListModel model(source());
  QSignalSpy refreshed(&model, &MeetingListModel::refreshed);
  model.refresh();
  EXPECT_TRUE(model.refreshing());
  model.refresh();
  model.refresh();
  while (refreshed.isEmpty() || !refreshed.last().at(0).toBool())
    ASSERT_TRUE(refreshed.wait(10000));
  ASSERT_EQ(refreshed.count(), 2);
  EXPECT_FALSE(refreshed.first().at(0).toBool());
  EXPECT_FALSE(model.refreshing());
  EXPECT_TRUE(model.loaded());
}

}  // namespace
}  // namespace kelv::app
