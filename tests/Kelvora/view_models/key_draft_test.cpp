// The API-key field's commit policy: which drafts are handed on, when, and what the field shows
// when the stored key changes.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <variant>
#include <vector>

#include "view_models/key_draft.h"

namespace kelv::app {
namespace {

struct Edit {
  QString text;
};
struct Save {};
// The pause after the last change runs out.
struct Pause {};
// The settings give a new stored key.
struct Stored {
  QString key;
};
using Event = std::variant<Edit, Save, Pause, Stored>;

QStringList texts(const QSignalSpy& spy) {
  QStringList values;
  for (const auto& arguments : spy) values << arguments[0].toString();
  return values;
}

TEST(KeyDraftPolicy, OnlyAChangedDraftIsHandedOnOnce) {
  const struct {
    const char* name;
    std::vector<Event> events;
    QStringList commits;
    QStringList shown;
    bool pending;
  } cases[] = {
      {"typing alone hands nothing on", {Edit{"s"}, Edit{"sk"}}, {}, {}, true},
      {"a save hands the draft on", {Edit{"sk-ant"}, Save{}}, {"sk-ant"}, {}, false},
      {"the pause hands on the last draft", {Edit{"s"}, Edit{"sk"}, Pause{}}, {"sk"}, {}, false},
      {"the stored key typed again writes nothing",
       {Stored{"sk"}, Edit{"s"}, Edit{"sk"}, Save{}},
       {},
       {"sk"},
       false},
      {"a second save has nothing left", {Edit{"sk"}, Save{}, Save{}}, {"sk"}, {}, false},
      {"a save without typing does nothing", {Stored{"sk"}, Save{}}, {}, {"sk"}, false},
      {"the emptied field removes the key", {Stored{"sk"}, Edit{""}, Save{}}, {""}, {"sk"}, false},
      {"each pause hands on its own draft",
       {Edit{"a"}, Pause{}, Edit{"ab"}, Pause{}},
       {"a", "ab"},
       {},
       false},
      {"a key stored while typing leaves the draft on screen",
       {Edit{"sk-new"}, Stored{"sk-old"}, Save{}},
       {"sk-new"},
       {},
       false},
      {"non-ASCII text is handed on as typed", {Edit{"clé-ñ"}, Save{}}, {"clé-ñ"}, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KeyDraft draft;
    QSignalSpy commits(&draft, &KeyDraft::commit);
    QSignalSpy shown(&draft, &KeyDraft::keyShown);
    for (const Event& event : c.events) {
      if (const auto* edit = std::get_if<Edit>(&event)) draft.edit(edit->text);
      if (std::holds_alternative<Save>(event)) draft.save();
      if (std::holds_alternative<Pause>(event))
        ASSERT_TRUE(QTest::qWaitFor([&] { return !draft.waiting(); }, 10'000));
      if (const auto* stored = std::get_if<Stored>(&event)) draft.setKey(stored->key);
    }
    EXPECT_EQ(texts(commits), c.commits);
    EXPECT_EQ(texts(shown), c.shown);
    EXPECT_EQ(draft.pending(), c.pending);
    EXPECT_EQ(draft.waiting(), c.pending);
  }
}

TEST(KeyDraftPolicy, ThePauseRestartsWithEachChange) {
  KeyDraft draft;
  QSignalSpy commits(&draft, &KeyDraft::commit);
  QElapsedTimer sinceLastChange;
  draft.edit("s");
  QTest::qWait(KeyDraft::kCommitPause.count() / 2);
  draft.edit("sk");
  sinceLastChange.start();
  ASSERT_TRUE(commits.wait(10'000));
  EXPECT_GE(sinceLastChange.elapsed(), KeyDraft::kCommitPause.count());
  EXPECT_EQ(texts(commits), QStringList{"sk"});
}

}  // namespace
}  // namespace kelv::app
