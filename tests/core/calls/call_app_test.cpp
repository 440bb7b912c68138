#include "kelv/core/calls/call_app.h"

#include <gtest/gtest.h>

#include <set>
#include <unordered_set>

#include "kelv/core/util/ascii_text.h"

namespace kelv::core {
namespace {

TEST(CallApp, TableKeepsItsIdsOrderAndFirstIdentifiers) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"us.zoom.xos", "Zoom"},
      {"com.microsoft.teams2", "Microsoft Teams"},
      {"com.apple.FaceTime", "FaceTime"},
      {"Cisco-Systems.Spark", "Webex"},
      {"com.tinyspeck.slackmacgap", "Slack"},
      {"com.hnc.Discord", "Discord"},
      {"net.whatsapp.WhatsApp", "WhatsApp"},
      {"org.whispersystems.signal-desktop", "Signal"},
      {"ru.keepcoder.Telegram", "Telegram"},
      {"com.skype.skype", "Skype"},
      {"app.tuple.app", "Tuple"},
      {"co.around.Around", "Around"},
      {"ca.illusive.openphone", "OpenPhone"},
      {"com.infomaniak.meet", "kMeet"},
      {"com.google.Chrome", "Google Chrome"},
      {"company.thebrowser.Browser", "Arc"},
      {"company.thebrowser.dia", "Dia"},
      {"com.brave.Browser", "Brave"},
      {"com.microsoft.edgemac", "Microsoft Edge"},
      {"org.mozilla.firefox", "Firefox"},
      {"com.vivaldi.Vivaldi", "Vivaldi"},
      {"com.operasoftware.Opera", "Opera"},
      {"org.chromium.Chromium", "Chromium"},
      {"com.apple.Safari", "Safari"},
  };
  const auto& known = CallApp::known();
  ASSERT_EQ(known.size(), expected.size());
  for (size_t i = 0; i < known.size(); ++i) {
    SCOPED_TRACE(known[i].id);
    EXPECT_EQ(known[i].id, expected[i].first);
    EXPECT_EQ(known[i].name, expected[i].second);
    ASSERT_FALSE(known[i].bundleIDs.empty());
    EXPECT_EQ(known[i].bundleIDs.front(), known[i].id);
  }
}

TEST(CallApp, DesignIdentifiersComeRightAfterTheIdBeforeLinuxNames) {
  auto ids = [](const char* id) { return CallApp::named(id)->bundleIDs; };
  EXPECT_EQ(ids("com.microsoft.teams2")[1], "com.microsoft.teams");
  EXPECT_EQ(ids("Cisco-Systems.Spark")[1], "com.cisco.webexmeetingsapp");
  EXPECT_EQ(ids("Cisco-Systems.Spark")[2], "com.webex.meetingmanager");
  EXPECT_EQ(ids("ru.keepcoder.Telegram")[1], "org.telegram.desktop");
  EXPECT_EQ(ids("ru.keepcoder.Telegram")[2], "com.tdesktop.Telegram");
  EXPECT_EQ(ids("org.mozilla.firefox")[1], "org.mozilla.plugincontainer");
  EXPECT_EQ(ids("com.apple.Safari")[1], "com.apple.WebKit");
}

TEST(CallApp, OfMatchesExactlyOrByPointSuffixIgnoringCase) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"us.zoom.xos", "us.zoom.xos"},
      {"US.ZOOM.XOS", "us.zoom.xos"},
      {"com.microsoft.teams2.helper", "com.microsoft.teams2"},
      {"COM.Microsoft.Teams2.Renderer.GPU", "com.microsoft.teams2"},
      {"com.microsoft.teams", "com.microsoft.teams2"},
      {"com.microsoft.teamsx", std::nullopt},
      {"com.microsoft.teams3", std::nullopt},
      {"com.microsoft.teams2x", std::nullopt},
      {"com.apple.WebKit.GPU", "com.apple.Safari"},
      {"com.apple.webkit.WebContent", "com.apple.Safari"},
      {"org.mozilla.plugincontainer", "org.mozilla.firefox"},
      {"zoom", "us.zoom.xos"},
      {"us.zoom.Zoom", "us.zoom.xos"},
      {"firefox", "org.mozilla.firefox"},
      {"firefox-esr", "org.mozilla.firefox"},
      {"chrome", "com.google.Chrome"},
      {"google-chrome", "com.google.Chrome"},
      {"teams-for-linux", "com.microsoft.teams2"},
      {"Discord", "com.hnc.Discord"},
      {"zoomer", std::nullopt},
      {"", std::nullopt},
      {".", std::nullopt},
      {"us.zoom", std::nullopt},
      {"pulseaudio", std::nullopt},
      {"façade.zoom", std::nullopt},
  };
  for (const auto& [given, id] : cases) {
    SCOPED_TRACE(given);
    auto app = CallApp::of(given);
    ASSERT_EQ(app.has_value(), id.has_value());
    if (app) {
      EXPECT_EQ(app->id, *id);
    }
  }
}

TEST(CallApp, LinuxNamesNeverCollideBetweenEntries) {
  // A name listed by two entries would always resolve to the earlier one: a silent mistake.
  std::set<std::string> seen;
  for (const auto& app : CallApp::known())
    for (const auto& identifier : app.bundleIDs) {
      EXPECT_TRUE(seen.insert(AsciiText::lowercased(identifier)).second) << identifier;
      EXPECT_EQ(CallApp::of(identifier)->id, app.id) << identifier;
    }
}

TEST(CallApp, NamedTakesIdsNotNames) {
  EXPECT_FALSE(CallApp::named("Zoom"));
  EXPECT_FALSE(CallApp::named("US.ZOOM.XOS"));
  EXPECT_FALSE(CallApp::named("zoom"));
  ASSERT_TRUE(CallApp::named("us.zoom.xos"));
  EXPECT_EQ(CallApp::named("us.zoom.xos")->name, "Zoom");
  EXPECT_EQ(CallApp::named("com.apple.Safari")->name, "Safari");
}

TEST(CallApp, EqualityAndHashCoverEveryField) {
  CallApp zoom = *CallApp::named("us.zoom.xos");
  CallApp renamed = zoom;
  renamed.name = "Zoom Workplace";
  CallApp fewer = zoom;
  fewer.bundleIDs.pop_back();
  EXPECT_EQ(zoom, *CallApp::of("zoom"));
  EXPECT_NE(zoom, renamed);
  EXPECT_NE(zoom, fewer);
  std::unordered_set<CallApp> set(CallApp::known().begin(), CallApp::known().end());
  EXPECT_EQ(set.size(), 24u);
  EXPECT_TRUE(set.contains(zoom));
  EXPECT_FALSE(set.contains(renamed));
}

}  // namespace
}  // namespace kelv::core
