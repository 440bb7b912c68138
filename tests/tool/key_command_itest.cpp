#include <gtest/gtest.h>

#include "kelv/core/settings/keychain.h"
#include "kelv/core/settings/preferences.h"
#include "secret_service.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

TEST(KelvKey, StoresAndClearsTheKeyOfTheConfiguredBackend) {
  kelv::test::PrivateSecretService secretService;
  kelv::test::TempDir temp;
  const std::map<std::string, std::string> environment = {
      {"HOME", temp.path().string()},
      {"XDG_CONFIG_HOME", (temp / "config").string()},
      {"KELV_DEFAULTS_SUITE", "test"},
      {"DBUS_SESSION_BUS_ADDRESS", secretService.busAddress()}};
  auto run = [&](std::vector<std::string> arguments, std::optional<std::string> input = {}) {
    kelv::test::ToolRun tool(std::move(arguments), environment);
    tool.input = std::move(input);
    return kelv::test::runTool(tool);
  };
  const core::Keychain keychain("com.tizara.app.test");

  auto result = run({"key", "set", "notes"}, "sk-early\n");
  EXPECT_EQ(result.exitStatus, 1);  // notes are off: no account to store under
  EXPECT_NE(result.err.find("switched off"), std::string::npos) << result.err;

  ASSERT_EQ(run({"settings", "set", "notes", "OpenRouter"}).exitStatus, 0);
  result = run({"key", "set", "notes"}, "  sk-or-123\n");
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(keychain.secret("v2.notes.OpenRouter"), "sk-or-123");
  EXPECT_EQ(core::Keychain("com.tizara.app").secret("v2.notes.OpenRouter"), std::nullopt);

  const auto printed = run({"settings"});
  EXPECT_EQ(printed.out.find("sk-or-123"), std::string::npos);

  result = run({"key", "set", "notes"}, "\n");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(keychain.secret("v2.notes.OpenRouter"), "sk-or-123");

  // Keys that would add request headers of their own, or longer than any service issues.
  const std::pair<std::string, std::string> refused[] = {
      {"sk-or-9\r\nHost: evil.example\n", "a line break or another control character"},
      {"sk-or-9\x1b[2J", "a line break or another control character"},
      {std::string(4097, 'k'), "longer than 4 KiB"}};
  for (const auto& [key, reason] : refused) {
    result = run({"key", "set", "notes"}, key);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    EXPECT_EQ(keychain.secret("v2.notes.OpenRouter"), "sk-or-123");
  }

  ASSERT_EQ(run({"settings", "set", "transcription", "custom"}).exitStatus, 0);
  ASSERT_EQ(run({"key", "set", "transcription"}, "tr-key").exitStatus, 0);
  EXPECT_EQ(keychain.secret("v2.transcription.openAIStyle"), "tr-key");

  ASSERT_EQ(run({"key", "clear", "notes"}).exitStatus, 0);
  EXPECT_EQ(keychain.secret("v2.notes.OpenRouter"), std::nullopt);
  EXPECT_EQ(keychain.secret("v2.transcription.openAIStyle"), "tr-key");

  EXPECT_EQ(run({"key", "set", "everything"}).exitStatus, 2);
  EXPECT_EQ(run({"key", "rotate", "notes"}).exitStatus, 2);
}

TEST(KelvKey, ReportsASecretServiceThatDidNotStoreTheKey) {
  kelv::test::TempDir temp;
  kelv::test::ToolRun tool({"key", "set", "notes"},
                           {{"HOME", temp.path().string()},
                            {"XDG_CONFIG_HOME", (temp / "config").string()},
                            {"KELV_DEFAULTS_SUITE", "test"},
                            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelv-test-bus"}});
  core::Preferences(temp / "config" / "test" / "preferences.json")
      .set("v2.settings", {{"notes", {{"type", "anthropic"}}}});
  tool.input = "sk-ant";
  const auto result = kelv::test::runTool(tool);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("did not store"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace kelv::tool
