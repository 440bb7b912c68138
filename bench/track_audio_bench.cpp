// Track audio figures on long generated tracks: time and peak resident memory of
// compression (against the ffmpeg command line with the same settings), chunking and MP3
// decoding. Each operation runs in a fresh process so that its peak memory is its own.
//
//   track_audio_bench [minutes...]     default: 10 60 (memory must not depend on length)
//
// Then runs the Google Benchmark micro-benchmarks (the cut search).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "kelv/core/audio/track_audio.h"
#include "kelv/core/util/system_info.h"

namespace fs = std::filesystem;
using kelv::core::TrackAudio;

namespace {

// Speech-like raw track: bursts of voiced sound of random length separated by short pauses.
void writeSpeechTrack(const fs::path& path, int minutes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::mt19937 random(42);
  std::uniform_int_distribution<int> burst(8000, 48000), pause(1600, 8000);
  std::normal_distribution<float> hiss(0, 30);
  const int64_t total = int64_t{minutes} * 60 * 16000;
  std::vector<char> bytes;
  int64_t written = 0;
  double phase = 0;
  while (written < total) {
    const int voiced = burst(random), quiet = pause(random);
    for (int i = 0; i < voiced + quiet && written < total; ++i, ++written) {
      float value = hiss(random);
      if (i < voiced) {
        const double envelope = std::sin(M_PI * i / voiced);
        phase += 2 * M_PI * (140 + 30 * std::sin(written / 4000.0)) / 16000;
        value += float(6000 * envelope * (std::sin(phase) + 0.5 * std::sin(3 * phase)));
      }
      const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::lround(value)));
      bytes.push_back(static_cast<char>(sample & 0xFF));
      bytes.push_back(static_cast<char>(sample >> 8));
    }
    if (bytes.size() > (1 << 20)) {
      out.write(bytes.data(), std::streamsize(bytes.size()));
      bytes.clear();
    }
  }
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

struct Figure {
  double seconds = 0;  // wall clock
  double cpu = 0;      // user + system: the fair comparison on a busy machine
  long peakKiB = 0;
  long startKiB = 0;  // resident at the start (a forked child shares the parent's pages)
  bool ok = false;
};

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// Runs `work` in a child process; the child's own clock and its peak RSS are the figure.
template <typename Work>
Figure measure(Work work) {
  int pipefd[2];
  if (::pipe(pipefd) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipefd[0]);
    const long startKiB = residentKiB();
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    try {
      work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "failed: %s\n", error.what());
      status = 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (::write(pipefd[1], &seconds, sizeof seconds) != sizeof seconds ||
        ::write(pipefd[1], &startKiB, sizeof startKiB) != sizeof startKiB)
      status = 1;
    ::_exit(status);
  }
  ::close(pipefd[1]);
  Figure figure;
  const bool got = ::read(pipefd[0], &figure.seconds, sizeof figure.seconds) ==
                       static_cast<ssize_t>(sizeof figure.seconds) &&
                   ::read(pipefd[0], &figure.startKiB, sizeof figure.startKiB) ==
                       static_cast<ssize_t>(sizeof figure.startKiB);
  ::close(pipefd[0]);
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  figure.peakKiB = usage.ru_maxrss;
  figure.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  figure.ok = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return figure;
}

// Runs a program (no shell, so the peak memory is the program's own) and times it.
Figure measureProgram(const std::vector<std::string>& arguments) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  Figure figure;
  figure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figure.peakKiB = usage.ru_maxrss;
  figure.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  figure.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return figure;
}

void report(const char* name, int minutes, const Figure& figure, const char* note = "") {
  // Growth over the resident size at the start is only known for forked work.
  char growth[32] = "";
  if (figure.startKiB > 0)
    std::snprintf(growth, sizeof growth, " (+%5.1f MiB)",
                  (figure.peakKiB - figure.startKiB) / 1024.0);
  std::printf("%-36s %3d min  %7.2f s wall  %7.2f s CPU  %6.1f MiB peak RSS%s%s%s\n", name, minutes,
              figure.seconds, figure.cpu, figure.peakKiB / 1024.0, growth,
              figure.ok ? "" : "  FAILED", note);
  std::fflush(stdout);
}

void runFigures(int minutes, const fs::path& dir) {
  const auto track = dir / ("track-" + std::to_string(minutes) + ".pcm");
  const auto mp3 = dir / ("track-" + std::to_string(minutes) + ".mp3");
  writeSpeechTrack(track, minutes);
  // 44.1 kHz stereo MP3 made from the same track.
  const std::string makeMp3 = "ffmpeg -nostdin -y -loglevel error -f s16le -ar 16000 -ac 1 -i '" +
                              track.string() + "' -ar 44100 -ac 2 -c:a libmp3lame -b:a 128k '" +
                              mp3.string() + "'";
  if (std::system(makeMp3.c_str()) != 0) std::fprintf(stderr, "could not make the MP3\n");

  const auto ours = measure([&] { TrackAudio::compress(track, dir / "ours.m4a"); });
  const auto cli = measureProgram({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "s16le",
                                   "-ar", "16000", "-ac", "1", "-i", track.string(), "-c:a", "aac",
                                   "-b:a", "32k", (dir / "cli.m4a").string()});
  char ratio[64];
  std::snprintf(ratio, sizeof ratio, "  (CPU %.3f × ffmpeg)", ours.cpu / cli.cpu);
  report("compress", minutes, ours, ratio);
  report("ffmpeg -c:a aac -b:a 32k", minutes, cli);
  for (double seconds : {1200.0, 30.0}) {
    const auto folder = dir / ("chunks-" + std::to_string(int(seconds)));
    size_t count = 0;
    const auto figure =
        measure([&] { count = TrackAudio::compressedChunks(track, seconds, folder).size(); });
    report(seconds > 100 ? "compressedChunks 1200 s" : "compressedChunks 30 s", minutes, figure);
    fs::remove_all(folder);
  }
  const auto decode = measure([&] {
    int64_t frames = 0;
    TrackAudio::forEachChunk(mp3, [&](std::span<const float> b) { frames += b.size(); });
    if (std::llabs(frames - int64_t{minutes} * 60 * 16000) > 16000)
      throw std::runtime_error("decoded " + std::to_string(frames) + " frames");
  });
  report("decode MP3 44.1k stereo -> 16k mono", minutes, decode);
  fs::remove(track);
  fs::remove(mp3);
}

void BM_QuietestCut(benchmark::State& state) {
  std::vector<float> samples(480000);
  std::mt19937 random(1);
  std::uniform_real_distribution<float> value(-1, 1);
  for (auto& s : samples) s = value(random);
  for (auto _ : state)
    benchmark::DoNotOptimize(TrackAudio::quietestCut(samples, 480000 - 80000, 480000));
  state.SetItemsProcessed(state.iterations() * 80000);
}
BENCHMARK(BM_QuietestCut);

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> lengths;
  std::vector<char*> rest = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-')
      rest.push_back(argv[i]);
    else
      lengths.push_back(std::atoi(argv[i]));
  }
  if (lengths.empty()) lengths = {10, 60};

  const auto dir = kelv::core::temporaryDirectory() / ("kelv-bench-" + kelv::core::randomUUID());
  fs::create_directories(dir);
  for (int minutes : lengths) runFigures(minutes, dir);
  fs::remove_all(dir);

  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
