// The Meeting file view with real data on the offscreen platform: what each block shows, in
// which colours and where; the title rule; turn times, speakers and accessibility labels; a
// change of appearance while it shows; and that a long transcript is built only where visible.
#include <QAccessible>
#include <QFont>

#include <gtest/gtest.h>

#include <string>

#include "shell/theme.h"
#include "view_harness.h"
#include "view_models/meeting_file_model.h"

namespace kelv::test {
namespace {

using app::Appearance;
using app::Theme;

const char kClass[] =
    "---\ntitle: \"Álgebra\"\n---\n\n# Álgebra\n\n# Resumen de la clase\n\nTexto con "
    "**negrita**.\n\n"
    "### Detalle\n\n- [ ] Entregar [due:: 2026-03-12] [owner:: Marta]\n- punto\n\n"
    "## Transcript\n\n"
    "[00:00:04] **Them:** Buenos días.\n\n"
    "[00:01:05] **You:** Una pregunta.\n\n"
    "[00:01:09] **You:** Y otra más.\n\n"
    "[00:02:00] **Marta:** ¿Entra en el examen?\n\n"
    "[01:02:03] **Them:** Hasta el jueves.\n";

QString accessibleName(QQuickItem* item) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(item);
  return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

QQuickItem* child(QQuickItem* under, const QString& name) {
  if (under->objectName() == name) return under;
  for (QQuickItem* item : under->childItems())
    if (QQuickItem* found = child(item, name)) return found;
  return nullptr;
}

// The turn drawing a time belongs to, found from its time label.
QQuickItem* turnShowing(ViewHarness& views, const QString& shortTime) {
  for (QQuickItem* time : views.findAll("turnTime"))
    if (time->property("text").toString() == shortTime) return time->parentItem();
  return nullptr;
}

class MeetingFileViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Theme::shared().force(Appearance::light);
    view_ =
        views_.load("MeetingFileView",
                    {{"markdown", QString::fromUtf8(kClass)}, {"title", "Álgebra"}}, {700, 2400});
    ASSERT_NE(view_, nullptr);
  }
  void TearDown() override { Theme::shared().force(Appearance::light); }

  ViewHarness views_;
  QQuickItem* view_ = nullptr;
};

TEST_F(MeetingFileViewTest, LevelOneHeadingIsUpperCasedOnHighlight) {
  const QList<QQuickItem*> headings = views_.findAll("headingText");
  ASSERT_EQ(headings.size(), 2);  // the title's own heading is left out
  QQuickItem* large = nullptr;
  for (QQuickItem* heading : headings)
    if (accessibleName(heading) == "Resumen de la clase") large = heading;
  ASSERT_NE(large, nullptr);
  const QFont font = large->property("font").value<QFont>();
  EXPECT_EQ(font.capitalization(), QFont::AllUppercase);
  EXPECT_EQ(colorOf(large).rgba(), Theme::shared().onHighlight().rgba());
  QQuickItem* plate = child(large->parentItem(), "headingPlate");
  ASSERT_NE(plate, nullptr);
  EXPECT_TRUE(plate->isVisible());
  EXPECT_EQ(colorOf(plate).rgba(), Theme::shared().highlight().rgba());
  EXPECT_EQ(views_.pixel(plate, {3, plate->height() / 2}).rgba(),
            Theme::shared().highlight().rgba());
  // The view's first block: no space above it.
  EXPECT_EQ(plate->mapToItem(view_, QPointF()).y(), 0);
}

TEST_F(MeetingFileViewTest, TurnsShowShortTimesSpeakersAndAccessibleTimes) {
  QQuickItem* early = turnShowing(views_, "01:05");
  QQuickItem* late = turnShowing(views_, "01:02:03");
  ASSERT_TRUE(early && late);
  EXPECT_EQ(accessibleName(child(early, "turnTime")), "En 00:01:05");
  EXPECT_EQ(accessibleName(child(late, "turnTime")), "En 01:02:03");

  QQuickItem* you = child(early, "turnSpeaker");
  EXPECT_TRUE(you->isVisible());
  EXPECT_EQ(you->property("text").toString(), "Yo");
  EXPECT_EQ(colorOf(you).rgba(), Theme::shared().accent().rgba());
  QQuickItem* them = child(late, "turnSpeaker");
  EXPECT_EQ(them->property("text").toString(), "Profe");
  EXPECT_EQ(colorOf(them).rgba(), Theme::shared().them().rgba());
  QQuickItem* named = child(turnShowing(views_, "02:00"), "turnSpeaker");
  EXPECT_EQ(named->property("text").toString(), "Marta");
  EXPECT_EQ(colorOf(named).rgba(), Theme::shared().ink2().rgba());

  // The second turn by "You" continues the first: no label, 8 above instead of 24.
  QQuickItem* continued = turnShowing(views_, "01:09");
  ASSERT_NE(continued, nullptr);
  EXPECT_FALSE(child(continued, "turnSpeaker")->isVisible());
  EXPECT_EQ(child(continued, "turnText")->mapToItem(continued, QPointF()).y(), 8);
  EXPECT_EQ(child(early, "turnSpeaker")->mapToItem(early, QPointF()).y(), 24);
}

TEST_F(MeetingFileViewTest, TaskItemShowsItsFieldChips) {
  QStringList chips;
  for (QQuickItem* chip : views_.findAll("fieldChipText"))
    chips << chip->property("text").toString();
  // The date in the user's locale; its form is checked with the reader's tests.
  const QString due =
      QString::fromStdString(core::MeetingFileBlocks::fieldText("due", "2026-03-12"));
  EXPECT_TRUE(due.startsWith("Due ") && due.contains("12")) << due.toStdString();
  EXPECT_EQ(chips, (QStringList{due, "Marta"}));
  QStringList labels;
  for (QQuickItem* marker : views_.findAll("itemMarker")) labels << accessibleName(marker);
  EXPECT_TRUE(labels.contains("Pendiente"));
  QQuickItem* chip = views_.find("fieldChip");
  EXPECT_EQ(colorOf(child(chip, "cardTint")).rgba(),
            Theme::shared().card(Theme::shared().ink2(), 0.06).rgba());
}

TEST_F(MeetingFileViewTest, ChangingTheAppearanceRecoloursTheShownBlocks) {
  QQuickItem* you = child(turnShowing(views_, "01:05"), "turnSpeaker");
  QQuickItem* text = views_.find("paragraphText");
  Theme::shared().force(Appearance::dark);
  views_.settle();
  EXPECT_EQ(colorOf(you).rgba(), Theme::shared().accent().rgba());
  EXPECT_EQ(colorOf(text).rgba(), Theme::shared().ink().rgba());
  EXPECT_NE(Theme::shared().accent().rgba(), QColor::fromRgbF(0.0f, 0.196f, 0.84f).rgba());
  Theme::shared().force(Appearance::highContrastDark);
  views_.settle();
  EXPECT_EQ(colorOf(you).rgba(), Theme::shared().accent().rgba());
}

TEST(MeetingFileViewLaziness, ALongTranscriptBuildsOnlyWhatIsVisible) {
  std::string markdown = "## Transcript\n";
  for (int k = 0; k < 3000; ++k)
    markdown += "[00:" + std::string(k / 60 % 60 < 10 ? "0" : "") + std::to_string(k / 60 % 60) +
                ":00] **" + (k % 2 ? "You" : "Them") + ":** frase número " + std::to_string(k) +
                "\n";
  ViewHarness views;
  ASSERT_NE(
      views.load("MeetingFileView", {{"markdown", QString::fromStdString(markdown)}}, {700, 600}),
      nullptr);
  EXPECT_EQ(views.root()->property("count").toInt(), 3001);
  const qsizetype built = views.findAll("turnTime").size();
  EXPECT_GT(built, 3);
  EXPECT_LT(built, 100);
}

TEST(MeetingFileModelRules, ShortTimesAndSpeakerLabels) {
  using app::MeetingFileModel;
  EXPECT_EQ(MeetingFileModel::shortTime("00:01:05"), "01:05");
  EXPECT_EQ(MeetingFileModel::shortTime("01:02:03"), "01:02:03");
  EXPECT_EQ(MeetingFileModel::shortTime("00:00:00"), "00:00");
  EXPECT_EQ(MeetingFileModel::speakerLabel("You"), "Yo");
  EXPECT_EQ(MeetingFileModel::speakerLabel("Them"), "Profe");
  EXPECT_EQ(MeetingFileModel::speakerLabel("you"), "you");
  EXPECT_EQ(MeetingFileModel::speakerTone("Marta"), "ink2");
}

TEST(MeetingFileModelRules, AnUnreadableFileShowsNothing) {
  app::MeetingFileModel model;
  model.setMarkdown("# Algo");
  EXPECT_EQ(model.rowCount(), 1);
  model.setPath("/nonexistent/clase.md");
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace kelv::test
