// How a started live capture reacts to the sound server: device changes collapse into one
// rebuild, a silent microphone is replaced, silent speakers with nothing playing are left alone.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <tuple>

#include "kelv/capture/live_capture.h"
#include "pulse_server.h"

namespace kelv::capture {
namespace {

using core::CapturedAudio;
using core::Track;
using namespace std::chrono_literals;

// One record stream as the server lists it: its index, the source it records, its name.
struct RecordStreamInfo {
  int index = -1;
  std::string source;
  std::string name;
};

std::map<int, std::string> sourceNames(test::PulseServer& server) {
  std::map<int, std::string> names;
  std::istringstream lines(server.pactl("list short sources"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    int index = -1;
    std::string name;
    if (fields >> index >> name) names[index] = name;
  }
  return names;
}

// Our streams by media name ("Kelvora Microphone", "Kelvora System Audio").
std::map<std::string, RecordStreamInfo> ourStreams(test::PulseServer& server) {
  const auto sources = sourceNames(server);
  std::map<std::string, RecordStreamInfo> streams;
  std::istringstream lines(server.pactl("list source-outputs"));
  RecordStreamInfo current;
  auto finish = [&] {
    if (current.index >= 0 && current.name.rfind("Kelvora", 0) == 0)
      streams[current.name] = current;
    current = {};
  };
  for (std::string line; std::getline(lines, line);) {
    const auto text = line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
    if (text.rfind("Source Output #", 0) == 0) {
      finish();
      current.index = std::stoi(text.substr(15));
    } else if (text.rfind("Source: ", 0) == 0) {
      const int source = std::stoi(text.substr(8));
      current.source = sources.contains(source) ? sources.at(source) : std::to_string(source);
    } else if (text.rfind("media.name = \"", 0) == 0) {
      current.name = text.substr(14, text.size() - 15);
    }
  }
  finish();
  return streams;
}

// Waits (up to a generous limit, so a loaded machine only makes it slower) for `condition`.
template <class Condition>
bool eventually(Condition condition, std::chrono::seconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

// Every record stream the server creates while it runs, from `pactl subscribe`.
class StreamCreations {
 public:
  explicit StreamCreations(test::PulseServer& server) : log_(server.folder() / "events.log") {
    test::writeFile(log_, "");
    subscriber_ = server.spawn({"sh", "-c", "exec pactl subscribe >> '" + log_.string() + "'"});
    // Any event proves the subscription is live before the test counts on it.
    int probe = 0;
    EXPECT_TRUE(eventually([&] {
      server.pactl("set-sink-volume fakespk " + std::to_string(99 - (probe++ % 2)) + "%");
      return test::readFile(log_).find("on sink") != std::string::npos;
    }));
  }
  int count() const {
    const std::string text = test::readFile(log_);
    int n = 0;
    for (size_t at = 0; (at = text.find("'new' on source-output", at)) != std::string::npos; ++at)
      ++n;
    return n;
  }

 private:
  std::filesystem::path log_;
  std::unique_ptr<test::ChildProcess> subscriber_;
};

class Collector {
 public:
  core::CaptureSource::Deliver sink() {
    return [this](CapturedAudio audio) {
      std::lock_guard lock(mutex_);
      auto& samples = tracks_[audio.track];
      samples.insert(samples.end(), audio.samples.begin(), audio.samples.end());
    };
  }
  size_t size(Track track) {
    std::lock_guard lock(mutex_);
    return tracks_[track].size();
  }

 private:
  std::mutex mutex_;
  std::map<Track, std::vector<int16_t>> tracks_;
};

TEST(LiveCaptureRebuilds, RapidDefaultOutputChangesLeadToOneRestartOnTheLastOne) {
  test::PulseServer server;
  server.loadModule("module-null-sink sink_name=spk2");
  server.loadModule("module-null-sink sink_name=spk3");
  StreamCreations creations(server);
  std::vector<std::string> problems;
  LiveCapture capture([&](const std::string& problem) { problems.push_back(problem); });
  Collector collector;
  capture.start(collector.sink());
  ASSERT_TRUE(eventually([&] { return creations.count() == 2; }));
  const auto before = ourStreams(server);
  ASSERT_EQ(before.at("Kelvora System Audio").source, "fakespk.monitor");

  // Each change follows the previous one by far less than the half second a rebuild waits.
  for (const char* sink : {"spk2", "spk3", "spk2"})
    server.pactl(std::string("set-default-sink ") + sink);

  ASSERT_TRUE(eventually(
      [&] { return ourStreams(server)["Kelvora System Audio"].source == "spk2.monitor"; }));
  std::this_thread::sleep_for(1500ms);  // room for any stray second rebuild to show
  EXPECT_EQ(creations.count(), 3);
  const auto after = ourStreams(server);
  EXPECT_EQ(after.at("Kelvora System Audio").source, "spk2.monitor");
  // The microphone is not touched by a change of output.
  EXPECT_EQ(after.at("Kelvora Microphone").index, before.at("Kelvora Microphone").index);
  EXPECT_TRUE(capture.isStarted());
  capture.stop();
}

TEST(LiveCaptureRebuilds, ASilentMicrophoneIsReplacedAndSilentSpeakersAreLeftAlone) {
  test::PulseServer server;
  // Two microphones that outrank the default one (it has no bus): a built-in one at 660 Hz,
  // chosen first, and a USB one at 880 Hz, the next best.
  for (const auto& [name, bus, frequency] :
       {std::tuple{"builtin", "pci", 660}, std::tuple{"usbmic", "usb", 880}}) {
    const std::string feed = std::string(name) + "_feed";
    server.loadModule("module-null-sink sink_name=" + feed + " rate=16000 channels=1");
    server.loadModule("module-sine sink=" + feed + " frequency=" + std::to_string(frequency));
    server.loadModule("module-remap-source source_name=" + std::string(name) + " master=" + feed +
                      ".monitor rate=16000 channels=1 source_properties=device.bus=" + bus);
  }
  test::writeToneWav(server.folder() / "short.wav", 1000, 0.5);
  std::vector<std::string> problems;
  std::mutex problemsMutex;
  LiveCapture capture([&](const std::string& problem) {
    std::lock_guard lock(problemsMutex);
    problems.push_back(problem);
  });
  Collector collector;
  capture.start(collector.sink());
  ASSERT_EQ(ourStreams(server).at("Kelvora Microphone").source, "builtin");

  // The speakers deliver while something plays, then fall silent with nothing playing.
  server.spawn({"paplay", (server.folder() / "short.wav").string()})->wait();
  ASSERT_TRUE(eventually([&] { return collector.size(Track::system) > 0; }));
  const int systemStream = ourStreams(server).at("Kelvora System Audio").index;

  server.pactl("suspend-source builtin 1");
  ASSERT_TRUE(
      eventually([&] { return ourStreams(server)["Kelvora Microphone"].source == "usbmic"; }));
  const size_t recorded = collector.size(Track::mic);
  EXPECT_TRUE(eventually([&] { return collector.size(Track::mic) > recorded + 8000; }));
  // Well past the stall threshold with nothing playing: the speakers keep their stream.
  std::this_thread::sleep_for(5s);
  EXPECT_EQ(ourStreams(server).at("Kelvora System Audio").index, systemStream);
  EXPECT_EQ(ourStreams(server).at("Kelvora Microphone").source, "usbmic");
  EXPECT_TRUE(capture.isStarted());
  capture.stop();
  std::lock_guard lock(problemsMutex);
  for (const auto& problem : problems)
    EXPECT_EQ(problem.rfind("The computer may go to sleep", 0), 0u) << problem;
}

}  // namespace
}  // namespace kelv::capture
