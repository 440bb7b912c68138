#include "kelv/core/calls/call_detector.h"

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

const CallApp& app(const char* id) {
  static std::map<std::string, CallApp> cache;
  auto [it, inserted] = cache.try_emplace(id);
  if (inserted) it->second = *CallApp::named(id);
  return it->second;
}

const AudioClient zoomBoth{"us.zoom.xos", true, true};
const AudioClient zoomIn{"us.zoom.xos", true, false};
const AudioClient zoomOut{"us.zoom.xos", false, true};

std::vector<CallEvent> started(const char* id) { return {CallEvent::started(app(id))}; }
std::vector<CallEvent> ended(const char* id) { return {CallEvent::ended(app(id))}; }
const std::vector<CallEvent> none;

// One snapshot of a scripted run, with the events it must produce.
struct Step {
  double at;
  std::vector<AudioClient> clients;
  bool camera;
  std::vector<CallEvent> events;
};

void run(CallDetector& detector, const std::vector<Step>& steps) {
  for (const auto& step : steps) {
    SCOPED_TRACE("snapshot at t=" + std::to_string(step.at));
    EXPECT_EQ(detector.update(step.clients, step.camera, step.at), step.events);
  }
}

TEST(CallDetector, EmptySnapshotOnEmptyDetectorDoesNothing) {
  CallDetector detector;
  EXPECT_EQ(detector.update({}, false, 0), none);
  EXPECT_EQ(detector.update({}, true, 100), none);
  EXPECT_FALSE(detector.isTracking());
  EXPECT_TRUE(detector.current().empty());
}

TEST(CallDetector, ConfirmsAfterFiveSecondsOfInputAndOutput) {
  struct Case {
    const char* name;
    double second;
    std::vector<CallEvent> events;
  };
  for (const auto& c : std::vector<Case>{{"just before", 4.9, none},
                                         {"exactly at", 5.0, started("us.zoom.xos")},
                                         {"well after", 60.0, started("us.zoom.xos")}}) {
    SCOPED_TRACE(c.name);
    CallDetector detector;
    EXPECT_EQ(detector.update({zoomBoth}, false, 0), none);
    EXPECT_TRUE(detector.isTracking());
    EXPECT_TRUE(detector.current().empty());
    EXPECT_EQ(detector.update({zoomBoth}, false, c.second), c.events);
    EXPECT_TRUE(detector.isTracking());
    EXPECT_EQ(detector.current().size(), c.events.size());
  }
}

TEST(CallDetector, WhatLooksLikeACall) {
  struct Case {
    const char* name;
    std::vector<AudioClient> clients;
    bool camera;
    bool tracked;
  };
  const std::vector<Case> cases = {
      {"input only, no camera", {zoomIn}, false, false},
      {"input only, camera on", {zoomIn}, true, true},
      {"output only, camera on", {zoomOut}, true, false},
      {"input and output in one client", {zoomBoth}, false, true},
      {"main process input, helper output", {zoomIn, zoomOut}, false, true},
      {"input and output through different identifiers",
       {{"zoom", true, false}, {"us.zoom.xos.helper", false, true}},
       false,
       true},
      {"input of one app, output of another", {zoomIn, {"firefox", false, true}}, false, false},
      {"neither flag", {{"us.zoom.xos", false, false}}, true, false},
      {"unknown application", {{"arecord", true, true}}, true, false},
      {"empty identifier", {{"", true, true}}, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CallDetector detector;
    EXPECT_EQ(detector.update(c.clients, c.camera, 0), none);
    EXPECT_EQ(detector.isTracking(), c.tracked);
    EXPECT_EQ(detector.update(c.clients, c.camera, 5), c.tracked ? started("us.zoom.xos") : none);
  }
}

TEST(CallDetector, CandidateThatMissesASnapshotStartsOver) {
  CallDetector detector;
  run(detector, {{0, {zoomBoth}, false, none},
                 {3, {zoomIn}, false, none},
                 {6, {zoomBoth}, false, none},
                 {10, {zoomBoth}, false, none},
                 {11, {zoomBoth}, false, started("us.zoom.xos")}});
}

TEST(CallDetector, CandidateDroppedEntirelyStopsTracking) {
  CallDetector detector;
  detector.update({zoomBoth}, false, 0);
  EXPECT_EQ(detector.update({}, false, 1), none);
  EXPECT_FALSE(detector.isTracking());
}

TEST(CallDetector, ConfirmedCallLivesOnInputAlone) {
  CallDetector detector;
  run(detector, {{0, {zoomBoth}, false, none},
                 {5, {zoomBoth}, false, started("us.zoom.xos")},
                 // Speakers and camera no longer matter once confirmed.
                 {50, {zoomIn}, false, none},
                 {100, {zoomIn}, false, none},
                 {119, {}, false, none},
                 {120, {}, false, ended("us.zoom.xos")},
                 {121, {}, false, none}});
  EXPECT_FALSE(detector.isTracking());
  EXPECT_TRUE(detector.current().empty());
}

TEST(CallDetector, ReturningInputResetsTheEndCount) {
  CallDetector detector;
  run(detector, {{0, {zoomBoth}, false, none},
                 {5, {zoomBoth}, false, started("us.zoom.xos")},
                 {100, {zoomIn}, false, none},
                 {110, {zoomIn}, false, none},
                 {120, {zoomOut}, false, none},
                 {129.9, {}, false, none},
                 {130, {}, false, ended("us.zoom.xos")}});
}

TEST(CallDetector, EndedBeforeStartedAndEachKindInIdOrder) {
  CallDetector detector;
  const AudioClient firefox{"firefox", true, true};
  const AudioClient slack{"slack", true, true};
  const AudioClient chrome{"google-chrome", true, true};
  const AudioClient teams{"teams-for-linux", true, true};
  run(detector,
      {{0, {zoomBoth, firefox}, false, none},
       {5,
        {firefox, zoomBoth},
        false,
        {CallEvent::started(app("org.mozilla.firefox")), CallEvent::started(app("us.zoom.xos"))}},
       {10, {slack, chrome}, false, none},
       {30,
        {slack, chrome, teams},
        false,
        {CallEvent::ended(app("org.mozilla.firefox")), CallEvent::ended(app("us.zoom.xos")),
         CallEvent::started(app("com.google.Chrome")),
         CallEvent::started(app("com.tinyspeck.slackmacgap"))}}});
  const std::vector<CallApp> current = {app("com.google.Chrome"), app("com.tinyspeck.slackmacgap")};
  EXPECT_EQ(detector.current(), current);
  EXPECT_TRUE(detector.isTracking());  // Teams is a candidate
}

TEST(CallDetector, EndedAppIsNotRestartedInTheSameSnapshot) {
  CallDetector detector;
  run(detector, {{0, {zoomBoth}, false, none},
                 {5, {zoomBoth}, false, started("us.zoom.xos")},
                 // Output alone: not in inputs, so it ends and cannot start again here.
                 {30, {zoomOut}, true, ended("us.zoom.xos")},
                 {31, {zoomBoth}, false, none},
                 {36, {zoomBoth}, false, started("us.zoom.xos")}});
}

TEST(CallDetector, CustomThresholds) {
  CallDetector detector;
  detector.confirmAfter = 0;
  detector.endAfter = 2;
  run(detector, {{0, {zoomBoth}, false, started("us.zoom.xos")},
                 {1, {}, false, none},
                 {2, {}, false, ended("us.zoom.xos")}});
}

}  // namespace
}  // namespace kelv::core
