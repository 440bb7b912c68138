// kelv process / reprocess / run end to end: a meeting recorded from the tone source is
// processed by the real OpenAI-style transcription and OpenAI-compatible notes backends against
// fake services on loopback, with the keys arriving on standard input or from the Secret
// Service.
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "fake_http_service.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/settings/keychain.h"
#include "kelv/core/settings/settings.h"
#include "kelv/core/util/library_json.h"
#include "secret_service.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::FakeHttpService;
using kelv::test::readFile;
using kelv::test::ToolResult;
using kelv::test::ToolRun;
using State = core::MeetingStatus::State;
using Reply = FakeHttpService::Reply;

const char* kSecrets =
    R"({"v2.notes.openAICompatible":"sk-notes","v2.transcription.openAIStyle":"sk-stt"})";

Reply segmentsReply(double start, const std::string& text) {
  return Reply::json(nlohmann::json{
      {"text", text}, {"segments", {{{"start", start}, {"end", start + 0.6}, {"text", text}}}}}
                         .dump());
}

Reply notesReply(const std::string& content) {
  return Reply::json(
      nlohmann::json{{"choices", {{{"message", {{"role", "assistant"}, {"content", content}}}}}}}
          .dump());
}

// Holds a request until opened, so a test can act while kelv waits for a reply.
class Gate {
 public:
  void close() {
    std::lock_guard lock(mutex_);
    open_ = false;
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void pass() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
    --waiting_;
  }
  void waitForVisitor() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return waiting_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  int waiting_ = 0;
};

class KelvProcess : public testing::Test {
 protected:
  KelvProcess() {
    environment = {{"HOME", temp.path().string()},
                   {"XDG_CONFIG_HOME", (temp / "config").string()},
                   {"KELV_DEFAULTS_SUITE", "test"},
                   {"KELV_MEETINGS_DIR", (temp / "meetings").string()},
                   {"KELV_FAKE_CAPTURE", "1"},
                   {"TZ", "UTC"},
                   {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (temp / "no-bus").string()}};
    setenv("TZ", "UTC", 1);
    tzset();
    // The mic track is transcribed first, then the system track.
    stt.on("POST", "/v1/audio/transcriptions", [this](const FakeHttpService::Request&) {
      const int call = sttCalls++;
      if (call == holdCall) gate.pass();
      return call % 2 == 0 ? segmentsReply(0.2, "Hola a todos") : segmentsReply(0.5, "Buenos días");
    });
    llm.script("POST", "/v1/chat/completions",
               {notesReply("Title: Derivadas\n\n## Resumen\nLa clase trató de derivadas.")});
    writeSettings(/*deleteAudio=*/false, /*notes=*/true);
  }

  // Nothing may stay held when the services stop.
  ~KelvProcess() override { gate.open(); }

  void writeSettings(bool deleteAudio, bool notes) {
    nlohmann::json settings = {
        {"notesFolder", core::folderURL(temp / "notes")},
        {"vocabulary", nlohmann::json::array()},
        {"transcription",
         {{"type", "openai-style"}, {"address", stt.baseUrl() + "/v1"}, {"model", "whisper-1"}}},
        {"notes", notes ? nlohmann::json{{"type", "openai-compatible"},
                                         {"address", llm.baseUrl() + "/v1"},
                                         {"model", "llama"}}
                        : nlohmann::json{{"type", "none"}}},
        {"deleteAudioAfterProcessing", deleteAudio},
        {"askToRecordCalls", true},
        {"ignoredCallApps", nlohmann::json::array()}};
    fs::create_directories(temp / "config" / "test");
    kelv::test::writeFile(temp / "config" / "test" / "preferences.json",
                          nlohmann::json{{"v2.settings", settings}}.dump());
  }

  ToolResult kelv(std::vector<std::string> arguments, std::optional<std::string> input = kSecrets) {
    ToolRun run(std::move(arguments), environment);
    run.input = std::move(input);
    return kelv::test::runTool(run);
  }

  core::MeetingFolder record() {
    const ToolResult result =
        kelv({"record", "--duration", "1.2", "--language", "es"}, std::nullopt);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    return core::MeetingFolder(temp / "meetings" / result.out.substr(0, result.out.find('\n')));
  }

  // The Meeting file the fake replies make, with or without the notes.
  std::string expectedFile(const core::MeetingFolder& folder, bool notes) {
    const core::MeetingStatus status = folder.readStatus();
    return "---\n"
           "schema: kelvora/v1\n"
           "title: \"" +
           std::string(notes ? "Derivadas"
                             : core::MeetingFileWriter::displayTitle({}, status.startedAt)) +
           "\"\n"
           "date: " +
           core::LibraryJson::formatDate(status.startedAt) +
           "\n"
           "duration: 1\n"
           "participants:\n"
           "  - You\n"
           "  - Them\n"
           "language: es\n"
           "engine: openai-style:whisper-1\n"
           "x_kelvora_meeting: \"" +
           folder.id() +
           "\"\n"
           "---\n"
           "\n"
           "# " +
           (notes ? "Derivadas" : core::MeetingFileWriter::displayTitle({}, status.startedAt)) +
           "\n"
           "\n" +
           (notes ? "## Resumen\nLa clase trató de derivadas.\n\n" : "") +
           "## Transcript\n"
           "\n"
           "[00:00:00] **You:** Hola a todos\n\n"
           "[00:00:00] **Them:** Buenos días\n\n";
  }

  std::string fileName(const core::MeetingFolder& folder, const std::string& title) {
    return core::MeetingFileWriter::baseName(title, folder.readStatus().startedAt) + ".md";
  }

  kelv::test::TempDir temp;
  FakeHttpService stt;
  FakeHttpService llm;
  Gate gate;
  std::atomic<int> sttCalls{0};
  // The transcription request (counted from 0) that waits for the gate.
  std::atomic<int> holdCall{-1};
  std::map<std::string, std::string> environment;
};

TEST_F(KelvProcess, RecordedMeetingBecomesTheExactMeetingFile) {
  // The notes key is not in the document: it comes from the Secret Service.
  kelv::test::PrivateSecretService secretService;
  environment["DBUS_SESSION_BUS_ADDRESS"] = secretService.busAddress();
  core::Keychain("com.tizara.app.test").setSecret("sk-from-keyring", "v2.notes.openAICompatible");

  const core::MeetingFolder folder = record();
  const ToolResult result =
      kelv({"process", folder.id()}, R"({"v2.transcription.openAIStyle":"sk-stt"})");
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const fs::path file = temp / "notes" / fileName(folder, "Derivadas");
  EXPECT_EQ(result.out, folder.id() + " done " + file.string() + "\n");
  EXPECT_THAT(result.err, testing::HasSubstr("transcribing mic, chunk 1 of 1\n"));
  EXPECT_THAT(result.err, testing::HasSubstr("transcribing system, chunk 1 of 1\n"));

  EXPECT_EQ(readFile(file), expectedFile(folder, true));
  const core::MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.state, State::done);
  EXPECT_EQ(status.notesBackend, "openai-compatible:llama");
  EXPECT_EQ(status.meetingFileHash, core::MeetingFileWriter::hash(readFile(file)));

  const auto requests = stt.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.header("Authorization"), "Bearer sk-stt");
    EXPECT_EQ(request.part("language").content, "es");
  }
  ASSERT_EQ(llm.count(), 1u);
  EXPECT_EQ(llm.requests()[0].header("Authorization"), "Bearer sk-from-keyring");
  EXPECT_THAT(llm.requests()[0].body, testing::HasSubstr("Hola a todos"));

  // The audio is kept, compressed.
  EXPECT_TRUE(fs::exists(folder.path() / "mic.m4a"));
  EXPECT_TRUE(fs::exists(folder.path() / "system.m4a"));
  EXPECT_FALSE(fs::exists(folder.micTrackPath()));
  EXPECT_FALSE(fs::exists(folder.systemTrackPath()));
}

TEST_F(KelvProcess, DeletingTheAudioAfterProcessing) {
  writeSettings(/*deleteAudio=*/true, /*notes=*/false);
  const core::MeetingFolder folder = record();
  const ToolResult result = kelv({"process", folder.id()});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readFile(temp / "notes" / fileName(folder, "")), expectedFile(folder, false));
  for (core::Track track : core::kAllTracks) EXPECT_TRUE(folder.trackFiles(track).empty());
  EXPECT_EQ(llm.count(), 0u);
}

TEST_F(KelvProcess, AKilledRunResumesWithoutSendingTheFinishedTrackAgain) {
  for (int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(signal);
    const core::MeetingFolder folder = record();
    sttCalls = 0;
    gate.close();
    holdCall = 1;  // the mic track goes through, the system track's request is held
    const size_t before = stt.count();
    kelv::test::writeFile(temp / "secrets.json", kSecrets);
    kelv::test::ChildProcess child(
        {"sh", "-c", "exec \"$0\" process \"$1\" < \"$2\"", kelv::test::toolPath(), folder.id(),
         (temp / "secrets.json").string()},
        environment);
    gate.waitForVisitor();
    ASSERT_EQ(stt.count(), before + 2);
    ASSERT_TRUE(fs::exists(folder.path() / "mic.json"));
    ::kill(child.pid(), signal);
    EXPECT_EQ(child.wait(), -1);  // ended by the signal, not by a normal exit
    holdCall = -1;
    gate.open();

    EXPECT_EQ(folder.readStatus().state, State::processing);
    EXPECT_FALSE(folder.isBusy());
    sttCalls = 1;  // the next request is the system track's
    const ToolResult result = kelv({"process", folder.id()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(stt.count(), before + 3);
    EXPECT_THAT(result.err, testing::Not(testing::HasSubstr("transcribing mic")));
    EXPECT_EQ(readFile(*folder.readStatus().meetingFile), expectedFile(folder, true));
  }
}

TEST_F(KelvProcess, NotesFailureThenSuccessReplacesTheFile) {
  llm.script("POST", "/v1/chat/completions",
             {Reply::json(R"({"error":{"message":"bad key"}})", 401),
              notesReply("Title: Derivadas\n\n## Resumen\nLa clase trató de derivadas.")});
  const core::MeetingFolder folder = record();
  ToolResult result = kelv({"process", folder.id()});
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  core::MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.state, State::needsAttention);
  ASSERT_TRUE(status.lastError);
  EXPECT_THAT(*status.lastError,
              testing::StartsWith("Needs attention: the Notes weren't written. "));
  EXPECT_EQ(result.out, folder.id() + " needs-attention " + *status.lastError + "\n");
  const fs::path first = temp / "notes" / fileName(folder, "");
  EXPECT_EQ(readFile(first), expectedFile(folder, false));

  result = kelv({"process", folder.id()});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_FALSE(fs::exists(first));
  EXPECT_EQ(readFile(temp / "notes" / fileName(folder, "Derivadas")), expectedFile(folder, true));
  EXPECT_EQ(stt.count(), 2u);  // the transcripts were not made again

  // The user edits the file; reprocessing writes the new one beside it.
  const fs::path file = temp / "notes" / fileName(folder, "Derivadas");
  kelv::test::writeFile(file, readFile(file) + "Mis comentarios.\n");
  const std::string edited = readFile(file);
  ASSERT_EQ(kelv({"reprocess", folder.id()}).exitStatus, 0);
  EXPECT_EQ(folder.readStatus().state, State::processing);
  result = kelv({"process", folder.id()});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readFile(file), edited);
  const fs::path sibling = file.parent_path() / (file.stem().string() + "-2.md");
  EXPECT_EQ(*folder.readStatus().meetingFile, sibling.string());
  EXPECT_EQ(readFile(sibling), expectedFile(folder, true));
  EXPECT_EQ(stt.count(), 4u);
}

TEST_F(KelvProcess, AKeyTheServiceRepeatsIsNeitherKeptNorShown) {
  llm.script(
      "POST", "/v1/chat/completions",
      {Reply::json(
          R"({"error":{"message":"Incorrect API key provided: sk-notes. Key sk-notes is not valid."}})",
          400)});
  const core::MeetingFolder folder = record();
  const ToolResult result = kelv({"process", folder.id()});
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  const core::MeetingStatus status = folder.readStatus();
  ASSERT_TRUE(status.lastError);
  EXPECT_THAT(*status.lastError,
              testing::EndsWith("(HTTP 400): Incorrect API key provided: …. Key … is not valid."));
  for (const std::string& text :
       {*status.lastError, result.out, result.err, readFile(folder.statusPath())})
    EXPECT_EQ(text.find("sk-notes"), std::string::npos) << text;
}

TEST_F(KelvProcess, ASecondProcessOnTheSameFolderIsTurnedAwayBusy) {
  const core::MeetingFolder folder = record();
  holdCall = 0;
  kelv::test::writeFile(temp / "secrets.json", kSecrets);
  kelv::test::ChildProcess first(
      {"sh", "-c", "exec \"$0\" process \"$1\" < \"$2\"", kelv::test::toolPath(), folder.id(),
       (temp / "secrets.json").string()},
      environment);
  gate.waitForVisitor();
  const std::string statusBefore = readFile(folder.statusPath());
  // It works at the lowest priority: nice 19 and the idle I/O class.
  const std::string stat = readFile("/proc/" + std::to_string(first.pid()) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
  ASSERT_GT(values.size(), 16u);
  EXPECT_EQ(values[16], "19");
  EXPECT_EQ(syscall(SYS_ioprio_get, 1, first.pid()) >> 13, 3);

  const ToolResult second = kelv({"process", folder.id()});
  EXPECT_EQ(second.exitStatus, 3);
  EXPECT_THAT(second.err, testing::HasSubstr(
                              "This Meeting is being recorded or processed by another Kelvora."));
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(readFile(folder.statusPath()), statusBefore);
  EXPECT_EQ(kelv({"reprocess", folder.id()}).exitStatus, 3);

  gate.open();
  EXPECT_EQ(first.wait(), 0);
  EXPECT_EQ(folder.readStatus().state, State::done);
  EXPECT_EQ(stt.count(), 2u);
}

TEST_F(KelvProcess, RunProcessesEveryWaitingMeetingAndReportsEach) {
  const core::MeetingFolder a = record();
  const core::MeetingFolder b = record();
  b.updateStatus([](core::MeetingStatus& s) { s.state = State::done; });
  const core::MeetingFolder c = record();
  const ToolResult result = kelv({"run"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const core::MeetingStatus first = a.readStatus();
  const core::MeetingStatus third = c.readStatus();
  EXPECT_EQ(result.out, a.id() + " done " + *first.meetingFile + "\n" + c.id() + " done " +
                            *third.meetingFile + "\n");
  EXPECT_THAT(result.err, testing::HasSubstr(c.id() + ": transcribing system"));
  EXPECT_EQ(stt.count(), 4u);
  EXPECT_EQ(b.readStatus().meetingFile, std::nullopt);
}

TEST_F(KelvProcess, UsageErrorsAndMissingMeetings) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<std::string> input;
    int exitStatus;
  };
  const std::vector<Case> cases = {
      {{"process"}, kSecrets, 2},
      {{"process", "a", "b"}, kSecrets, 2},
      {{"process", "../elsewhere"}, kSecrets, 2},
      {{"process", "."}, kSecrets, 2},
      {{"process", "2025-01-01-000000-0000"}, kSecrets, 3},
      {{"process", "2025-01-01-000000-0000"}, "[\"not an object\"]", 2},
      {{"process", "2025-01-01-000000-0000"}, "{\"v2.x\": 5}", 2},
      // A key that would add headers of its own, or longer than any service issues.
      {{"process", "2025-01-01-000000-0000"}, "{\"v2.x\": \"k\\r\\nHost: evil\"}", 2},
      {{"process", "2025-01-01-000000-0000"}, "{\"v2.x\": \"" + std::string(4097, 'k') + "\"}", 2},
      {{"reprocess", "missing"}, std::nullopt, 3},
      {{"reprocess"}, std::nullopt, 2},
      {{"download", "base", "tiny"}, std::nullopt, 2},
      {{"run", "extra"}, std::nullopt, 2},
  };
  for (const Case& c : cases) {
    const ToolResult result = kelv(c.arguments, c.input);
    EXPECT_EQ(result.exitStatus, c.exitStatus) << testing::PrintToString(c.arguments) << result.err;
    EXPECT_FALSE(result.err.empty());
  }
#ifdef KELV_HAS_ON_DEVICE
  EXPECT_EQ(kelv({"download", "huge"}).exitStatus, 1);
#else
  EXPECT_EQ(kelv({"download"}).err,
            "kelv download: no on-device transcription engine is available in this build\n");
#endif
  EXPECT_FALSE(fs::exists(temp / "elsewhere"));
}

}  // namespace
}  // namespace kelv::tool
