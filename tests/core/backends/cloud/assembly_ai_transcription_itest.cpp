// AssemblyAITranscription against a fake AssemblyAI service on loopback: upload, job, polls.
#include "kelv/core/backends/cloud/assembly_ai_transcription.h"

#include <gtest/gtest.h>

#include <mutex>
#include <nlohmann/json.hpp>

#include "kelv/core/backends/cloud/cloud_error.h"
#include "transcription_fixture.h"

namespace kelv::core {
namespace {

using test::FakeHttpService;
using Reply = FakeHttpService::Reply;
using nlohmann::json;

const char* kKey = "aai-key-1";

// The service's three endpoints. Each checks what the real service needs and answers with the
// given job states in turn (the creation reply first, then one per poll; the last repeats).
class FakeAssemblyAI {
 public:
  explicit FakeAssemblyAI(FakeHttpService& service) : service_(service) {
    service.on("POST", "/v2/upload", [this](const FakeHttpService::Request& request) {
      if (request.header("Authorization") != kKey) return unauthorized();
      if (request.header("Content-Type") != "application/octet-stream" || request.body.empty()) {
        return Reply::json(R"({"error":"upload the raw bytes"})", 422);
      }
      std::lock_guard lock(mutex_);
      uploads.push_back(test::probedDuration(request.body));
      return Reply::json(json{{"upload_url", uploadURL}}.dump());
    });
    service.on("POST", "/v2/transcript", [this](const FakeHttpService::Request& request) {
      if (request.header("Authorization") != kKey) return unauthorized();
      json job = json::parse(request.body, nullptr, false);
      if (request.header("Content-Type") != "application/json" || !job.is_object()) {
        return Reply::json(R"({"error":"expected JSON"})", 400);
      }
      std::lock_guard lock(mutex_);
      jobs.push_back(job);
      return Reply::json(state(0));
    });
    service.on("GET", "/v2/transcript/job-7", [this](const FakeHttpService::Request& request) {
      if (request.header("Authorization") != kKey) return unauthorized();
      std::lock_guard lock(mutex_);
      return Reply::json(state(++polls));
    });
  }

  std::string uploadURL = "https://cdn.assemblyai.com/upload/abc";
  std::vector<json> states = {json{{"id", "job-7"}, {"status", "completed"}}};
  std::vector<double> uploads;
  std::vector<json> jobs;
  int polls = 0;

 private:
  static Reply unauthorized() { return Reply::json(R"({"error":"Authentication error"})", 401); }
  std::string state(size_t index) const {
    return states[std::min(index, states.size() - 1)].dump();
  }

  FakeHttpService& service_;
  std::mutex mutex_;
};

json status(const std::string& value) { return {{"id", "job-7"}, {"status", value}}; }

class AssemblyAI : public test::TranscriptionFixture {
 protected:
  AssemblyAITranscription backend(std::optional<std::string> key = kKey) {
    AssemblyAITranscription made(service_.baseUrl() + "/v2", std::move(key),
                                 HttpSession::makeEphemeral());
    recordWaits(made.client);
    return made;
  }
  FakeAssemblyAI fake_{service_};
};

TEST_F(AssemblyAI, MixedTrackUploadsCreatesAJobAndPollsUntilDone) {
  auto mixed = track("mixed.pcm", 4);
  json done = status("completed");
  done["words"] = {
      {{"text", "Buenos"}, {"start", 100}, {"end", 400}, {"confidence", 0.9}, {"speaker", "A"}},
      {{"text", "días."}, {"start", 450}, {"end", 900}, {"speaker", "A"}},
      {{"text", "Hola."}, {"start", 1500}, {"end", 1800}, {"speaker", "B"}},
  };
  fake_.states = {status("queued"), status("processing"), done};
  auto assembly = backend();
  EXPECT_EQ(assembly.name(), "assemblyai");
  EXPECT_TRUE(assembly.separatesSpeakers());

  auto segments = assembly.transcribe(mixed, "es-ES");

  ASSERT_EQ(fake_.uploads.size(), 1u);
  EXPECT_NEAR(fake_.uploads[0], 4.0, 0.1);
  ASSERT_EQ(fake_.jobs.size(), 1u);
  EXPECT_EQ(fake_.jobs[0], (json{{"audio_url", "https://cdn.assemblyai.com/upload/abc"},
                                 {"speaker_labels", true},
                                 {"language_code", "es"}}));
  EXPECT_EQ(fake_.polls, 2);
  EXPECT_EQ(waits(), (std::vector<double>{3, 3}));
  EXPECT_EQ(segments, (std::vector<TimedSegment>{{0.1, 0.9, "Buenos días.", "Speaker A"},
                                                 {1.5, 1.8, "Hola.", "Speaker B"}}));
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(AssemblyAI, MicTrackWithoutLanguageAsksForDetectionAndIsNeverPolledWhenDone) {
  auto mic = track("mic.pcm", 2);
  json done = status("completed");
  done["words"] = {{{"text", "hi"}, {"start", 0}, {"end", 300}, {"speaker", nullptr}}};
  fake_.states = {done};
  auto segments = backend().transcribe(mic, "");
  ASSERT_EQ(fake_.jobs.size(), 1u);
  EXPECT_EQ(fake_.jobs[0], (json{{"audio_url", "https://cdn.assemblyai.com/upload/abc"},
                                 {"speaker_labels", false},
                                 {"language_detection", true}}));
  EXPECT_EQ(fake_.polls, 0);
  EXPECT_TRUE(waits().empty());
  EXPECT_EQ(segments, (std::vector<TimedSegment>{{0, 0.3, "hi", std::nullopt}}));
}

TEST_F(AssemblyAI, WordsOfALaterChunkAreShiftedByItsOffset) {
  auto system = track("system.pcm", 15);
  json done = status("completed");
  done["words"] = {{{"text", "uno."}, {"start", 1000}, {"end", 1500}}};
  fake_.states = {done};
  auto assembly = backend();
  assembly.chunkSeconds = 10;
  auto segments = assembly.transcribe(system, std::nullopt);
  ASSERT_EQ(fake_.uploads.size(), 2u);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0].start, 1.0);
  const double offset = fake_.uploads[0];
  EXPECT_NEAR(segments[1].start, offset + 1.0, 0.1);
  EXPECT_GE(segments[1].start - 1.0, 7.9);  // the cut falls within the chunk's last 2 s
  EXPECT_LE(segments[1].start - 1.0, 10.0);
}

TEST_F(AssemblyAI, PollingGivesUpAfterSixHundredPolls) {
  auto mic = track("mic.pcm", 1);
  fake_.states = {status("processing")};
  try {
    backend().transcribe(mic, std::nullopt);
    ADD_FAILURE() << "no error";
  } catch (const CloudError& error) {
    EXPECT_STREQ(error.what(),
                 "AssemblyAI couldn't transcribe the audio: timed out waiting for the transcript");
  }
  EXPECT_EQ(fake_.polls, 600);
  EXPECT_EQ(waits(), std::vector<double>(600, 3));
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(AssemblyAI, TheSixHundredthPollMayStillComplete) {
  auto mic = track("mic.pcm", 1);
  fake_.states = std::vector<json>(600, status("processing"));
  fake_.states.push_back(status("completed"));
  EXPECT_TRUE(backend().transcribe(mic, std::nullopt).empty());  // no "words": no segments
  EXPECT_EQ(fake_.polls, 600);
}

TEST_F(AssemblyAI, FailuresEndTheTrackAndLeaveNothingBehind) {
  json errored = status("error");
  errored["error"] = "Transcoding failed. File does not appear to contain audio.";
  struct Case {
    const char* name;
    std::optional<std::string> key;
    std::string uploadURL;
    std::vector<json> states;
    std::string text;
    size_t requests;
  } cases[] = {
      {"job error",
       kKey,
       "https://cdn.assemblyai.com/u",
       {status("processing"), errored},
       "AssemblyAI couldn't transcribe the audio: Transcoding failed. File does not appear to "
       "contain audio.",
       3},
      {"job error without text",
       kKey,
       "https://cdn.assemblyai.com/u",
       {status("error")},
       "AssemblyAI couldn't transcribe the audio: unknown error",
       2},
      {"no key",
       std::nullopt,
       "https://cdn.assemblyai.com/u",
       {status("completed")},
       "AssemblyAI rejected the API key. Check Settings > AI.",
       0},
      {"wrong key",
       "other",
       "https://cdn.assemblyai.com/u",
       {status("completed")},
       "AssemblyAI rejected the API key. Check Settings > AI.",
       1},
      {"plain http upload address",
       kKey,
       "http://cdn.assemblyai.com/u",
       {status("completed")},
       "AssemblyAI returned a response Kelvora couldn't read.",
       1},
      {"foreign upload host",
       kKey,
       "https://evil.example/u",
       {status("completed")},
       "AssemblyAI returned a response Kelvora couldn't read.",
       1},
      {"look-alike upload host",
       kKey,
       "https://notassemblyai.com/u",
       {status("completed")},
       "AssemblyAI returned a response Kelvora couldn't read.",
       1},
      {"job reply without id",
       kKey,
       "https://cdn.assemblyai.com/u",
       {json{{"status", "queued"}}},
       "AssemblyAI returned a response Kelvora couldn't read.",
       2},
      {"word without times",
       kKey,
       "https://cdn.assemblyai.com/u",
       {json{{"id", "job-7"}, {"status", "completed"}, {"words", {{{"text", "a"}}}}}},
       "AssemblyAI returned a response Kelvora couldn't read.",
       2},
  };
  auto mic = track("mic.pcm", 1);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeHttpService service;
    FakeAssemblyAI fake(service);
    fake.uploadURL = c.uploadURL;
    fake.states = c.states;
    AssemblyAITranscription failing(service.baseUrl() + "/v2", c.key, HttpSession::makeEphemeral());
    recordWaits(failing.client);
    try {
      failing.transcribe(mic, std::nullopt);
      ADD_FAILURE() << "no error";
    } catch (const CloudError& error) {
      EXPECT_EQ(error.what(), c.text);
    }
    EXPECT_EQ(service.count(), c.requests);
    EXPECT_TRUE(leftovers().empty());
  }
}

TEST_F(AssemblyAI, UploadOnTheConfiguredHostIsAccepted) {
  auto mic = track("mic.pcm", 1);
  fake_.uploadURL = "https://127.0.0.1/upload/x";
  auto local = backend();
  auto segments = local.transcribe(mic, std::nullopt);
  EXPECT_TRUE(segments.empty());
  ASSERT_EQ(fake_.jobs.size(), 1u);
  EXPECT_EQ(fake_.jobs[0]["audio_url"], "https://127.0.0.1/upload/x");
}

}  // namespace
}  // namespace kelv::core
