#include "kelv/core/util/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace kelv::core {
namespace {

// Sets the four variables for one case and restores what was there before.
class Variables {
 public:
  explicit Variables(const std::map<std::string, const char*>& values) {
    for (const auto& [name, value] : values) {
      const char* previous = std::getenv(name.c_str());
      saved_[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
      if (value)
        ::setenv(name.c_str(), value, 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  ~Variables() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(Environment, ReadsEachVariableTheWayItsUsersNeedIt) {
  struct Case {
    const char* meetings;
    const char* suite;
    const char* fake;
    const char* bundle;
    Environment expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, nullptr, {std::nullopt, std::nullopt, false, std::nullopt}},
      {"/tmp/m", "test", "1", "com.tizara.app", {"/tmp/m", "test", true, "com.tizara.app"}},
      // Empty folders and bundles count as unset; an empty suite is still a suite (one the
      // preferences refuse, so the standard domain is used).
      {"", "", "", "", {std::nullopt, "", false, std::nullopt}},
      {nullptr, nullptr, "true", nullptr, {std::nullopt, std::nullopt, false, std::nullopt}},
      {nullptr, nullptr, "0", nullptr, {std::nullopt, std::nullopt, false, std::nullopt}},
  };
  for (const Case& c : cases) {
    const Variables variables({{"KELV_MEETINGS_DIR", c.meetings},
                               {"KELV_DEFAULTS_SUITE", c.suite},
                               {"KELV_FAKE_CAPTURE", c.fake},
                               {"KELV_BUNDLE_ID", c.bundle}});
    const Environment environment = Environment::ofProcess();
    EXPECT_EQ(environment.meetingsFolder, c.expected.meetingsFolder);
    EXPECT_EQ(environment.preferencesSuite, c.expected.preferencesSuite);
    EXPECT_EQ(environment.fakeCapture, c.expected.fakeCapture);
    EXPECT_EQ(environment.installedAppId, c.expected.installedAppId);
  }
}

}  // namespace
}  // namespace kelv::core
