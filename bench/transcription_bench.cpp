// A 60-minute two-track class through the OpenAI-style backend against a loopback service that
// answers at once: where the time goes (chunk encoding versus our own request work).
// Prints its own figures; run the Release build.
#include <httplib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "kelv/core/audio/track_audio.h"
#include "kelv/core/backends/cloud/openai_style_transcription.h"
#include "kelv/core/util/system_info.h"

namespace fs = std::filesystem;
using kelv::core::HttpSession;
using kelv::core::OpenAIStyleTranscription;
using kelv::core::TrackAudio;

namespace {

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void writeTrack(const fs::path& path, double seconds, double pitch) {
  std::ofstream out(path, std::ios::binary);
  std::vector<int16_t> block(16000);
  for (int64_t second = 0; second < static_cast<int64_t>(seconds); ++second) {
    for (size_t i = 0; i < block.size(); ++i) {
      const double t = static_cast<double>(second) + static_cast<double>(i) / 16000;
      const double loudness = 0.5 * (1 - std::cos(2 * M_PI * 0.7 * t));
      block[i] = static_cast<int16_t>(9000 * loudness * std::sin(2 * M_PI * pitch * t));
    }
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size() * 2));
  }
}

}  // namespace

int main() {
  const double minutes = 60;
  const fs::path dir =
      kelv::core::temporaryDirectory() / ("kelv-bench-" + kelv::core::randomUUID());
  fs::create_directories(dir);
  writeTrack(dir / "mic.pcm", minutes * 60, 220);
  writeTrack(dir / "system.pcm", minutes * 60, 330);

  httplib::Server server;
  server.Post("/v1/audio/transcriptions", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"({"text":"hola","segments":[{"start":0,"end":1,"text":"hola"}]})",
                    "application/json");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/v1";

  for (const char* model : {"whisper-1", "gpt-4o-transcribe"}) {
    OpenAIStyleTranscription backend(address, std::string(model), "key",
                                     HttpSession::makeEphemeral());
    double chunking = 0, whole = 0;
    size_t chunks = 0, segments = 0;
    for (const char* name : {"mic.pcm", "system.pcm"}) {
      const fs::path folder = dir / (std::string("chunks-") + model);
      double start = now();
      chunks += TrackAudio::compressedChunks(dir / name, backend.chunkSeconds, folder).size();
      chunking += now() - start;
      fs::remove_all(folder);
      start = now();
      segments += backend.transcribe(dir / name, std::nullopt).size();
      whole += now() - start;
    }
    const double rest = whole - chunking;
    std::printf(
        "%-18s %3zu chunks (%zu segments): transcribe %.2f s, of which chunking %.2f s "
        "(%.3f s per chunk) and sending/decoding %.3f s (%.2f ms per chunk, %.1f%%)\n",
        model, chunks, segments, whole, chunking, chunking / static_cast<double>(chunks), rest,
        1000 * rest / static_cast<double>(chunks), 100 * rest / whole);
  }
  server.stop();
  thread.join();
  fs::remove_all(dir);
  return 0;
}
