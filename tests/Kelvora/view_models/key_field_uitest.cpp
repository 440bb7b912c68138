// The API-key field, loaded from the real QML module: typing hands nothing on, and each of the
// field's moments to save (return, focus loss, the window hidden, the field destroyed, the
// pause) hands the draft on once.
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "view_harness.h"
#include "view_models/key_draft.h"

namespace kelv::app {
namespace {

using kelv::test::ViewHarness;

void type(QWindow& window, const QString& text) {
  for (const QChar c : text) QTest::keyClick(&window, c.toLatin1());
}

enum class Moment { none, returnKey, focusLoss, hidden, destroyed, pause };

TEST(KeyFieldView, EachMomentToSaveHandsTheDraftOnOnce) {
  const struct {
    const char* name;
    const char* stored;
    // Backspaces first, then the typed text.
    int erase;
    const char* typed;
    Moment moment;
    QStringList commits;
  } cases[] = {
      {"typing alone", "", 0, "sk-ant", Moment::none, {}},
      {"return", "", 0, "sk-ant", Moment::returnKey, {"sk-ant"}},
      {"focus loss", "", 0, "sk-ant", Moment::focusLoss, {"sk-ant"}},
      {"the window hidden", "", 0, "sk-ant", Moment::hidden, {"sk-ant"}},
      {"the field destroyed", "", 0, "sk-ant", Moment::destroyed, {"sk-ant"}},
      {"the pause", "", 0, "sk-ant", Moment::pause, {"sk-ant"}},
      {"the stored key typed again", "sk", 2, "sk", Moment::returnKey, {}},
      {"the key erased", "sk", 2, "", Moment::returnKey, {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ViewHarness views;
    QQuickItem* root = views.load("KeyField", {{"objectName", "key"}, {"key", c.stored}});
    ASSERT_NE(root, nullptr);
    QSignalSpy commits(root, SIGNAL(commit(QString)));
    QQuickItem* field = views.find("key.field");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->property("text").toString(), QString::fromLatin1(c.stored));
    field->forceActiveFocus();
    QTest::keyClick(&views.window(), Qt::Key_End);
    for (int i = 0; i < c.erase; ++i) QTest::keyClick(&views.window(), Qt::Key_Backspace);
    type(views.window(), QString::fromLatin1(c.typed));
    EXPECT_EQ(commits.size(), 0);
    switch (c.moment) {
      case Moment::none:
        break;
      case Moment::returnKey:
        QTest::keyClick(&views.window(), Qt::Key_Return);
        break;
      case Moment::focusLoss:
        root->forceActiveFocus();
        break;
      case Moment::hidden:
        views.window().hide();
        break;
      case Moment::destroyed:
        views.loadText("Item {}");
        break;
      case Moment::pause:
        ASSERT_TRUE(commits.wait(10'000));
        break;
    }
    views.settle();
    QStringList values;
    for (const auto& arguments : commits) values << arguments[0].toString();
    EXPECT_EQ(values, c.commits);
  }
}

TEST(KeyFieldView, ANewStoredKeyReplacesTheTextOnlyWhenNothingIsTyped) {
  ViewHarness views;
  QQuickItem* root = views.load("KeyField", {{"objectName", "key"}, {"key", "sk-1"}});
  ASSERT_NE(root, nullptr);
  QQuickItem* field = views.find("key.field");
  root->setProperty("key", "sk-2");
  EXPECT_EQ(field->property("text").toString(), "sk-2");
  field->forceActiveFocus();
  QTest::keyClick(&views.window(), Qt::Key_End);
  type(views.window(), "x");
  root->setProperty("key", "sk-3");
  EXPECT_EQ(field->property("text").toString(), "sk-2x");
}

}  // namespace
}  // namespace kelv::app
