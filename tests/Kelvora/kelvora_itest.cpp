// The real `kelvora` executable: one instance per user, URLs handed over from later launches,
// the processing tool started beside it, and a clean end on termination signals.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
    for (const char* folder : {"home", "runtime", "config", "data", "cache", "meetings"})
      fs::create_directory(temp_ / folder);
    fs::permissions(temp_ / "runtime", fs::perms::owner_all);
    environment_ = {
        {"HOME", (temp_ / "home").string()},
        {"XDG_RUNTIME_DIR", (temp_ / "runtime").string()},
        {"XDG_CONFIG_HOME", (temp_ / "config").string()},
        {"XDG_DATA_HOME", (temp_ / "data").string()},
        {"XDG_CACHE_HOME", (temp_ / "cache").string()},
        {"KELV_MEETINGS_DIR", (temp_ / "meetings").string()},
        {"KELV_DEFAULTS_SUITE", "kelvora-itest"},
        {"KELV_FAKE_CAPTURE", "1"},
        // On-device processing of a recording looks for its model here, never on the Internet.
        {"KELV_MODEL_BASE_URL", "http://127.0.0.1:9"},
    };
  }

  static std::string executable() {
    return (fs::path(std::getenv("KELV_TOOL")).parent_path() / "kelvora").string();
  }

  // Starts the first instance and waits until it listens.
  std::unique_ptr<ChildProcess> launch() {
    auto instance = std::make_unique<ChildProcess>(
        std::vector<std::string>{executable(), "--headless"}, environment_, log());
    const bool listening = eventually([&] { return !instance->running() || hasSocket(); });
    EXPECT_TRUE(listening && instance->running()) << readFile(log());
    return instance;
  }

  // A later launch with these arguments; its exit status.
  int run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), executable());
    return ChildProcess(arguments, environment_, log()).wait();
  }

  bool hasSocket() const {
    for (const auto& entry : fs::directory_iterator(temp_ / "runtime"))
      if (entry.is_socket()) return true;
    return false;
  }

  std::vector<fs::path> meetings() {
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(temp_ / "meetings"))
      if (fs::exists(entry.path() / "meeting.json")) folders.push_back(entry.path());
    return folders;
  }

  static std::string state(const fs::path& folder) {
    try {
      return nlohmann::json::parse(readFile(folder / "meeting.json")).at("state");
    } catch (const std::exception&) {
      return "";  // caught between writes
    }
  }

  std::string log() const { return (temp_ / "kelvora.log").string(); }

  TempDir temp_;
  std::map<std::string, std::string> environment_;
};

// A sanitizer build checks for leaks as it exits, which takes seconds on a busy machine.
constexpr std::chrono::seconds kQuitPatience{30};

int exitStatus(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1; }

TEST_F(KelvoraTest, URLsFromLaterLaunchesReachTheRunningInstance) {
  auto instance = launch();

  ASSERT_EQ(run({"kelvora://start"}), 0) << readFile(log());
  // The hand-over returns once the running instance has acted on it.
  ASSERT_EQ(meetings().size(), 1u) << readFile(log());
  const fs::path meeting = meetings().front();
  EXPECT_EQ(state(meeting), "recording");
  EXPECT_EQ(run({"kelvora://start"}), 0);
  EXPECT_EQ(meetings().size(), 1u);

  ASSERT_EQ(run({"kelvora://stop"}), 0);
  EXPECT_NE(state(meeting), "recording");
  // The processing tool beside the application takes the meeting to an end either way (no
  // service is configured here).
  EXPECT_TRUE(eventually([&] {
    const std::string now = state(meeting);
    return now == "done" || now == "needs-attention";
  })) << state(meeting) << "\n" << readFile(log());
  EXPECT_EQ(readFile(log()).find("Couldn't start Processing"), std::string::npos);

  // A launch without URLs just ends; the instance stays.
  EXPECT_EQ(run({}), 0);
  EXPECT_TRUE(instance->running());
  EXPECT_EQ(meetings().size(), 1u);

  EXPECT_EQ(exitStatus(instance->stop(kQuitPatience)), 0) << readFile(log());
}

TEST_F(KelvoraTest, TerminationDuringARecordingLeavesItForTheNextLaunch) {
  auto instance = launch();
  ASSERT_EQ(run({"kelvora://start"}), 0);
  ASSERT_EQ(meetings().size(), 1u);
  const fs::path meeting = meetings().front();

  EXPECT_EQ(exitStatus(instance->stop(kQuitPatience)), 0) << readFile(log());
  EXPECT_FALSE(hasSocket());
  // Stopped on the way out (a killed recorder would leave it in recording), not processed yet.
  EXPECT_EQ(state(meeting), "processing");

  auto next = launch();
  EXPECT_TRUE(eventually([&] {
    const std::string now = state(meeting);
    return now == "done" || now == "needs-attention";
  })) << state(meeting) << "\n" << readFile(log());
  EXPECT_EQ(exitStatus(next->stop(kQuitPatience)), 0);
}

TEST_F(KelvoraTest, EachTerminationSignalEndsTheInstanceCleanly) {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    auto instance = launch();
    ASSERT_EQ(::kill(instance->pid(), number), 0);
    EXPECT_EQ(instance->wait(), 0) << readFile(log());
  }
}

TEST_F(KelvoraTest, HelpAndUnknownOptions) {
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_EQ(run({"--no-such-option"}), 2);
  EXPECT_TRUE(meetings().empty());
}

}  // namespace
}  // namespace kelv::test
