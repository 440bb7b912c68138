// Listening back: the CPU this process uses while a meeting plays at 1×, and the time from a
// press (seek and play, as a turn's time does) to its sound at the speakers. A private sound
// server stands in for the desktop's: its speakers are a null sink whose monitor is recorded
// with the capture library's own record stream, stamped on the uptime clock.
//
// Usage: playback_bench [SECONDS] (default 20). Needs `pulseaudio` and `pactl` on PATH.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kelv/capture/audio_player.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/util/system_info.h"
#include "pulse_client.h"
#include "record_stream.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A sound server with a null sink as the speakers, kept rendering in small steps.
pid_t startServer(const fs::path& root) {
  for (const char* name : {"home", "runtime", "config", "data"})
    fs::create_directories(root / name);
  ::chmod((root / "runtime").c_str(), 0700);
  std::ofstream(root / "server.pa")
      << "load-module module-native-protocol-unix\n"
         "load-module module-null-sink sink_name=fakespk\n"
         "set-default-sink fakespk\n"
         "load-module module-null-sink sink_name=keeper rate=16000 channels=1\n"
         "load-module module-loopback source=fakespk.monitor sink=keeper latency_msec=20\n"
         "suspend-sink fakespk 1\nsuspend-sink fakespk 0\n";
  const std::string address = "unix:" + (root / "runtime" / "pulse" / "native").string();
  ::setenv("PULSE_SERVER", address.c_str(), 1);
  const pid_t pid = fork();
  if (pid == 0) {
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    const std::string script = (root / "server.pa").string();
    const std::string log = "--log-target=file:" + (root / "pulse.log").string();
    execlp("pulseaudio", "pulseaudio", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
           "-n", "-F", script.c_str(), log.c_str(), nullptr);
    _exit(127);
  }
  for (int i = 0; i < 500; ++i) {
    if (std::system("pactl info >/dev/null 2>&1") == 0) return pid;
    std::this_thread::sleep_for(20ms);
  }
  std::fprintf(stderr, "the sound server did not start\n");
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  char pattern[] = "/tmp/kelv-playback-bench-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  const pid_t server = startServer(root);

  // A two-track class of a few minutes, as the compressor leaves it.
  const int length = std::max(seconds + 30, 120);
  for (const auto& [name, frequency] : {std::pair{"mic", 440.0}, std::pair{"system", 660.0}}) {
    std::vector<int16_t> samples(static_cast<size_t>(length) * 16000);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * frequency * i / 16000.0));
    const fs::path raw = root / (std::string(name) + ".pcm");
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * 2));
    kelv::core::TrackAudio::compress(raw, root / (std::string(name) + ".m4a"));
  }

  std::mutex mutex;
  std::condition_variable changed;
  bool opened = false;
  kelv::capture::AudioPlayer player({[&](double) {
                                       std::lock_guard guard(mutex);
                                       opened = true;
                                       changed.notify_all();
                                     },
                                     [](const kelv::capture::PlaybackProblem& problem) {
                                       std::fprintf(stderr, "problem: %s\n",
                                                    problem.detail.c_str());
                                     },
                                     {}});
  player.open({root / "mic.m4a", root / "system.m4a"});
  {
    std::unique_lock guard(mutex);
    changed.wait_for(guard, 10s, [&] { return opened; });
  }

  // CPU at 1×.
  player.play();
  std::this_thread::sleep_for(1s);
  const double cpuBefore = cpuSeconds();
  const double wallBefore = kelv::core::systemUptime();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = cpuSeconds() - cpuBefore;
  const double wall = kelv::core::systemUptime() - wallBefore;
  player.pause();
  std::printf("CPU while playing at 1x: %.2f %% of one core over %.0f s\n", 100 * cpu / wall, wall);

  // Press to sound, with the speakers recorded.
  std::vector<std::pair<double, float>> heard;  // capture time of each loud sample
  std::mutex heardMutex;
  {
    kelv::capture::PulseClient client("bench recording", PA_SUBSCRIPTION_MASK_NULL, {});
    std::optional<kelv::capture::RecordStream> monitor;
    {
      kelv::capture::PulseClient::Lock lock(client);
      monitor.emplace(
          client, "monitor", "fakespk.monitor",
          [&](std::span<const float> samples, double time) {
            std::lock_guard guard(heardMutex);
            for (size_t i = 0; i < samples.size(); ++i)
              if (std::fabs(samples[i]) > 0.05f) heard.emplace_back(time + i / 16000.0, samples[i]);
          },
          [] {});
    }
    std::vector<double> latencies;
    for (int press = 0; press < 15; ++press) {
      std::this_thread::sleep_for(400ms);
      const double pressed = kelv::core::systemUptime();
      player.seek(5.0 + press * 3);
      player.play();
      std::this_thread::sleep_for(400ms);
      player.pause();
      std::this_thread::sleep_for(200ms);
      std::lock_guard guard(heardMutex);
      const auto first = std::find_if(heard.begin(), heard.end(),
                                      [&](const auto& s) { return s.first >= pressed; });
      if (first != heard.end()) latencies.push_back(first->first - pressed);
      heard.clear();
    }
    kelv::capture::PulseClient::Lock lock(client);
    monitor.reset();
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty())
      std::printf("press to sound: median %.0f ms, worst %.0f ms over %zu presses\n",
                  1000 * latencies[latencies.size() / 2], 1000 * latencies.back(),
                  latencies.size());
  }
  player.close();
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(root);
  return 0;
}
