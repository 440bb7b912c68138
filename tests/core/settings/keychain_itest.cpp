#include "kelv/core/settings/keychain.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "secret_service.h"

namespace kelv::core {
namespace {

using namespace std::chrono_literals;

// What `secret-tool` sees under the two attributes, so the items are checked from outside.
std::string lookupWithSecretTool(const std::string& service, const std::string& account) {
  const std::string command =
      "secret-tool lookup service '" + service + "' account '" + account + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[256];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  ::pclose(pipe);
  return output;
}

TEST(Keychain, StoresReplacesAndRemovesItemsUnderServiceAndAccount) {
  test::PrivateSecretService secretService;
  Keychain keychain("com.tizara.app");
  const std::string account = "v2.notes.OpenAI";
  EXPECT_EQ(keychain.secret(account), std::nullopt);

  struct Step {
    std::optional<std::string> value;
    std::optional<std::string> expected;
  };
  const Step steps[] = {
      {"sk-first", "sk-first"},
      {"sk-second ñ €", "sk-second ñ €"},  // replaced, not duplicated; UTF-8 kept
      {"", std::nullopt},                  // empty removes
      {"sk-third", "sk-third"},
      {std::nullopt, std::nullopt},  // absent removes
  };
  for (const auto& step : steps) {
    keychain.setSecret(step.value, account);
    EXPECT_EQ(keychain.secret(account), step.expected) << step.value.value_or("(absent)");
    EXPECT_EQ(lookupWithSecretTool("com.tizara.app", account), step.expected.value_or(""));
  }
}

TEST(Keychain, ServicesAndAccountsKeepSeparateKeys) {
  test::PrivateSecretService secretService;
  Keychain main("com.tizara.app");
  Keychain suite("com.tizara.app.test");
  main.setSecret("main-key", "v2.notes.OpenAI");
  suite.setSecret("suite-key", "v2.notes.OpenAI");
  main.setSecret("other-key", "v2.notes.OpenRouter");
  EXPECT_EQ(main.secret("v2.notes.OpenAI"), "main-key");
  EXPECT_EQ(suite.secret("v2.notes.OpenAI"), "suite-key");
  EXPECT_EQ(suite.secret("v2.notes.OpenRouter"), std::nullopt);
  main.setSecret(std::nullopt, "v2.notes.OpenAI");
  EXPECT_EQ(suite.secret("v2.notes.OpenAI"), "suite-key");
}

TEST(Keychain, ServiceNameFollowsTheDefaultsSuite) {
  EXPECT_EQ(Keychain::serviceFor(std::nullopt), "com.tizara.app");
  EXPECT_EQ(Keychain::serviceFor("test"), "com.tizara.app.test");
  EXPECT_EQ(Keychain::serviceFor("../x"), "com.tizara.app");  // refused by the preferences too
}

TEST(Keychain, WithoutAReachableServiceReadsNothingAndWritesNothing) {
  test::PrivateSecretService secretService;
  Keychain keychain("com.tizara.app", 500ms);
  keychain.setSecret("kept", "v2.transcription.Groq");

  // The keyring answers nothing while it is stopped: every call must give up on its own.
  ::kill(secretService.keyringPid(), SIGSTOP);
  EXPECT_EQ(keychain.secret("v2.transcription.Groq"), std::nullopt);
  keychain.setSecret("lost", "v2.transcription.Groq");
  ::kill(secretService.keyringPid(), SIGCONT);
  EXPECT_EQ(keychain.secret("v2.transcription.Groq"), "kept");

  // The bus is up but nobody owns the service name.
  secretService.stopKeyring();
  EXPECT_EQ(keychain.secret("v2.transcription.Groq"), std::nullopt);
  keychain.setSecret("lost", "v2.transcription.Groq");

  // No bus at all.
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelv-test-bus", 1);
  EXPECT_EQ(keychain.secret("v2.transcription.Groq"), std::nullopt);
  keychain.setSecret("lost", "v2.transcription.Groq");
}

}  // namespace
}  // namespace kelv::core
