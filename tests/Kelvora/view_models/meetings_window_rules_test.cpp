// The rules the meetings window decides in its models, over plain rows: how each state is
// drawn (the badge and the banner share one table), which actions a meeting's menu offers,
// what the detail pane shows, and what the window shows beside the list.
#include <gtest/gtest.h>

#include <optional>

#include "view_models/meeting_actions.h"
#include "view_models/meeting_detail.h"
#include "view_models/meeting_list_model.h"
#include "view_models/meeting_state.h"
#include "view_models/meetings_window_model.h"

namespace kelv::app {
namespace {

using State = core::MeetingEntry::State;

MeetingRow row(State state, bool file, bool audio, bool folder = true) {
  MeetingRow row;
  row.entry.id = "2025-03-14-0900";
  row.entry.title = "Clase";
  row.entry.state = state;
  if (folder) row.entry.folder = core::MeetingFolder("/meetings/2025-03-14-0900");
  if (file) row.entry.meetingFile = "/notes/Clase.md";
  row.hasAudio = audio;
  return row;
}

TEST(MeetingStateLook, EachStateHasOneWordSymbolAndColour) {
  const struct {
    State state;
    MeetingState::Value value;
    const char* text;
    const char* symbol;
    bool dot;
    ColorName tone;
  } cases[] = {
      {State::recording, MeetingState::Recording, "Grabando", "", true, ColorName::recording},
      {State::processing, MeetingState::Processing, "Procesando", "circle.dotted.circle", false,
       ColorName::accent},
      {State::interrupted, MeetingState::Interrupted, "Interrumpida", "bolt.horizontal.circle",
       false, ColorName::interrupted},
      {State::needsAttention, MeetingState::NeedsAttention, "Requiere atención",
       "exclamationmark.triangle.fill", false, ColorName::attention},
      {State::done, MeetingState::Done, "", "", false, ColorName::ink3},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.text);
    EXPECT_EQ(MeetingState::of(expected.state), expected.value);
    const MeetingState::Look& look = MeetingState::look(expected.state);
    EXPECT_EQ(look.text, QString::fromUtf8(expected.text));
    EXPECT_EQ(look.symbol, QString::fromLatin1(expected.symbol));
    EXPECT_EQ(look.dot, expected.dot);
    EXPECT_EQ(look.tone, expected.tone);
    EXPECT_EQ(MeetingListModel::badge(expected.state), look.text);
  }
}

TEST(MeetingStateLook, AValueOutsideTheEnumLooksFinished) {
  EXPECT_EQ(MeetingState::look(static_cast<MeetingState::Value>(17)),
            MeetingState::look(MeetingState::Done));
}

TEST(MeetingActionRules, TheMenuOffersWhatTheMeetingAllows) {
  using Allowed = MeetingActions::Allowed;
  const struct {
    const char* name;
    std::optional<MeetingRow> row;
    Allowed allowed;
  } cases[] = {
      {"no meeting", std::nullopt, {}},
      {"done with file and audio",
       row(State::done, true, true),
       {true, true, true, true, true, true, true, false, true, true}},
      {"done without audio",
       row(State::done, true, false),
       {true, true, true, true, false, true, true, false, false, true}},
      {"a file without a folder",
       row(State::done, true, true, false),
       {true, true, true, true, true, true, true, false, false, true}},
      {"needs attention, no notes yet",
       row(State::needsAttention, false, true),
       {true, false, false, false, true, false, false, true, true, true}},
      {"interrupted",
       row(State::interrupted, true, true),
       {true, true, true, true, true, true, true, false, true, true}},
      {"processing over older notes",
       row(State::processing, true, true),
       {false, true, true, true, true, true, true, false, false, false}},
      {"recording",
       row(State::recording, false, true),
       {false, false, false, false, true, false, false, false, false, false}},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    const Allowed allowed = MeetingActions::of(expected.row ? &*expected.row : nullptr);
    EXPECT_EQ(allowed.rename, expected.allowed.rename);
    EXPECT_EQ(allowed.copy, expected.allowed.copy);
    EXPECT_EQ(allowed.open, expected.allowed.open);
    EXPECT_EQ(allowed.reveal, expected.allowed.reveal);
    EXPECT_EQ(allowed.revealAudio, expected.allowed.revealAudio);
    EXPECT_EQ(allowed.exportFile, expected.allowed.exportFile);
    EXPECT_EQ(allowed.cards, expected.allowed.cards);
    EXPECT_EQ(allowed.retry, expected.allowed.retry);
    EXPECT_EQ(allowed.reprocess, expected.allowed.reprocess);
    EXPECT_EQ(allowed.remove, expected.allowed.remove);
  }
}

TEST(MeetingDetailPane, AReadFileShowsTheNotesElseThePlaceholderOfTheState) {
  const struct {
    const char* name;
    std::optional<State> state;  // none: nothing selected
    bool fileLoaded;
    MeetingDetail::Pane pane;
  } cases[] = {
      {"nothing selected", std::nullopt, false, MeetingDetail::Nothing},
      {"done, read", State::done, true, MeetingDetail::Notes},
      {"processing, older notes read", State::processing, true, MeetingDetail::Notes},
      {"recording", State::recording, false, MeetingDetail::Recording},
      {"processing", State::processing, false, MeetingDetail::Processing},
      {"needs attention", State::needsAttention, false, MeetingDetail::NeedsAttention},
      {"done, file gone", State::done, false, MeetingDetail::Missing},
      {"interrupted, file gone", State::interrupted, false, MeetingDetail::Missing},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    const std::optional<MeetingRow> shown =
        expected.state ? std::optional(row(*expected.state, expected.fileLoaded, true))
                       : std::nullopt;
    EXPECT_EQ(MeetingDetail::paneFor(shown ? &*shown : nullptr, expected.fileLoaded),
              expected.pane);
  }
}

TEST(MeetingDetailTexts, EachStateWithoutNotesExplainsItselfAndOffersItsWayOn) {
  const struct {
    const char* name;
    State state;
    bool file;  // the row names a Meeting file (here one that can't be read)
    bool recordingNow;
    const char* placeholderTitle;
    const char* placeholderText;
    bool active;
    bool canStop;
    bool banner;
    const char* bannerDetail;
    bool retry;
  } cases[] = {
      {"recording here", State::recording, false, true, "",
       "Grabando. Los apuntes aparecen aquí cuando detengas.", true, true, false, "", false},
      {"recording left over", State::recording, false, false, "",
       "Grabando. Los apuntes aparecen aquí cuando detengas.", true, false, false, "", false},
      {"processing", State::processing, false, false, "Procesando",
       "Transcribiendo micrófono y audio del sistema. Los apuntes aparecen aquí al terminar.", true,
       false, false, "", false},
      {"processing over older notes", State::processing, true, false, "Procesando",
       "Transcribiendo micrófono y audio del sistema. Los apuntes aparecen aquí al terminar.", true,
       false, true, "Estos apuntes se reemplazan cuando termine el procesado.", false},
      {"needs attention", State::needsAttention, false, false, "",
       "Aún no hay apuntes. Reintentar retoma donde se paró.", false, false, true,
       "Transcription failed: the service answered 500.", true},
      {"interrupted", State::interrupted, true, false, "", "Los apuntes no están en tu carpeta.",
       false, false, true, "La grabación terminó sin Detener: puede faltar el final de la clase.",
       false},
      {"done, file gone", State::done, true, false, "", "Los apuntes no están en tu carpeta.",
       false, false, false, "", false},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    MeetingRow shown = row(expected.state, expected.file, true);
    shown.entry.message = "Transcription failed: the service answered 500.";
    MeetingDetail detail;
    detail.show(&shown, expected.recordingNow);
    EXPECT_EQ(detail.state(), MeetingState::of(expected.state));
    EXPECT_EQ(detail.placeholderTitle(), QString::fromUtf8(expected.placeholderTitle));
    EXPECT_EQ(detail.placeholderText(), QString::fromUtf8(expected.placeholderText));
    EXPECT_EQ(detail.placeholderActive(), expected.active);
    EXPECT_EQ(detail.canStop(), expected.canStop);
    EXPECT_EQ(detail.banner(), expected.banner);
    EXPECT_EQ(detail.bannerDetail(), QString::fromUtf8(expected.bannerDetail));
    EXPECT_EQ(detail.bannerRetry(), expected.retry);
  }
}

TEST(MeetingDetailTexts, TheDateLineAddsTheLengthOnlyWhenKnown) {
  MeetingRow shown = row(State::done, true, true);
  shown.longDate = QStringLiteral("viernes, 14 de marzo, 9:00");
  MeetingDetail detail;
  detail.show(&shown, false);
  EXPECT_EQ(detail.dateLine(), QStringLiteral("viernes, 14 de marzo, 9:00"));
  shown.entry.duration = 42 * 60 + 20;
  detail.show(&shown, false);
  EXPECT_EQ(detail.dateLine(), QStringLiteral("viernes, 14 de marzo, 9:00 · 42 min"));
  detail.show(nullptr, false);
  EXPECT_EQ(detail.dateLine(), QString());
}

TEST(MeetingsWindowContent, TheListDecidesWhatShowsBesideIt) {
  const struct {
    const char* name;
    bool loaded;
    int count;
    bool selected;
    MeetingsWindowModel::Content content;
  } cases[] = {
      {"before the first read", false, 0, false, MeetingsWindowModel::Loading},
      {"before the first read, selection kept", false, 3, true, MeetingsWindowModel::Loading},
      {"an empty library", true, 0, false, MeetingsWindowModel::Empty},
      {"meetings, none selected", true, 2, false, MeetingsWindowModel::Unselected},
      {"one meeting, selected", true, 1, true, MeetingsWindowModel::Meeting},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(MeetingsWindowModel::contentFor(expected.loaded, expected.count, expected.selected),
              expected.content);
  }
}

}  // namespace
}  // namespace kelv::app
