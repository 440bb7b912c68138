// A private PulseAudio server for one test: a null sink "fakespk" as the speakers and, unless
// asked otherwise, a source "fakemic" recording a steady 440 Hz sine (amplitude 0.5) as the
// microphone.
//
// It runs with its own HOME and XDG folders inside a temporary folder, and this process's
// PULSE_SERVER points at it while it lives (so libpulse in the test and every child such as
// pactl, paplay or parecord talk to it). Stopped by its process id when destroyed.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "temp_dir.h"

namespace kelv::test {

class PulseServer {
 public:
  struct Options {
    // Frequency of the sine source "fakemic"; none for a server without any microphone.
    std::optional<int> micFrequency = 440;
  };

  PulseServer() : PulseServer(Options{}) {}
  explicit PulseServer(Options options);
  ~PulseServer();
  PulseServer(const PulseServer&) = delete;
  PulseServer& operator=(const PulseServer&) = delete;

  // "unix:<runtime folder>/pulse/native".
  const std::string& address() const { return address_; }
  const std::filesystem::path& folder() const { return dir_.path(); }

  // Runs `pactl ARGUMENTS` against this server; returns its output, throws when it fails.
  std::string pactl(const std::string& arguments);
  // Loads a module; returns its index.
  int loadModule(const std::string& arguments);

  // The index of the module whose arguments name `name` (e.g. a source name); throws when none.
  int moduleOf(const std::string& name);

  // Starts a client program (paplay, parecord, ...) against this server.
  std::unique_ptr<ChildProcess> spawn(const std::vector<std::string>& argv);

 private:
  TempDir dir_;
  std::string address_;
  std::optional<std::string> previousServer_;
  std::unique_ptr<ChildProcess> daemon_;
};

// Writes a 16-bit mono WAV file of a sine tone (amplitude 0.5).
void writeToneWav(const std::filesystem::path& path, double frequency, double seconds,
                  int rate = 16000);

}  // namespace kelv::test
