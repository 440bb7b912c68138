// GeminiTranscription against a fake generateContent service on loopback.
#include "kelv/core/backends/cloud/gemini_transcription.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <nlohmann/json.hpp>

#include "kelv/core/backends/cloud/cloud_error.h"
#include "transcription_fixture.h"

namespace kelv::core {
namespace {

using test::FakeHttpService;
using Reply = FakeHttpService::Reply;
using nlohmann::json;

const char* kPath = "/v1beta/models/gemini-3-flash-preview:generateContent";

std::string unbase64(const std::string& text) {
  std::string bytes(text.size() / 4 * 3, '\0');
  int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                               reinterpret_cast<const unsigned char*>(text.data()),
                               static_cast<int>(text.size()));
  if (length < 0) return {};
  size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
  bytes.resize(static_cast<size_t>(length) - padding);
  return bytes;
}

// A reply whose first candidate holds `texts` as its parts.
std::string candidate(const std::vector<std::string>& texts) {
  json parts = json::array();
  for (const auto& text : texts) parts.push_back({{"text", text}});
  return json{{"candidates",
               {{{"content", {{"parts", parts}, {"role", "model"}}}, {"finishReason", "STOP"}}}},
              {"usageMetadata", {{"totalTokenCount", 10}}}}
      .dump();
}

class Gemini : public test::TranscriptionFixture {
 protected:
  GeminiTranscription backend(std::optional<std::string> key = "g-key") {
    GeminiTranscription made(service_.baseUrl() + "/v1beta", std::nullopt, std::move(key),
                             HttpSession::makeEphemeral());
    recordWaits(made.client);
    return made;
  }

  // Checks the key and the request shape as the service does; answers `reply`.
  void serve(std::string reply) {
    service_.on("POST", kPath, [reply](const FakeHttpService::Request& request) {
      if (request.header("x-goog-api-key") != "g-key") {
        return Reply::json(
            R"({"error":{"code":400,"message":"API key not valid.","status":"INVALID_ARGUMENT"}})",
            400);
      }
      json body = json::parse(request.body, nullptr, false);
      if (!body.is_object() || !body.contains("contents")) {
        return Reply::json(R"({"error":{"code":400,"message":"Invalid JSON payload"}})", 400);
      }
      return Reply::json(reply);
    });
  }
};

TEST_F(Gemini, SendsTheAudioInlineWithTheInstructionAndSchema) {
  auto mic = track("mic.pcm", 4);
  serve(candidate({R"([{"start":"00:00.5","end":"00:01.5","text":" Hola. "},)",
                   R"({"start":"00:02","end":"00:03.0","text":"Adiós."}])"}));
  auto gemini = backend();
  EXPECT_EQ(gemini.name(), "gemini:gemini-3-flash-preview");
  EXPECT_FALSE(gemini.separatesSpeakers());

  auto segments = gemini.transcribe(mic, "es");

  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
  EXPECT_EQ(requests[0].header("x-goog-api-key"), "g-key");
  json body = json::parse(requests[0].body);
  const std::string data = body["contents"][0]["parts"][1]["inline_data"]["data"];
  EXPECT_EQ(data.find('\n'), std::string::npos);
  EXPECT_NEAR(test::probedDuration(unbase64(data)), 4.0, 0.1);
  body["contents"][0]["parts"][1]["inline_data"]["data"] = "…";
  const json string = {{"type", "STRING"}};
  const json expected = {
      {"contents",
       {{{"parts",
          {{{"text",
             "Transcribe this audio verbatim (language: es). Return one JSON item per sentence, "
             "with start and end as MM:SS.s timestamps from the start of the audio. Return [] if "
             "nobody speaks."}},
           {{"inline_data", {{"mime_type", "audio/mp4"}, {"data", "…"}}}}}}}}},
      {"generationConfig",
       {{"temperature", 0},
        {"responseMimeType", "application/json"},
        {"responseSchema",
         {{"type", "ARRAY"},
          {"items",
           {{"type", "OBJECT"},
            {"properties", {{"start", string}, {"end", string}, {"text", string}}},
            {"required", {"start", "end", "text"}}}}}}}}};
  EXPECT_EQ(body, expected);

  EXPECT_EQ(segments, (std::vector<TimedSegment>{{0.5, 1.5, "Hola.", std::nullopt},
                                                 {2.0, 3.0, "Adiós.", std::nullopt}}));
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Gemini, TimesAreClampedIntoTheChunk) {
  auto mic = track("mic.pcm", 4);
  serve(
      candidate({json::array({
                                 {{"start", "00:03.0"}, {"end", "00:01.0"}, {"text", "backwards"}},
                                 {{"start", "00:03.5"}, {"end", "00:09.0"}, {"text", "too long"}},
                                 {{"start", "01:00"}, {"end", "01:05"}, {"text", "beyond"}},
                                 {{"start", "-2"}, {"end", "nan"}, {"text", "nonsense"}},
                                 {{"start", "0"}, {"end", "1"}, {"text", " \n "}},
                             })
                     .dump()}));
  auto segments = backend().transcribe(mic, std::nullopt);
  ASSERT_EQ(segments.size(), 4u);
  EXPECT_EQ(segments[0], (TimedSegment{3.0, 3.0, "backwards", std::nullopt}));
  EXPECT_EQ(segments[1].start, 3.5);
  EXPECT_NEAR(segments[1].end, 4.0, 0.1);
  EXPECT_NEAR(segments[2].start, 4.0, 0.1);
  EXPECT_EQ(segments[2].end, segments[2].start);
  EXPECT_EQ(segments[3], (TimedSegment{0, 0, "nonsense", std::nullopt}));
}

TEST_F(Gemini, LaterChunksAreShiftedAndEmptyArraysGiveNothing) {
  auto mic = track("mic.pcm", 15);
  serve(candidate({R"([{"start":"0:01","end":"0:02","text":"uno"}])"}));
  auto gemini = backend();
  gemini.chunkSeconds = 10;
  auto segments = gemini.transcribe(mic, std::nullopt);
  auto requests = service_.requests();
  ASSERT_EQ(requests.size(), 2u);
  const double first = test::probedDuration(
      unbase64(json::parse(requests[0].body)["contents"][0]["parts"][1]["inline_data"]["data"]));
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_NEAR(segments[1].start, first + 1, 0.1);

  serve(candidate({"[]"}));
  EXPECT_TRUE(gemini.transcribe(mic, std::nullopt).empty());
}

TEST_F(Gemini, FailuresEndTheTrackAndLeaveNothingBehind) {
  const std::string unreadable = "Gemini returned a response Kelvora couldn't read.";
  struct Case {
    const char* name;
    std::optional<std::string> key;
    Reply reply;
    std::string text;
    size_t requests;
  } cases[] = {
      {"no key", std::nullopt, Reply::json("{}"),
       "Gemini rejected the API key. Check Settings > AI.", 0},
      {"invalid key", "bad", Reply::json("{}"),
       "Gemini request failed (HTTP 400): API key not valid.", 1},
      {"forbidden", "g-key", Reply::json(R"({"error":{"code":403,"message":"denied"}})", 403),
       "Gemini rejected the API key. Check Settings > AI.", 1},
      {"no candidates", "g-key", Reply::json(R"({"candidates":[]})"), unreadable, 1},
      {"candidates missing", "g-key", Reply::json(R"({"promptFeedback":{"blockReason":"OTHER"}})"),
       unreadable, 1},
      {"candidate without content", "g-key",
       Reply::json(R"({"candidates":[{"finishReason":"SAFETY"}]})"), unreadable, 1},
      {"code fence", "g-key", Reply::json(candidate({"```json\n[]\n```"})), unreadable, 1},
      {"item without end", "g-key", Reply::json(candidate({R"([{"start":"0:01","text":"a"}])"})),
       unreadable, 1},
      {"overloaded", "g-key",
       Reply::json(R"({"error":{"code":503,"message":"The model is overloaded."}})", 503),
       "Gemini request failed (HTTP 503): The model is overloaded.", 5},
  };
  auto mic = track("mic.pcm", 1);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeHttpService service;
    service.on("POST", kPath, [&c](const FakeHttpService::Request& request) {
      if (request.header("x-goog-api-key") != "g-key") {
        return Reply::json(R"({"error":{"code":400,"message":"API key not valid."}})", 400);
      }
      return c.reply;
    });
    GeminiTranscription failing(service.baseUrl() + "/v1beta", std::nullopt, c.key,
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
