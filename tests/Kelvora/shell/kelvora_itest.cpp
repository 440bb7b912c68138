// The real `kelvora` executable: one instance per user, URLs handed over from later launches,
// the processing tool started beside it, and a clean end on termination signals.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "application_home.h"
#include "child_process.h"
#include "temp_dir.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

// Generous: a sanitized build starting up and a processing child on a busy machine.
constexpr auto kPatience = std::chrono::seconds(120);

bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class KelvoraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // On-device processing of a recording looks for its model here, never on the Internet.
    home_.environment["KELV_MODEL_BASE_URL"] = "http://127.0.0.1:9";
  }

  // Starts the first instance and waits until it listens.
  std::unique_ptr<ChildProcess> launch() {
    auto instance = std::make_unique<ChildProcess>(
        std::vector<std::string>{ApplicationHome::executable(), "--headless"}, home_.environment,
        home_.log());
    const bool listening = eventually([&] { return !instance->running() || home_.hasSocket(); });
    EXPECT_TRUE(listening && instance->running()) << readFile(home_.log());
    return instance;
  }

  // A later launch with these arguments; its exit status.
  int run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), ApplicationHome::executable());
    return ChildProcess(arguments, home_.environment, home_.log()).wait();
  }

  ApplicationHome home_{"kelvora-itest"};
};

// A sanitizer build checks for leaks as it exits, which takes seconds on a busy machine.
constexpr std::chrono::seconds kQuitPatience{30};

int exitStatus(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1; }

TEST_F(KelvoraTest, URLsFromLaterLaunchesReachTheRunningInstance) {
  auto instance = launch();

  ASSERT_EQ(run({"kelvora://start"}), 0) << readFile(home_.log());
  // The hand-over returns once the running instance has acted on it.
  ASSERT_EQ(home_.meetings().size(), 1u) << readFile(home_.log());
  const fs::path meeting = home_.meetings().front();
  EXPECT_EQ(ApplicationHome::state(meeting), "recording");
  EXPECT_EQ(run({"kelvora://start"}), 0);
  EXPECT_EQ(home_.meetings().size(), 1u);

  ASSERT_EQ(run({"kelvora://stop"}), 0);
  EXPECT_NE(ApplicationHome::state(meeting), "recording");
  // The processing tool beside the application takes the meeting to an end either way (no
  // service is configured here).
  EXPECT_TRUE(eventually([&] {
    const std::string now = ApplicationHome::state(meeting);
    return now == "done" || now == "needs-attention";
  })) << ApplicationHome::state(meeting)
      << "\n"
      << readFile(home_.log());
  EXPECT_EQ(readFile(home_.log()).find("Couldn't start Processing"), std::string::npos);

  // A launch without URLs just ends; the instance stays.
  EXPECT_EQ(run({}), 0);
  EXPECT_TRUE(instance->running());
  EXPECT_EQ(home_.meetings().size(), 1u);

  EXPECT_EQ(exitStatus(instance->stop(kQuitPatience)), 0) << readFile(home_.log());
}

TEST_F(KelvoraTest, TerminationDuringARecordingLeavesItForTheNextLaunch) {
  auto instance = launch();
  ASSERT_EQ(run({"kelvora://start"}), 0);
  ASSERT_EQ(home_.meetings().size(), 1u);
  const fs::path meeting = home_.meetings().front();

  EXPECT_EQ(exitStatus(instance->stop(kQuitPatience)), 0) << readFile(home_.log());
  EXPECT_FALSE(home_.hasSocket());
  // Stopped on the way out (a killed recorder would leave it in recording), not processed yet.
  EXPECT_EQ(ApplicationHome::state(meeting), "processing");

  auto next = launch();
  EXPECT_TRUE(eventually([&] {
    const std::string now = ApplicationHome::state(meeting);
    return now == "done" || now == "needs-attention";
  })) << ApplicationHome::state(meeting)
      << "\n"
      << readFile(home_.log());
  EXPECT_EQ(exitStatus(next->stop(kQuitPatience)), 0);
}

TEST_F(KelvoraTest, EachTerminationSignalEndsTheInstanceCleanly) {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    auto instance = launch();
    ASSERT_EQ(::kill(instance->pid(), number), 0);
    EXPECT_EQ(instance->wait(), 0) << readFile(home_.log());
  }
}

TEST_F(KelvoraTest, WithoutADisplayItSaysSoAndStillHandsURLsOver) {
  // No display of any kind, and Qt left to pick its platform as on a desktop.
  home_.environment["QT_QPA_PLATFORM"] = "";
  home_.environment["DISPLAY"] = "";
  home_.environment["WAYLAND_DISPLAY"] = "";

  EXPECT_EQ(run({}), 1);
  const std::string said = readFile(home_.log());
  EXPECT_NE(said.find("there is no display to show windows on: neither DISPLAY nor "
                      "WAYLAND_DISPLAY is set"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("kelvora --headless"), std::string::npos) << said;
  home_.environment["DISPLAY"] = ":4093";
  EXPECT_EQ(run({"kelvora://start"}), 1) << readFile(home_.log());
  EXPECT_TRUE(home_.meetings().empty());

  // A running instance needs nothing of this launch but its URL.
  auto instance = launch();
  ASSERT_EQ(run({"kelvora://start"}), 0) << readFile(home_.log());
  ASSERT_EQ(home_.meetings().size(), 1u);
  EXPECT_EQ(ApplicationHome::state(home_.meetings().front()), "recording");
  EXPECT_EQ(run({"kelvora://stop"}), 0);
  EXPECT_EQ(exitStatus(instance->stop(kQuitPatience)), 0) << readFile(home_.log());
}

TEST_F(KelvoraTest, HelpAndUnknownOptions) {
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_EQ(run({"--no-such-option"}), 2);
  EXPECT_TRUE(home_.meetings().empty());
}

}  // namespace
}  // namespace kelv::test
