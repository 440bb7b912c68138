#include "kelv/core/util/system_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

namespace kelv::core {
namespace {

// Sets one variable (or unsets it for nullptr) and puts back what was there.
class Variable {
 public:
  Variable(const char* name, const char* value) : name_(name) {
    if (const char* previous = std::getenv(name)) saved_ = previous;
    set(value);
  }
  ~Variable() { set(saved_ ? saved_->c_str() : nullptr); }

 private:
  void set(const char* value) {
    if (value)
      ::setenv(name_, value, 1);
    else
      ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(SystemInfo, UserFoldersFollowTheXdgRules) {
  struct Case {
    const char* value;
    const char* data;
    const char* config;
  };
  const Case cases[] = {
      {"/xdg/home", "/xdg/home", "/xdg/home"},
      {nullptr, "/home/ana/.local/share", "/home/ana/.config"},
      {"", "/home/ana/.local/share", "/home/ana/.config"},
      // A relative value is ignored, as the base directory rules ask.
      {"relative/home", "/home/ana/.local/share", "/home/ana/.config"},
  };
  const Variable home("HOME", "/home/ana");
  for (const Case& c : cases) {
    const Variable data("XDG_DATA_HOME", c.value);
    const Variable config("XDG_CONFIG_HOME", c.value);
    EXPECT_EQ(dataHome(), c.data) << (c.value ? c.value : "unset");
    EXPECT_EQ(configHome(), c.config) << (c.value ? c.value : "unset");
  }
}

TEST(SystemInfo, UptimeIsTheSteadyClock) {
  const auto seconds = [](std::chrono::steady_clock::time_point at) {
    return std::chrono::duration<double>(at.time_since_epoch()).count();
  };
  const double before = seconds(std::chrono::steady_clock::now());
  const double uptime = systemUptime();
  const double after = seconds(std::chrono::steady_clock::now());
  EXPECT_LE(before, uptime);
  EXPECT_LE(uptime, after);
}

}  // namespace
}  // namespace kelv::core
