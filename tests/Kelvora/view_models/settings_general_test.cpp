// The general settings over a preferences file in a temporary folder: the language picker's
// options and the rows of the applications not asked about.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kelv/core/settings/memory_secret_store.h"
#include "temp_dir.h"
#include "view_models/general_settings.h"

namespace kelv::app {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

class GeneralSettingsTest : public testing::Test {
 protected:
  core::Settings stored() const { return record.store().load(); }

  kelv::test::TempDir temp;
  SettingsRecord record{core::SettingsStore(core::Preferences(temp / "preferences.json"),
                                            std::make_shared<core::MemorySecretStore>())};
  GeneralSettings general{record};
};

TEST_F(GeneralSettingsTest, TheLanguagePickerOffersTheSystemsThenEachLanguage) {
  const QVariantList options = general.languageOptions();
  ASSERT_EQ(options.size(), 39);
  EXPECT_TRUE(options[0].toMap()["name"].toString().startsWith("System ("));
  EXPECT_TRUE(options[0].toMap()["name"].toString().endsWith(")"));
  EXPECT_EQ(options[0].toMap()["value"].toString(), "");
  for (qsizetype i = 1; i < options.size(); ++i) {
    const QString code = general.languages()[i - 1];
    EXPECT_EQ(options[i].toMap()["value"].toString(), code);
    EXPECT_EQ(options[i].toMap()["name"].toString(), GeneralSettings::languageName(code));
  }
}

TEST_F(GeneralSettingsTest, IgnoredApplicationsAreListedByName) {
  const struct {
    std::vector<std::string> ids;
    std::vector<QString> rows;
  } cases[] = {
      {{}, {}},
      {{"us.zoom.xos"}, {"Not asking for Zoom"}},
      {{"org.example.unknown", "us.zoom.xos"},
       {"Not asking for org.example.unknown", "Not asking for Zoom"}},
      {{"é.ü"}, {"Not asking for é.ü"}},
  };
  for (const auto& c : cases) {
    record.update([&](core::Settings& settings) { settings.ignoredCallApps = c.ids; });
    EXPECT_THAT(general.ignoredCallApps(), ElementsAreArray(c.rows));
  }
}

TEST_F(GeneralSettingsTest, AskAgainRemovesEveryOccurrenceOfTheRowsId) {
  const struct {
    int row;
    std::vector<std::string> left;
  } cases[] = {
      {0, {"b"}}, {1, {"a", "a"}}, {2, {"b"}}, {-1, {"a", "b", "a"}}, {3, {"a", "b", "a"}},
  };
  for (const auto& c : cases) {
    record.update([](core::Settings& settings) { settings.ignoredCallApps = {"a", "b", "a"}; });
    general.askAgain(c.row);
    EXPECT_EQ(stored().ignoredCallApps, c.left) << c.row;
  }
}

TEST_F(GeneralSettingsTest, ASaveAnnouncesTheChange) {
  int changes = 0;
  QObject::connect(&general, &GeneralSettings::changed, [&] { ++changes; });
  general.setDeleteAudioAfterProcessing(!general.deleteAudioAfterProcessing());
  EXPECT_EQ(changes, 1);
  general.setDeleteAudioAfterProcessing(general.deleteAudioAfterProcessing());  // equal: nothing
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace kelv::app
