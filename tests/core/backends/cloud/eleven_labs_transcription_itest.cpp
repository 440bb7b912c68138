// ElevenLabsTranscription against a fake ElevenLabs speech-to-text service on loopback.
#include "kelv/core/backends/cloud/eleven_labs_transcription.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "kelv/core/backends/cloud/cloud_error.h"
#include "transcription_fixture.h"

namespace kelv::core {
namespace {

using test::FakeHttpService;
using Reply = FakeHttpService::Reply;
using Strings = std::vector<std::string>;
using nlohmann::json;

json word(const std::string& text, double start, double end, std::optional<std::string> speaker,
          const std::string& type = "word") {
  json entry = {{"text", text}, {"start", start}, {"end", end}, {"type", type}, {"logprob", -0.1}};
  if (speaker) entry["speaker_id"] = *speaker;
  return entry;
}

class ElevenLabs : public test::TranscriptionFixture {
 protected:
  ElevenLabsTranscription backend(std::optional<std::string> key = "xi-1") {
    ElevenLabsTranscription made(service_.baseUrl() + "/v1", std::nullopt, std::move(key),
                                 HttpSession::makeEphemeral());
    recordWaits(made.client);
    return made;
  }

  // Checks the key and the form as the service does; answers with `words` for every chunk.
  void serve(json words) {
    service_.on("POST", "/v1/speech-to-text", [words](const FakeHttpService::Request& request) {
      if (request.header("xi-api-key") != "xi-1") {
        return Reply::json(R"({"detail":{"status":"invalid_api_key"}})", 401);
      }
      if (!request.multipart || request.parts.empty() || request.parts[0].name != "model_id") {
        return Reply::json(R"({"detail":"model_id is required"})", 422);
      }
      return Reply::json(json{{"language_code", "spa"}, {"text", "..."}, {"words", words}}.dump());
    });
  }
};

TEST_F(ElevenLabs, MicTrackSendsNoDiarizeAndKeepsOnlyWords) {
  auto mic = track("mic.pcm", 3);
  serve({word("Hola", 0.0, 0.4, "speaker_0"), word(" ", 0.4, 0.5, "speaker_0", "spacing"),
         word("mundo.", 0.5, 0.9, "speaker_0"),
         word("(risas)", 1.0, 1.2, std::nullopt, "audio_event"),
         word("Otra", 1.3, 1.5, "speaker_1"), word("frase", 1.6, 1.9, std::nullopt)});
  auto eleven = backend();
  EXPECT_EQ(eleven.name(), "elevenlabs:scribe_v2");
  EXPECT_TRUE(eleven.separatesSpeakers());

  auto segments = eleven.transcribe(mic, "pt-BR");

  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].partNames(), (Strings{"model_id", "language_code", "file"}));
  EXPECT_EQ(requests[0].part("model_id").content, "scribe_v2");
  EXPECT_EQ(requests[0].part("language_code").content, "pt");
  EXPECT_EQ(requests[0].part("file").filename, "audio.m4a");
  EXPECT_EQ(requests[0].part("file").contentType, "audio/mp4");
  EXPECT_NEAR(test::probedDuration(requests[0].part("file").content), 3.0, 0.1);
  EXPECT_TRUE(requests[0]
                  .header("Content-Type")
                  .value_or("")
                  .starts_with("multipart/form-data; boundary=kelv-"));
  EXPECT_EQ(segments, (std::vector<TimedSegment>{{0.0, 0.9, "Hola mundo.", "Speaker 1"},
                                                 {1.3, 1.5, "Otra", "Speaker 2"},
                                                 {1.6, 1.9, "frase", std::nullopt}}));
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(ElevenLabs, MixedTrackAsksForDiarizationAndLaterChunksAreShifted) {
  auto mixed = track("mixed.pcm", 15);
  serve({word("Sí.", 2.0, 2.5, "speaker_2")});
  auto eleven = backend();
  eleven.chunkSeconds = 10;
  auto segments = eleven.transcribe(mixed, std::nullopt);
  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.partNames(), (Strings{"model_id", "diarize", "file"}));
    EXPECT_EQ(request.part("diarize").content, "true");
  }
  const double first = test::probedDuration(requests[0].part("file").content);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0], (TimedSegment{2.0, 2.5, "Sí.", "Speaker 3"}));
  EXPECT_NEAR(segments[1].start, first + 2.0, 0.1);
  EXPECT_NEAR(segments[1].end, first + 2.5, 0.1);
}

TEST_F(ElevenLabs, EmptyWordsGiveNoSegments) {
  auto mic = track("mic.pcm", 1);
  serve(json::array());
  EXPECT_TRUE(backend().transcribe(mic, std::nullopt).empty());
}

TEST_F(ElevenLabs, FailuresEndTheTrackAndLeaveNothingBehind) {
  struct Case {
    const char* name;
    std::optional<std::string> key;
    Reply reply;
    std::string text;
    size_t requests;
  } cases[] = {
      {"no key", std::nullopt, Reply::json("{}"),
       "ElevenLabs rejected the API key. Check Settings > AI.", 0},
      {"wrong key", "other", Reply::json("{}"),
       "ElevenLabs rejected the API key. Check Settings > AI.", 1},
      {"no words", "xi-1", Reply::json(R"({"text":"hola"})"),
       "ElevenLabs returned a response Kelvora couldn't read.", 1},
      {"word without type", "xi-1", Reply::json(R"({"words":[{"text":"a","start":0,"end":1}]})"),
       "ElevenLabs returned a response Kelvora couldn't read.", 1},
      {"not JSON", "xi-1", Reply::json("Internal Server Error"),
       "ElevenLabs returned a response Kelvora couldn't read.", 1},
      {"too large", "xi-1",
       Reply::json(R"({"detail":{"status":"too_large","message":"File too large"}})", 413),
       "ElevenLabs request failed (HTTP 413).", 1},
      {"rate limited", "xi-1", Reply::json(R"({"detail":"Too many concurrent requests"})", 429),
       "ElevenLabs request failed (HTTP 429): Too many concurrent requests", 5},
  };
  auto mic = track("mic.pcm", 1);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeHttpService service;
    service.on("POST", "/v1/speech-to-text", [&c](const FakeHttpService::Request& request) {
      if (request.header("xi-api-key") != "xi-1")
        return Reply::json(R"({"detail":"invalid key"})", 401);
      return c.reply;
    });
    ElevenLabsTranscription failing(service.baseUrl() + "/v1", std::nullopt, c.key,
                                    HttpSession::makeEphemeral());
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

}  // namespace
}  // namespace kelv::core
