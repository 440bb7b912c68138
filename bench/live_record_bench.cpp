// CPU used by `kelv record` with live capture: a private sound server plays a tone into its
// speakers and offers a sine as the microphone; `kelv record --duration N` records both, and
// the child's own CPU time (from wait4) is set against the wall time it ran.
//
// Usage: live_record_bench [SECONDS] [PATH-OF-KELV]   (defaults: 60, $KELV_TOOL, then the
// `kelv` built next to this program's folder). Needs `pulseaudio` and `pactl` on PATH.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "kelv/core/util/system_info.h"

namespace {

namespace fs = std::filesystem;

pid_t launch(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             const fs::path& log) {
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (pid == 0) {
    for (const auto& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    if (FILE* out = std::fopen(log.c_str(), "a")) {
      dup2(fileno(out), STDOUT_FILENO);
      dup2(fileno(out), STDERR_FILENO);
    }
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

fs::path kelvPath(int argc, char** argv) {
  if (argc > 2) return argv[2];
  if (const char* tool = std::getenv("KELV_TOOL")) return tool;
  return fs::canonical("/proc/self/exe").parent_path().parent_path() / "tool" / "kelv";
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const fs::path kelv = kelvPath(argc, argv);
  char pattern[] = "/tmp/kelv-live-bench-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  for (const char* name : {"home", "runtime", "config", "data", "meetings"})
    fs::create_directories(root / name);
  ::chmod((root / "runtime").c_str(), 0700);
  {
    std::ofstream script(root / "server.pa");
    script << "load-module module-native-protocol-unix\n"
              "load-module module-null-sink sink_name=fakespk\n"
              "set-default-sink fakespk\n"
              "load-module module-sine sink=fakespk frequency=1000\n"
              "load-module module-null-sink sink_name=fakemic_feed rate=16000 channels=1\n"
              "load-module module-sine sink=fakemic_feed frequency=440\n"
              "load-module module-remap-source source_name=fakemic master=fakemic_feed.monitor "
              "rate=16000 channels=1\n"
              "set-default-source fakemic\n";
  }
  const std::string server = "unix:" + (root / "runtime" / "pulse" / "native").string();
  const std::vector<std::string> serverEnvironment = {
      "HOME=" + (root / "home").string(), "XDG_RUNTIME_DIR=" + (root / "runtime").string(),
      "XDG_CONFIG_HOME=" + (root / "config").string(), "XDG_DATA_HOME=" + (root / "data").string()};
  const pid_t daemon = launch({"pulseaudio", "--daemonize=no", "--system=false",
                               "--exit-idle-time=-1", "-n", "-F", (root / "server.pa").string()},
                              serverEnvironment, root / "pulse.log");
  ::setenv("PULSE_SERVER", server.c_str(), 1);
  bool ready = false;
  for (int attempt = 0; attempt < 200 && !ready; ++attempt) {
    ready = std::system("pactl info >/dev/null 2>&1") == 0;
    if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  int exitCode = 1;
  if (!ready) {
    std::fprintf(stderr, "the sound server did not start; see %s\n", (root / "pulse.log").c_str());
  } else {
    ::unsetenv("KELV_FAKE_CAPTURE");
    const double wallBefore = kelv::core::systemUptime();
    const pid_t recorder = launch(
        {kelv.string(), "record", "--duration", std::to_string(seconds)},
        {"KELV_MEETINGS_DIR=" + (root / "meetings").string(), "HOME=" + (root / "home").string()},
        root / "kelv.log");
    int status = 0;
    rusage usage{};
    wait4(recorder, &status, 0, &usage);
    const double wall = kelv::core::systemUptime() - wallBefore;
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "kelv record failed; see %s\n", (root / "kelv.log").c_str());
    } else {
      std::printf("kelv record, live capture: %.1f s of wall time\n", wall);
      std::printf("cpu %.3f s = %.3f%% of one core (target under 2%%)\n", cpu, 100 * cpu / wall);
      std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
      exitCode = 0;
    }
  }
  ::kill(daemon, SIGTERM);
  waitpid(daemon, nullptr, 0);
  if (exitCode == 0) {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  return exitCode;
}
