// The application model's test fixture: a private store, settings that point at fake
// transcription and notes services on loopback, the model made with the real processing tool
// or a scripted stand-in for it, and the notifications printed on standard output.
#pragma once

#include <sys/stat.h>

#include <QTest>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include "controllers/app_model.h"
#include "fake_http_service.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings.h"
#include "kelv/core/util/environment.h"
#include "stdout_capture.h"
#include "temp_dir.h"

namespace kelv::app {

namespace fs = std::filesystem;
using kelv::test::FakeHttpService;

constexpr int kChildTimeout = 90'000;  // ms; the sanitizer build of kelv is slow to start

inline const std::map<std::string, std::string> kKeys = {
    {"v2.transcription.openAIStyle", "sk-stt"},
    {"v2.notes.openAICompatible", "sk-notes"},
    {"v2.notes.anthropic", "sk-unused"},
};

inline FakeHttpService::Reply json(const nlohmann::json& body) {
  return FakeHttpService::Reply::json(body.dump());
}

class AppModelTest : public testing::Test {
 protected:
  void TearDown() override { ::unsetenv("KELV_BUNDLE_ID"); }

  void SetUp() override {
    // The processing child inherits all of this and so sees the same store and settings.
    ::setenv("HOME", temp.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (temp / "data").c_str(), 1);
    ::setenv("KELV_DEFAULTS_SUITE", "test", 1);
    ::setenv("KELV_MEETINGS_DIR", (temp / "meetings").c_str(), 1);
    ::setenv("KELV_FAKE_CAPTURE", "1", 1);
    ::setenv("TZ", "UTC", 1);
    stt.on("POST", "/v1/audio/transcriptions", [this](const FakeHttpService::Request&) {
      const std::string text = sttCalls++ % 2 == 0 ? "Hola a todos" : "Buenos días";
      return json({{"text", text}, {"segments", {{{"start", 0.2}, {"end", 0.8}, {"text", text}}}}});
    });
    llm.on("POST", "/v1/chat/completions", [](const FakeHttpService::Request&) {
      return json(
          {{"choices",
            {{{"message",
               {{"role", "assistant"},
                {"content", "Title: Derivadas\n\n## Resumen\nLa clase trató de derivadas."}}}}}}});
    });
    writeSettings();
  }

  void writeSettings(bool askToRecordCalls = true, bool onDevice = false) {
    const nlohmann::json settings = {
        {"notesFolder", core::folderURL(temp / "notes")},
        {"transcription", onDevice ? nlohmann::json{{"type", "on-device"}}
                                   : nlohmann::json{{"type", "openai-style"},
                                                    {"address", stt.baseUrl() + "/v1"},
                                                    {"model", "whisper-1"}}},
        {"notes",
         {{"type", "openai-compatible"}, {"address", llm.baseUrl() + "/v1"}, {"model", "llama"}}},
        {"askToRecordCalls", askToRecordCalls},
        {"language", "es"}};
    fs::create_directories(temp / "config" / "test");
    kelv::test::writeFile(preferencesFile(), nlohmann::json{{"v2.settings", settings}}.dump());
  }

  fs::path preferencesFile() const { return temp / "config" / "test" / "preferences.json"; }

  std::unique_ptr<AppModel> makeModel(std::optional<fs::path> kelv = std::nullopt,
                                      std::map<std::string, std::string> keys = kKeys,
                                      std::function<double()> callClock = {}) {
    return std::make_unique<AppModel>(AppModel::Options{
        core::MeetingStore(temp / "meetings"),
        std::make_shared<core::MemorySecretStore>(std::move(keys)),
        core::Preferences(preferencesFile()), kelv ? *kelv : fs::path(std::getenv("KELV_TOOL")),
        std::move(callClock), core::Environment::ofProcess().fakeCapture});
  }

  // A stand-in for the processing tool: a shell script run as `SCRIPT process <id>`.
  fs::path script(const std::string& body) {
    const fs::path path = temp / ("child-" + std::to_string(scripts++) + ".sh");
    kelv::test::writeFile(path, "#!/bin/sh\nfolder=\"$KELV_MEETINGS_DIR/$2\"\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
  }

  // Script lines that set the status, as a tool would, with `fields` merged in.
  static std::string setStatus(const nlohmann::json& fields) {
    return "/usr/bin/python3 - \"$folder/meeting.json\" <<'EOF'\n"
           "import json, sys\n"
           "path = sys.argv[1]\n"
           "status = json.load(open(path))\n"
           "status.update(json.loads('" +
           fields.dump() +
           "'))\n"
           "json.dump(status, open(path, 'w'))\n"
           "EOF\n";
  }

  // Records for about `seconds` of tone and stops; returns the meeting's folder.
  core::MeetingFolder recordBriefly(AppModel& model, double seconds = 1.0) {
    model.start();
    EXPECT_TRUE(model.isRecording());
    if (!model.isRecording()) throw std::runtime_error("no recording");
    const core::MeetingFolder folder = model.recorder()->folder();
    QTest::qWait(static_cast<int>(seconds * 1000));
    model.stop();
    return folder;
  }

  // Waits until `line` has been printed `times` times in all.
  bool waitForLine(const std::string& line, size_t times = 1, int timeout = kChildTimeout) {
    return QTest::qWaitFor(
        [&] {
          const auto lines = output.lines();
          return static_cast<size_t>(std::count(lines.begin(), lines.end(), line)) >= times;
        },
        timeout);
  }

  kelv::test::TempDir temp;
  FakeHttpService stt;
  FakeHttpService llm;
  int sttCalls = 0;
  int scripts = 0;
  kelv::test::StdoutCapture output;
};

}  // namespace kelv::app
