#include "shell/display_probe.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace kelv::app {

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool xDisplayAnswers(const std::string& name) {
  xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answers;
}

// A compositor listens on a Unix socket: an absolute WAYLAND_DISPLAY, or a name in the runtime
// folder.
bool waylandDisplayAnswers(const DisplayEnvironment& environment) {
  std::string path = environment.waylandDisplay;
  if (path.front() != '/') {
    if (environment.runtimeFolder.empty()) return false;
    path = environment.runtimeFolder + "/" + path;
  }
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  const bool answers =
      ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(socket);
  return answers;
}

std::string unreachable(std::string_view kind, const std::string& name) {
  return "the " + std::string(kind) + " display \"" + name + "\" can't be reached";
}

}  // namespace

DisplayEnvironment DisplayEnvironment::ofProcess() {
  return {variable("QT_QPA_PLATFORM"), variable("DISPLAY"), variable("WAYLAND_DISPLAY"),
          variable("XDG_RUNTIME_DIR")};
}

std::optional<std::string> missingDisplay(const DisplayEnvironment& environment) {
  // "wayland;xcb" tries each in turn; "xcb:option" carries options after the name.
  std::string platform = environment.qpaPlatform.substr(0, environment.qpaPlatform.find(';'));
  platform = platform.substr(0, platform.find(':'));
  const bool wantsX = platform.empty() || platform == "xcb";
  const bool wantsWayland = platform.empty() || platform.starts_with("wayland");
  if (!wantsX && !wantsWayland) return std::nullopt;

  const bool hasX = wantsX && !environment.x11Display.empty();
  const bool hasWayland = wantsWayland && !environment.waylandDisplay.empty();
  if (hasWayland && waylandDisplayAnswers(environment)) return std::nullopt;
  if (hasX && xDisplayAnswers(environment.x11Display)) return std::nullopt;

  std::string reason = "there is no display to show windows on: ";
  if (hasWayland && hasX)
    reason += unreachable("Wayland", environment.waylandDisplay) + " and " +
              unreachable("X", environment.x11Display);
  else if (hasWayland)
    reason += unreachable("Wayland", environment.waylandDisplay);
  else if (hasX)
    reason += unreachable("X", environment.x11Display);
  else if (wantsX && wantsWayland)
    reason += "neither DISPLAY nor WAYLAND_DISPLAY is set";
  else
    reason += wantsX ? "DISPLAY is not set" : "WAYLAND_DISPLAY is not set";
  return reason;
}

}  // namespace kelv::app
