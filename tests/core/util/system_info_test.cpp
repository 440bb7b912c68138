#include "kelv/core/util/system_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.h"

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

// A sysfs processor folder: "online", and per processor its package and core number.
struct Processor {
  int number;
  const char* package;
  const char* core;
};

TEST(SystemInfo, PhysicalCoresCountHyperThreadsOnce) {
  const int logical = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  struct Case {
    const char* what;
    const char* online;  // nullptr: no such file
    std::vector<Processor> processors;
    int expected;
  };
  const std::vector<Case> cases = {
      {"two cores with two threads each",
       "0-3",
       {{0, "0", "0"}, {1, "0", "1"}, {2, "0", "0"}, {3, "0", "1"}},
       2},
      {"no hyper-threads", "0-1", {{0, "0", "0"}, {1, "0", "1"}}, 2},
      {"two packages with equal core numbers", "0-1", {{0, "0", "0"}, {1, "1", "0"}}, 2},
      {"an offline processor is left out", "0,2", {{0, "0", "0"}, {1, "0", "1"}, {2, "0", "2"}}, 2},
      {"a processor without topology", "0-1", {{0, "0", "0"}}, logical},
      {"no list of online processors", nullptr, {{0, "0", "0"}}, logical},
      {"an unreadable list", "zero", {{0, "0", "0"}}, logical},
  };
  for (const Case& c : cases) {
    kelv::test::TempDir cpu;
    if (c.online) kelv::test::writeFile(cpu / "online", std::string(c.online) + "\n");
    for (const Processor& p : c.processors) {
      const auto topology = cpu / ("cpu" + std::to_string(p.number)) / "topology";
      std::filesystem::create_directories(topology);
      kelv::test::writeFile(topology / "physical_package_id", std::string(p.package) + "\n");
      kelv::test::writeFile(topology / "core_id", std::string(p.core) + "\n");
    }
    EXPECT_EQ(physicalCoreCount(cpu.path()), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace kelv::core
