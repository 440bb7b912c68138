// The display probe against real displays: a private X server, a listening Unix socket where a
// Wayland compositor would be, and names that lead nowhere.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "shell/display_probe.h"
#include "temp_dir.h"
#include "xvfb_display.h"

namespace kelv::app {
namespace {

// Listens where a compositor would; the probe only connects.
class FakeCompositorSocket {
 public:
  explicit FakeCompositorSocket(const std::string& path)
      : socket_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket_, 4) != 0)
      throw std::runtime_error("can't listen on " + path);
  }
  ~FakeCompositorSocket() { ::close(socket_); }

 private:
  int socket_;
};

TEST(DisplayProbe, FindsTheDisplayQtWouldOpenOrSaysWhyThereIsNone) {
  test::XvfbDisplay x;
  test::TempDir runtime;
  FakeCompositorSocket compositor((runtime / "wayland-7").string());
  const std::string folder = runtime.path().string();
  const std::string none = "there is no display to show windows on: ";

  struct Case {
    const char* name;
    DisplayEnvironment environment;
    std::optional<std::string> reason;
  };
  const Case cases[] = {
      {"nothing set", {"", "", "", folder}, none + "neither DISPLAY nor WAYLAND_DISPLAY is set"},
      {"a running X server", {"", x.name(), "", folder}, std::nullopt},
      {"an X display nobody serves",
       {"", ":4093", "", folder},
       none + "the X display \":4093\" can't be reached"},
      {"a compositor by name", {"", "", "wayland-7", folder}, std::nullopt},
      {"a compositor by path", {"", "", folder + "/wayland-7", ""}, std::nullopt},
      {"a compositor name without a runtime folder",
       {"", "", "wayland-7", ""},
       none + "the Wayland display \"wayland-7\" can't be reached"},
      {"a gone compositor beside a running X server",
       {"", x.name(), "wayland-0", folder},
       std::nullopt},
      {"both gone",
       {"", ":4093", "wayland-0", folder},
       none + "the Wayland display \"wayland-0\" can't be reached and the X display \":4093\" "
              "can't be reached"},
      {"xcb asked for, only a compositor",
       {"xcb", "", "wayland-7", folder},
       none + "DISPLAY is not set"},
      {"wayland asked for, only X",
       {"wayland", x.name(), "", folder},
       none + "WAYLAND_DISPLAY is not set"},
      {"a list and options", {"wayland-egl;xcb", "", "wayland-7", folder}, std::nullopt},
      {"xcb with options", {"xcb:nograb", x.name(), "", folder}, std::nullopt},
      {"a platform without a display", {"offscreen", "", "", ""}, std::nullopt},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.name);
    EXPECT_EQ(missingDisplay(each.environment), each.reason);
  }
}

}  // namespace
}  // namespace kelv::app
