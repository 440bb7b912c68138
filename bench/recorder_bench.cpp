// The recorder's cost per second of recorded audio: CPU time of this process while the tone
// source feeds a real recorder (2 s flushes, fsync and all), and resident memory over time.
// Usage: recorder_bench [SECONDS=30]
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "kelv/capture/tone_source.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/util/system_info.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kelv;
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  char pattern[] = "/tmp/kelv-bench-XXXXXX";
  const std::filesystem::path root = mkdtemp(pattern);

  core::Recorder::Options options;
  options.flushInterval = 2;
  const double cpuBefore = cpuSeconds();
  const double wallBefore = core::systemUptime();
  auto recorder = core::Recorder::start(core::MeetingStore(root),
                                        std::make_shared<capture::ToneSource>(), options);
  long firstRss = 0;
  for (int second = 1; second <= seconds; ++second) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (second == 5) firstRss = residentKilobytes();
  }
  recorder->stop();
  const double cpu = cpuSeconds() - cpuBefore;
  const double wall = core::systemUptime() - wallBefore;
  const long lastRss = residentKilobytes();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);

  std::printf("recorded %.1f s of audio (two tracks)\n", wall);
  std::printf("cpu %.3f s = %.3f%% of one core\n", cpu, 100 * cpu / wall);
  std::printf("resident memory after 5 s: %ld KiB, at the end: %ld KiB\n", firstRss, lastRss);
  return 0;
}
