#include "pulse_server.h"

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kelv::test {

PulseServer::PulseServer(Options options) {
  const auto runtime = dir_ / "runtime";
  for (const char* name : {"home", "runtime", "config", "data"})
    std::filesystem::create_directories(dir_ / name);
  ::chmod(runtime.c_str(), 0700);

  // A null sink renders up to 2 s ahead unless a client asks for less, and a stream opened on
  // its monitor meanwhile gets nothing until that block runs out. A low-latency loopback from
  // each monitor into a spare sink keeps the devices rendering in small steps, like hardware;
  // suspending and resuming them at the end drops the block rendered before the loopbacks.
  std::string script =
      "load-module module-native-protocol-unix\n"
      "load-module module-null-sink sink_name=fakespk "
      "sink_properties=device.description=FakeSpeaker\n"
      "set-default-sink fakespk\n"
      "load-module module-null-sink sink_name=keeper rate=16000 channels=1 "
      "sink_properties=device.description=Keeper\n"
      "load-module module-loopback source=fakespk.monitor sink=keeper latency_msec=20 "
      "source_dont_move=true sink_dont_move=true\n";
  // The microphone is a sine played into a private sink and offered as an ordinary source.
  // module-sine-source would be simpler, but it hands over audio in 2-second blocks with a
  // fixed 2-second latency, so where a recording's microphone track ends would be luck.
  if (options.micFrequency)
    script +=
        "load-module module-null-sink sink_name=fakemic_feed rate=16000 channels=1 "
        "sink_properties=device.description=FakeMicFeed\n"
        "load-module module-sine sink=fakemic_feed frequency=" +
        std::to_string(*options.micFrequency) +
        "\nload-module module-loopback source=fakemic_feed.monitor sink=keeper "
        "latency_msec=20 source_dont_move=true sink_dont_move=true\n"
        "load-module module-remap-source source_name=fakemic master=fakemic_feed.monitor "
        "rate=16000 channels=1 source_properties=device.description=FakeMic\n"
        "set-default-source fakemic\n"
        "suspend-sink fakemic_feed 1\nsuspend-sink fakemic_feed 0\n";
  script += "suspend-sink fakespk 1\nsuspend-sink fakespk 0\n";
  writeFile(dir_ / "server.pa", script);

  address_ = "unix:" + (runtime / "pulse" / "native").string();
  if (const char* previous = std::getenv("PULSE_SERVER")) previousServer_ = previous;
  ::setenv("PULSE_SERVER", address_.c_str(), 1);

  daemon_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"pulseaudio", "--daemonize=no", "--system=false",
                               "--exit-idle-time=-1", "-n", "-F", (dir_ / "server.pa").string(),
                               "--log-target=file:" + (dir_ / "pulse.log").string()},
      std::map<std::string, std::string>{{"HOME", (dir_ / "home").string()},
                                         {"XDG_RUNTIME_DIR", runtime.string()},
                                         {"XDG_CONFIG_HOME", (dir_ / "config").string()},
                                         {"XDG_DATA_HOME", (dir_ / "data").string()}});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    int status = 1;
    runCommand("pactl info >/dev/null 2>&1", &status);
    if (status == 0) break;
    if (!daemon_->running() || std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("the test sound server did not start; see " +
                               (dir_ / "pulse.log").string());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

PulseServer::~PulseServer() {
  daemon_.reset();
  if (previousServer_)
    ::setenv("PULSE_SERVER", previousServer_->c_str(), 1);
  else
    ::unsetenv("PULSE_SERVER");
}

std::string PulseServer::pactl(const std::string& arguments) {
  int status = 1;
  std::string output = runCommand("pactl " + arguments + " 2>&1", &status);
  if (status != 0) throw std::runtime_error("pactl " + arguments + " failed: " + output);
  return output;
}

int PulseServer::loadModule(const std::string& arguments) {
  return std::stoi(pactl("load-module " + arguments));
}

int PulseServer::moduleOf(const std::string& name) {
  std::istringstream lines(pactl("list short modules"));
  for (std::string line; std::getline(lines, line);)
    if (line.find("=" + name + " ") != std::string::npos ||
        line.find("=" + name + "\t") != std::string::npos || line.ends_with("=" + name))
      return std::stoi(line);
  throw std::runtime_error("no module for " + name);
}

std::unique_ptr<ChildProcess> PulseServer::spawn(const std::vector<std::string>& argv) {
  return std::make_unique<ChildProcess>(argv);
}

void writeToneWav(const std::filesystem::path& path, double frequency, double seconds, int rate) {
  const auto frames = static_cast<uint32_t>(seconds * rate);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + frames * 2);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate) * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    const double value = 0.5 * std::sin(2 * M_PI * frequency * i / rate);
    u16(static_cast<uint16_t>(static_cast<int16_t>(value * 32767)));
  }
  if (!out) throw std::runtime_error("can't write " + path.string());
}

}  // namespace kelv::test
