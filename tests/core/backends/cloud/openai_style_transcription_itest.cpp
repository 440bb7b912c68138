// OpenAIStyleTranscription against a fake OpenAI-style service on loopback.
#include "kelv/core/backends/cloud/openai_style_transcription.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "kelv/core/backends/cloud/cloud_error.h"
#include "transcription_fixture.h"

namespace kelv::core {
namespace {

using test::FakeHttpService;
using Reply = FakeHttpService::Reply;
using Strings = std::vector<std::string>;

class OpenAIStyle : public test::TranscriptionFixture {
 protected:
  OpenAIStyleTranscription backend(std::optional<std::string> model = std::nullopt,
                                   std::optional<std::string> key = "sk-test",
                                   std::string path = "/v1") {
    OpenAIStyleTranscription made(service_.baseUrl() + path, std::move(model), std::move(key),
                                  HttpSession::makeEphemeral());
    recordWaits(made.client);
    return made;
  }

  // Answers like the service: checks the form as its parser would, then replies per chunk.
  void serve(std::function<Reply(const FakeHttpService::Request&, int chunk)> reply) {
    auto counter = std::make_shared<int>(0);
    service_.on("POST", "/v1/audio/transcriptions",
                [reply, counter](const FakeHttpService::Request& request) {
                  if (!request.multipart || request.parts.empty()) {
                    return Reply::json(R"({"error":{"message":"expected a form"}})", 400);
                  }
                  return reply(request, (*counter)++);
                });
  }
};

TEST_F(OpenAIStyle, WhisperModelSendsTheFullFormAndKeepsTheServicesTimes) {
  auto mic = track("mic.pcm", 5);
  serve([](const FakeHttpService::Request&, int) {
    return Reply::json(R"({"text":"ignored when segments exist","segments":[
      {"id":0,"start":0.2,"end":1.5,"text":"  Hola a todos.\n"},
      {"start":1.5,"end":2.0,"text":"   "},
      {"start":null,"end":3.25,"text":"sin inicio"},
      {"start":3.5,"text":"sin final"}]})");
  });
  auto whisper = backend();
  EXPECT_EQ(whisper.name(), "openai-style:whisper-1");
  EXPECT_FALSE(whisper.separatesSpeakers());
  EXPECT_EQ(whisper.client.backend, "127.0.0.1");
  EXPECT_EQ(whisper.chunkSeconds, 1200);

  auto segments = whisper.transcribe(mic, "en-US");

  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& request = requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.header("Authorization"), "Bearer sk-test");
  const std::string contentType = request.header("Content-Type").value_or("");
  EXPECT_TRUE(contentType.starts_with("multipart/form-data; boundary=kelv-")) << contentType;
  EXPECT_EQ(contentType.size(), std::string("multipart/form-data; boundary=kelv-").size() + 36);
  EXPECT_EQ(request.partNames(),
            (Strings{"model", "language", "response_format", "timestamp_granularities[]", "file"}));
  EXPECT_EQ(request.part("model").content, "whisper-1");
  EXPECT_EQ(request.part("language").content, "en");
  EXPECT_EQ(request.part("response_format").content, "verbose_json");
  EXPECT_EQ(request.part("timestamp_granularities[]").content, "segment");
  EXPECT_EQ(request.part("file").filename, "audio.m4a");
  EXPECT_EQ(request.part("file").contentType, "audio/mp4");
  EXPECT_NEAR(test::probedDuration(request.part("file").content), 5.0, 0.1);

  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0], (TimedSegment{0.2, 1.5, "Hola a todos.", std::nullopt}));
  EXPECT_EQ(segments[1], (TimedSegment{0.0, 3.25, "sin inicio", std::nullopt}));
  EXPECT_EQ(segments[2].start, 3.5);
  EXPECT_NEAR(segments[2].end, 5.0, 0.1);  // the chunk's own length
  EXPECT_EQ(segments[2].text, "sin final");
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(OpenAIStyle, GPTModelSendsThirtySecondChunksEachSpanningItsChunk) {
  auto mic = track("mic.pcm", 65);
  std::vector<double> uploaded;
  serve([&uploaded](const FakeHttpService::Request& request, int chunk) {
    uploaded.push_back(test::probedDuration(request.part("file").content));
    return Reply::json(nlohmann::json{{"text", " parte " + std::to_string(chunk) + " "}}.dump());
  });
  auto gpt = backend("gpt-4o-transcribe");
  EXPECT_EQ(gpt.chunkSeconds, 30);

  auto segments = gpt.transcribe(mic, std::nullopt);

  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.partNames(), (Strings{"model", "response_format", "file"}));
    EXPECT_EQ(request.part("model").content, "gpt-4o-transcribe");
    EXPECT_EQ(request.part("response_format").content, "json");
  }
  ASSERT_EQ(segments.size(), 3u);
  ASSERT_EQ(uploaded.size(), 3u);
  double total = 0;
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(segments[i].text, "parte " + std::to_string(i));
    EXPECT_LE(uploaded[i], 30.05);
    EXPECT_NEAR(segments[i].end - segments[i].start, uploaded[i], 0.1);
    if (i > 0) {
      EXPECT_NEAR(segments[i].start, segments[i - 1].end, 0.1);
    }
    total += uploaded[i];
  }
  EXPECT_EQ(segments[0].start, 0);
  EXPECT_GE(segments[1].start, 27);  // each cut falls within the last 3 s of its chunk
  EXPECT_LE(segments[1].start, 30);
  EXPECT_NEAR(total, 65, 0.2);
  EXPECT_NEAR(segments[2].end, 65, 0.1);
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(OpenAIStyle, SelfHostedServerWithoutKeyAndTrailingSlash) {
  auto mic = track("mic.pcm", 2);
  serve([](const FakeHttpService::Request&, int) {
    return Reply::json(R"({"text":"hello","segments":[]})");
  });
  auto local = backend(std::nullopt, "", "/v1/");
  EXPECT_EQ(local.apiKey, std::nullopt);
  EXPECT_TRUE(local.transcribe(mic, "").empty());  // empty segments: nothing, whatever the text
  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/v1/audio/transcriptions");
  EXPECT_EQ(requests[0].header("Authorization"), std::nullopt);
  EXPECT_EQ(requests[0].partNames(),
            (Strings{"model", "response_format", "timestamp_granularities[]", "file"}));
}

TEST_F(OpenAIStyle, Defaults) {
  OpenAIStyleTranscription plain(std::nullopt, std::nullopt, std::nullopt,
                                 HttpSession::makeEphemeral());
  EXPECT_EQ(plain.address, "https://api.openai.com/v1");
  EXPECT_EQ(plain.client.backend, "api.openai.com");
  EXPECT_EQ(plain.client.attempts, 5);
  OpenAIStyleTranscription empty("", std::nullopt, std::nullopt, HttpSession::makeEphemeral());
  EXPECT_EQ(empty.address, "");
  EXPECT_EQ(empty.client.backend, "Transcription backend");
}

TEST_F(OpenAIStyle, FailuresEndTheTrackAndLeaveNothingBehind) {
  struct Case {
    const char* name;
    std::string address;  // empty: the fake service
    Reply reply;
    std::string text;
    size_t requests;
  } cases[] = {
      {"ftp address", "ftp://127.0.0.1/v1", Reply::json("{}"),
       "\"ftp://127.0.0.1/v1\" isn't an http(s) address.", 0},
      {"plain text", "not an address", Reply::json("{}"),
       "\"not an address\" isn't an http(s) address.", 0},
      {"rejected key", "", Reply::json(R"({"error":{"message":"Incorrect API key"}})", 401),
       "127.0.0.1 rejected the API key. Check Settings > AI.", 1},
      {"bad request", "", Reply::json(R"({"error":{"message":"Invalid file format."}})", 400),
       "127.0.0.1 request failed (HTTP 400): Invalid file format.", 1},
      {"server errors", "", Reply::json(R"({"error":"overloaded"})", 503),
       "127.0.0.1 request failed (HTTP 503): overloaded", 5},
      {"not JSON", "", Reply::json("<html>upstream error</html>"),
       "127.0.0.1 returned a response Kelvora couldn't read.", 1},
      {"no text", "", Reply::json(R"({"segments":[]})"),
       "127.0.0.1 returned a response Kelvora couldn't read.", 1},
      {"segment without text", "", Reply::json(R"({"text":"a","segments":[{"start":1}]})"),
       "127.0.0.1 returned a response Kelvora couldn't read.", 1},
      {"start as text", "", Reply::json(R"({"text":"a","segments":[{"start":"1","text":"a"}]})"),
       "127.0.0.1 returned a response Kelvora couldn't read.", 1},
  };
  auto mic = track("mic.pcm", 2);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeHttpService service;
    service.script("POST", "/v1/audio/transcriptions", {c.reply});
    OpenAIStyleTranscription failing(c.address.empty() ? service.baseUrl() + "/v1" : c.address,
                                     std::nullopt, "k", HttpSession::makeEphemeral());
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

TEST_F(OpenAIStyle, AFailureOnTheThirdOfFiveChunksFailsTheTrack) {
  auto mic = track("mic.pcm", 140);
  serve([](const FakeHttpService::Request&, int chunk) {
    return chunk == 2 ? Reply::json(R"({"error":{"message":"bad chunk"}})", 400)
                      : Reply::json(R"({"text":"ok"})");
  });
  auto gpt = backend("gpt-4o-mini-transcribe");
  try {
    gpt.transcribe(mic, std::nullopt);
    ADD_FAILURE() << "no error";
  } catch (const CloudError& error) {
    EXPECT_EQ(error, CloudError::http("127.0.0.1", 400, "bad chunk"));
  }
  EXPECT_EQ(service_.count(), 3u);
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(OpenAIStyle, UnreadableTrackPassesTheErrorOnAndLeavesNothingBehind) {
  serve([](const FakeHttpService::Request&, int) { return Reply::json(R"({"text":"x"})"); });
  EXPECT_ANY_THROW(backend().transcribe(dir_ / "missing.pcm", std::nullopt));
  EXPECT_EQ(service_.count(), 0u);
  EXPECT_TRUE(leftovers().empty());
}

}  // namespace
}  // namespace kelv::core
