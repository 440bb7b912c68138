#include "kelv/core/util/library_json.h"

#include <gtest/gtest.h>

#include "kelv/core/library/meeting_status.h"

namespace kelv::core {
namespace {

using namespace std::chrono;

Date date(int y, unsigned m, unsigned d, int h, int min, int s) {
  return sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{min} + seconds{s};
}

TEST(LibraryJson, MeetingStatusMatchesTheByteExactSample) {
  MeetingStatus status(MeetingStatus::State::needsAttention, date(2025, 3, 14, 8, 15, 2), "es");
  status.endedAt = date(2025, 3, 14, 9, 0, 0) + milliseconds(750);
  status.duration = 2697.5;
  status.completedSteps = {MeetingStatus::Step::transcribe, MeetingStatus::Step::merge};
  status.lastError = "Couldn't reach \"api\" / retry\n";
  status.meetingFile = "/home/ana/Documents/Kelvora/Clase de álgebra.md";

  const std::string expected = R"({
  "completedSteps" : [
    "transcribe",
    "merge"
  ],
  "duration" : 2697.5,
  "endedAt" : "2025-03-14T09:00:00Z",
  "interrupted" : false,
  "language" : "es",
  "lastError" : "Couldn't reach \"api\" \/ retry\n",
  "meetingFile" : "\/home\/ana\/Documents\/Kelvora\/Clase de álgebra.md",
  "startedAt" : "2025-03-14T08:15:02Z",
  "state" : "needs-attention"
})";
  EXPECT_EQ(LibraryJson::encode(nlohmann::json(status)), expected);
}

TEST(LibraryJson, EmptyCollectionsAndWholeNumbers) {
  nlohmann::json value = {{"list", nlohmann::json::array()}, {"n", 3.0}, {"big", -12}};
  EXPECT_EQ(LibraryJson::encode(value),
            "{\n  \"big\" : -12,\n  \"list\" : [\n\n  ],\n  \"n\" : 3\n}");
}

TEST(LibraryJson, DatesRoundTripAndRejectMalformedText) {
  EXPECT_EQ(LibraryJson::formatDate(date(2025, 1, 2, 3, 4, 5) + milliseconds(999)),
            "2025-01-02T03:04:05Z");
  EXPECT_EQ(LibraryJson::parseDate("2025-01-02T03:04:05Z"), date(2025, 1, 2, 3, 4, 5));
  EXPECT_EQ(LibraryJson::parseDate("2025-01-02T05:04:05+02:00"), date(2025, 1, 2, 3, 4, 5));
  for (const char* bad : {"", "2025-01-02", "2025-13-02T03:04:05Z", "2025-02-30T03:04:05Z",
                          "2025-01-02T03:04:05", "2025-01-02T03:04:05Zjunk"})
    EXPECT_FALSE(LibraryJson::parseDate(bad)) << bad;
}

TEST(LibraryJson, StatusReadingRejectsMissingKeysWrongTypesAndUnknownValues) {
  const auto good = nlohmann::json::parse(
      R"({"state":"done","startedAt":"2025-03-14T08:15:02Z","interrupted":false,"completedSteps":["notes"],"extra":1})");
  EXPECT_EQ(meetingStatusFromJson(good).state, MeetingStatus::State::done);

  struct Case {
    const char* name;
    const char* key;
    nlohmann::json value;  // null removes the key
  };
  const Case cases[] = {
      {"missing interrupted", "interrupted", nullptr},
      {"missing completedSteps", "completedSteps", nullptr},
      {"state with the case name", "state", "needsAttention"},
      {"interrupted as a string", "interrupted", "false"},
      {"unknown step", "completedSteps", nlohmann::json::array({"summarise"})},
      {"date without zone", "startedAt", "2025-03-14T08:15:02"},
      {"language as a number", "language", 7},
  };
  for (const auto& c : cases) {
    auto json = good;
    if (c.value.is_null())
      json.erase(c.key);
    else
      json[c.key] = c.value;
    EXPECT_THROW(meetingStatusFromJson(json), LibraryJson::DecodingError) << c.name;
  }
}

TEST(MeetingStatus, LengthPrefersDurationThenTheRecordedSpan) {
  MeetingStatus status(MeetingStatus::State::processing, date(2025, 3, 14, 8, 0, 0));
  EXPECT_FALSE(status.length());
  status.endedAt = date(2025, 3, 14, 8, 1, 30);
  EXPECT_DOUBLE_EQ(*status.length(), 90.0);
  status.duration = 12.5;
  EXPECT_DOUBLE_EQ(*status.length(), 12.5);
}

}  // namespace
}  // namespace kelv::core
