// Whole processing of a recorded meeting against instant fake services on loopback: chunking
// and compressing both tracks for upload, the uploads, the merge, the notes request, the
// Meeting file and the compression of the kept audio. Reports seconds of processing per hour
// of audio (wall clock, this process).
// Usage: processing_bench [MINUTES=60]
#include <httplib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "kelv/core/assembly/backend_makers.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/processing/processing.h"

namespace {

namespace fs = std::filesystem;
using namespace kelv::core;

// A tone like the tone source's, written in one-minute blocks.
void writeTone(const fs::path& path, double frequency, int minutes) {
  std::ofstream out(path, std::ios::binary);
  std::vector<int16_t> block(16000 * 60);
  for (int minute = 0; minute < minutes; ++minute) {
    for (size_t i = 0; i < block.size(); ++i) {
      const double t = static_cast<double>(minute * block.size() + i) / 16000;
      block[i] = static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * frequency * t)));
    }
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size() * 2));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
  char pattern[] = "/tmp/kelv-processing-bench-XXXXXX";
  const fs::path root = mkdtemp(pattern);

  httplib::Server server;
  int uploads = 0;
  server.Post("/v1/audio/transcriptions", [&](const httplib::Request&, httplib::Response& reply) {
    ++uploads;
    reply.set_content(R"({"text":"hola","segments":[{"start":1,"end":3,"text":"hola a todos"}]})",
                      "application/json");
  });
  server.Post("/v1/chat/completions", [](const httplib::Request&, httplib::Response& reply) {
    reply.set_content(
        R"({"choices":[{"message":{"role":"assistant","content":"Title: Clase\n\n## Resumen\nTodo."}}]})",
        "application/json");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/v1";

  const MeetingStore store(root / "meetings");
  const MeetingFolder folder = store.create(std::chrono::system_clock::now(), "es");
  writeTone(folder.micTrackPath(), 440, minutes);
  writeTone(folder.systemTrackPath(), 660, minutes);
  folder.updateStatus([&](MeetingStatus& status) {
    status.state = MeetingStatus::State::processing;
    status.endedAt = status.startedAt + std::chrono::minutes(minutes);
  });

  const BackendMakers& makers = BackendMakers::builtIn();
  ProcessingOptions options;
  options.transcription = makers.transcription.at(TranscriptionBackendType::openAIStyle)(
      TranscriptionSetup{TranscriptionBackendType::openAIStyle, address, "whisper-1", "key", 4096});
  options.notes = makers.notes.at(NotesBackendType::openAICompatible)(
      NotesSetup{NotesBackendType::openAICompatible, address, "llama", "key", 4096});
  options.notesStep = Processing::defaultNotesStep();
  options.notesFolder = root / "notes";
  options.keepAudio = true;

  const auto start = std::chrono::steady_clock::now();
  const MeetingStatus status = Processing::run(folder, options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  server.stop();
  serving.join();
  std::error_code ignored;
  fs::remove_all(root, ignored);

  std::printf("processed %d min x 2 tracks in %.1f s (%d uploads, state %s)\n", minutes, seconds,
              uploads, toString(status.state).c_str());
  std::printf("seconds of processing per hour of meeting: %.1f\n", seconds * 60 / minutes);
  return status.state == MeetingStatus::State::done ? 0 : 1;
}
