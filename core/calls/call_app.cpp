#include "kelv/core/calls/call_app.h"

#include <algorithm>
#include <functional>

#include "kelv/core/util/ascii_text.h"

namespace kelv::core {
namespace {

// The application's own identifiers come first (the first is the stored id); the Linux names
// follow: Flatpak ids, then executable names as application.process.binary reports them.
const std::vector<CallApp> kKnown = {
    {"us.zoom.xos", "Zoom", {"us.zoom.xos", "us.zoom.Zoom", "zoom", "ZoomLauncher"}},
    {"com.microsoft.teams2",
     "Microsoft Teams",
     {"com.microsoft.teams2", "com.microsoft.teams", "com.github.IsmaelMartinez.teams_for_linux",
      "teams-for-linux", "teams"}},
    {"com.apple.FaceTime", "FaceTime", {"com.apple.FaceTime", "com.apple.avconferenced"}},
    {"Cisco-Systems.Spark",
     "Webex",
     {"Cisco-Systems.Spark", "com.cisco.webexmeetingsapp", "com.webex.meetingmanager", "webex",
      "CiscoCollabHost"}},
    {"com.tinyspeck.slackmacgap",
     "Slack",
     {"com.tinyspeck.slackmacgap", "com.slack.Slack", "slack"}},
    {"com.hnc.Discord", "Discord", {"com.hnc.Discord", "com.discordapp.Discord", "discord"}},
    {"net.whatsapp.WhatsApp",
     "WhatsApp",
     {"net.whatsapp.WhatsApp", "desktop.WhatsApp", "com.github.eneshecan.WhatsAppForLinux",
      "whatsapp-for-linux", "whatsapp"}},
    {"org.whispersystems.signal-desktop",
     "Signal",
     {"org.whispersystems.signal-desktop", "org.signal.Signal", "signal-desktop"}},
    {"ru.keepcoder.Telegram",
     "Telegram",
     {"ru.keepcoder.Telegram", "org.telegram.desktop", "com.tdesktop.Telegram",
      "telegram-desktop"}},
    {"com.skype.skype", "Skype", {"com.skype.skype", "com.skype.Client", "skypeforlinux"}},
    {"app.tuple.app", "Tuple", {"app.tuple.app", "tuple"}},
    {"co.around.Around", "Around", {"co.around.Around", "around"}},
    {"ca.illusive.openphone", "OpenPhone", {"ca.illusive.openphone"}},
    {"com.infomaniak.meet", "kMeet", {"com.infomaniak.meet", "kmeet"}},
    {"com.google.Chrome",
     "Google Chrome",
     {"com.google.Chrome", "chrome", "google-chrome", "google-chrome-stable"}},
    {"company.thebrowser.Browser", "Arc", {"company.thebrowser.Browser"}},
    {"company.thebrowser.dia", "Dia", {"company.thebrowser.dia"}},
    {"com.brave.Browser", "Brave", {"com.brave.Browser", "brave", "brave-browser"}},
    {"com.microsoft.edgemac",
     "Microsoft Edge",
     {"com.microsoft.edgemac", "com.microsoft.Edge", "msedge", "microsoft-edge"}},
    {"org.mozilla.firefox",
     "Firefox",
     {"org.mozilla.firefox", "org.mozilla.plugincontainer", "firefox", "firefox-esr",
      "firefox-bin"}},
    {"com.vivaldi.Vivaldi", "Vivaldi", {"com.vivaldi.Vivaldi", "vivaldi", "vivaldi-bin"}},
    {"com.operasoftware.Opera", "Opera", {"com.operasoftware.Opera", "com.opera.Opera", "opera"}},
    {"org.chromium.Chromium",
     "Chromium",
     {"org.chromium.Chromium", "chromium", "chromium-browser"}},
    {"com.apple.Safari", "Safari", {"com.apple.Safari", "com.apple.WebKit"}},
};

}  // namespace

const std::vector<CallApp>& CallApp::known() { return kKnown; }

std::optional<CallApp> CallApp::of(std::string_view bundleID) {
  const std::string given = AsciiText::lowercased(bundleID);
  for (const auto& app : kKnown) {
    for (const auto& identifier : app.bundleIDs) {
      const std::string candidate = AsciiText::lowercased(identifier);
      if (given == candidate) return app;
      if (given.size() > candidate.size() && given.starts_with(candidate) &&
          given[candidate.size()] == '.')
        return app;
    }
  }
  return std::nullopt;
}

std::optional<CallApp> CallApp::named(std::string_view id) {
  for (const auto& app : kKnown)
    if (app.id == id) return app;
  return std::nullopt;
}

}  // namespace kelv::core

size_t std::hash<kelv::core::CallApp>::operator()(const kelv::core::CallApp& app) const noexcept {
  std::hash<std::string> text;
  size_t seed = text(app.id);
  auto mix = [&seed](size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
  };
  mix(text(app.name));
  for (const auto& identifier : app.bundleIDs) mix(text(identifier));
  return seed;
}
