// The three language-model protocols against fake services on loopback: the exact JSON each
// service receives, and replies shaped like the real services', faults included.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fake_http_service.h"
#include "kelv/core/backends/cloud/anthropic_notes.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/gemini_notes.h"
#include "kelv/core/backends/cloud/openai_compatible_notes.h"
#include "kelv/core/backends/notes_error.h"

namespace kelv::core {
namespace {

using test::FakeHttpService;
using Reply = FakeHttpService::Reply;
using json = nlohmann::json;

// An outcome: the returned text, or the error text and whether it was NotesError::empty.
struct Outcome {
  std::string text;
  std::string error;
};

template <class Backend>
Outcome run(Backend& backend, std::vector<double>* waits = nullptr) {
  backend.client().sleep = [waits](double seconds) {
    if (waits) waits->push_back(seconds);
  };
  try {
    return {backend.complete("Eres un tutor.", "Transcripción: ¿qué es ψ?"), ""};
  } catch (const std::exception& error) {
    return {"", error.what()};
  }
}

const std::string kEmpty =
    "The model returned empty notes. Thinking mode may be enabled on the server, or the token "
    "budget ran out before the notes were written.";

Reply chat(const json& content) {
  return Reply::json(
      json{{"choices", json::array({{{"index", 0},
                                     {"message", {{"role", "assistant"}, {"content", content}}},
                                     {"finish_reason", "stop"}}})}}
          .dump());
}

TEST(OpenAICompatibleNotesService, SendsTheChatRequestAndReadsTheReply) {
  struct Case {
    const char* name;
    std::vector<Reply> replies;
    Outcome expected;
    size_t requests = 1;
  } cases[] = {
      {"plain reply, trimmed",
       {chat("\n  ## Resumen\nψ es la función de onda.  \n")},
       {"## Resumen\nψ es la función de onda.", ""}},
      {"think block removed",
       {chat("<think>\nrazonando…\n</think>\n\n## Resumen\nNotas")},
       {"## Resumen\nNotas", ""}},
      {"think tag in the middle stays",
       {chat("Notas con </think> dentro")},
       {"Notas con </think> dentro", ""}},
      {"only a think block", {chat("  <think>todo pensamiento</think>\n")}, {"", kEmpty}},
      {"content null", {chat(nullptr)}, {"", kEmpty}},
      {"empty choices",
       {Reply::json(R"({"choices":[]})")},
       {"", "127.0.0.1 returned a response Kelvora couldn't read."}},
      {"401",
       {Reply::json(R"({"error":{"message":"Incorrect API key"}})", 401)},
       {"", "127.0.0.1 rejected the API key. Check Settings > AI."}},
      {"429 with Retry-After, then success",
       {[] {
          Reply r = Reply::json(R"({"error":{"message":"slow down"}})", 429);
          r.headers = {{"Retry-After", "2"}};
          return r;
        }(),
        chat("ok")},
       {"ok", ""},
       2},
      {"500 five times",
       {Reply::json(R"({"error":{"message":"overloaded"}})", 500)},
       {"", "127.0.0.1 request failed (HTTP 500): overloaded"},
       5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpService service;
    service.script("POST", "/v1/chat/completions", c.replies);
    OpenAICompatibleNotes notes(NotesSetup{NotesBackendType::openAICompatible,
                                           service.baseUrl() + "/v1/", "gpt-4.1-mini", "sk-1",
                                           128000});
    std::vector<double> waits;
    const Outcome outcome = run(notes, &waits);
    EXPECT_EQ(outcome.text, c.expected.text);
    EXPECT_EQ(outcome.error, c.expected.error);
    const auto requests = service.requests();
    ASSERT_EQ(requests.size(), c.requests);
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer sk-1");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
    EXPECT_EQ(json::parse(requests[0].body),
              json::parse(R"({"model":"gpt-4.1-mini","stream":false,"messages":[
                {"role":"system","content":"Eres un tutor."},
                {"role":"user","content":"Transcripción: ¿qué es ψ?"}]})"));
    if (c.requests == 2) {
      EXPECT_EQ(waits, std::vector<double>{2});
    }
  }
}

TEST(OpenAICompatibleNotesService, ReplyThatIsNotJsonKeepsTheParserError) {
  FakeHttpService service;
  service.script("POST", "/v1/chat/completions", {Reply::json("<html>gateway</html>")});
  OpenAICompatibleNotes notes(NotesSetup{NotesBackendType::openAICompatible, service.baseUrl(),
                                         std::nullopt, std::nullopt, 4096});
  EXPECT_THROW(notes.complete("s", "u"), json::parse_error);
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Authorization"), std::nullopt);
  EXPECT_FALSE(json::parse(requests[0].body).contains("model"));
}

TEST(OpenAICompatibleNotesService, OllamaGetsItsOwnChatEndpoint) {
  std::unique_ptr<FakeHttpService> service;
  try {
    service = std::make_unique<FakeHttpService>(11434);
  } catch (const std::exception&) {
    GTEST_SKIP() << "port 11434 is in use on this machine";
  }
  service->script(
      "POST", "/api/chat",
      {Reply::json(
           R"({"model":"qwen3:8b","message":{"role":"assistant","content":"## Resumen\nx"},"done":true})"),
       Reply::json(R"({"error":"model 'qwen3:8b' not found"})", 404),
       Reply::json(R"({"model":"qwen3:8b","done":true})")});
  OpenAICompatibleNotes notes(NotesSetup{NotesBackendType::openAICompatible,
                                         "http://127.0.0.1:11434/v1", "qwen3:8b", std::nullopt,
                                         8192});
  EXPECT_EQ(run(notes).text, "## Resumen\nx");
  EXPECT_EQ(run(notes).error, "Ollama request failed (HTTP 404): model 'qwen3:8b' not found");
  EXPECT_EQ(run(notes).error, "Ollama returned a response Kelvora couldn't read.");
  const auto requests = service->requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(
      json::parse(requests[0].body),
      json::parse(R"({"model":"qwen3:8b","stream":false,"think":false,"options":{"num_ctx":8192},
              "messages":[{"role":"system","content":"Eres un tutor."},
                          {"role":"user","content":"Transcripción: ¿qué es ψ?"}]})"));
}

Reply anthropic(const json& content) {
  return Reply::json(json{
      {"id", "msg_1"},
      {"type", "message"},
      {"role", "assistant"},
      {"content", content},
      {"stop_reason",
       "end_turn"}}.dump());
}

TEST(AnthropicNotesService, SendsTheMessagesRequestAndJoinsTextBlocks) {
  struct Case {
    const char* name;
    std::vector<Reply> replies;
    Outcome expected;
    size_t requests = 1;
  } cases[] = {
      {"thinking block skipped",
       {anthropic(json::parse(
           R"([{"type":"thinking","thinking":"hmm","signature":"x"},{"type":"text","text":" ## Resumen\n"}])"))},
       {"## Resumen", ""}},
      {"two text blocks joined without separator",
       {anthropic(json::parse(
           R"([{"type":"text","text":"uno"},{"type":"tool_use","id":"t"},{"type":"text","text":"dos"}])"))},
       {"unodos", ""}},
      {"empty content", {anthropic(json::array())}, {"", kEmpty}},
      {"no content",
       {Reply::json(R"({"type":"message"})")},
       {"", "Anthropic returned a response Kelvora couldn't read."}},
      {"not JSON",
       {Reply::json("upstream error")},
       {"", "Anthropic returned a response Kelvora couldn't read."}},
      {"403",
       {Reply::json(R"({"type":"error","error":{"type":"permission_error","message":"no"}})", 403)},
       {"", "Anthropic rejected the API key. Check Settings > AI."}},
      {"404 without a message",
       {Reply::json(R"({"type":"error","error":{"type":"not_found_error"}})", 404)},
       {"", "Anthropic request failed (HTTP 404)."}},
      {"529 overloaded, then success",
       {Reply::json(
            R"({"type":"error","error":{"type":"overloaded_error","message":"Overloaded"}})", 529),
        anthropic(json::parse(R"([{"type":"text","text":"ok"}])"))},
       {"ok", ""},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpService service;
    service.script("POST", "/v1/messages", c.replies);
    AnthropicNotes notes(NotesSetup{NotesBackendType::anthropic, service.baseUrl() + "/v1/messages",
                                    "claude-sonnet-4-5", "ak-1", 128000});
    const Outcome outcome = run(notes);
    EXPECT_EQ(outcome.text, c.expected.text);
    EXPECT_EQ(outcome.error, c.expected.error);
    const auto requests = service.requests();
    ASSERT_EQ(requests.size(), c.requests);
    EXPECT_EQ(requests[0].header("x-api-key"), "ak-1");
    EXPECT_EQ(requests[0].header("anthropic-version"), "2023-06-01");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
    EXPECT_EQ(
        json::parse(requests[0].body),
        json::parse(R"({"model":"claude-sonnet-4-5","max_tokens":8192,"system":"Eres un tutor.",
                "messages":[{"role":"user","content":"Transcripción: ¿qué es ψ?"}]})"));
  }
}

Reply gemini(const json& parts) {
  return Reply::json(
      json{{"candidates", json::array({{{"content", {{"role", "model"}, {"parts", parts}}},
                                        {"finishReason", "STOP"}}})},
           {"modelVersion", "gemini-3-flash-preview"}}
          .dump());
}

TEST(GeminiNotesService, SendsGenerateContentAndSkipsThoughts) {
  struct Case {
    const char* name;
    std::vector<Reply> replies;
    Outcome expected;
  } cases[] = {
      {"thought part skipped",
       {gemini(json::parse(R"([{"text":"pensando","thought":true},{"text":"## Resumen\nψ"}])"))},
       {"## Resumen\nψ", ""}},
      {"two text parts joined, thought false counts",
       {gemini(json::parse(R"([{"text":"uno","thought":false},{"text":"dos"}])"))},
       {"unodos", ""}},
      {"only part without text",
       {gemini(json::parse(R"([{"functionCall":{"name":"f"}}])"))},
       {"", kEmpty}},
      {"only thoughts", {gemini(json::parse(R"([{"text":"x","thought":true}])"))}, {"", kEmpty}},
      {"empty candidates",
       {Reply::json(R"({"candidates":[]})")},
       {"", "Gemini returned a response Kelvora couldn't read."}},
      {"candidate without content (blocked)",
       {Reply::json(R"({"candidates":[{"finishReason":"SAFETY"}]})")},
       {"", "Gemini returned a response Kelvora couldn't read."}},
      {"400 with the service's message",
       {Reply::json(
           R"({"error":{"code":400,"message":"API key not valid.","status":"INVALID_ARGUMENT"}})",
           400)},
       {"", "Gemini request failed (HTTP 400): API key not valid."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpService service;
    service.script("POST", "/v1beta/models/gemini-3-flash-preview:generateContent", c.replies);
    GeminiNotes notes(NotesSetup{NotesBackendType::gemini, service.baseUrl() + "/v1beta/",
                                 std::nullopt, "gk-1", 128000});
    const Outcome outcome = run(notes);
    EXPECT_EQ(outcome.text, c.expected.text);
    EXPECT_EQ(outcome.error, c.expected.error);
    const auto requests = service.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("x-goog-api-key"), "gk-1");
    EXPECT_EQ(json::parse(requests[0].body),
              json::parse(R"({"systemInstruction":{"parts":[{"text":"Eres un tutor."}]},
                "contents":[{"role":"user","parts":[{"text":"Transcripción: ¿qué es ψ?"}]}]})"));
  }
}

TEST(NotesBackendsService, WithoutAKeyNoRequestIsSentAndTestSendsExactlyOne) {
  FakeHttpService service;
  service.script("POST", "/v1/messages",
                 {anthropic(json::parse(R"([{"type":"text","text":"OK"}])"))});
  service.script("POST", "/v1beta/models/g:generateContent",
                 {gemini(json::parse(R"([{"text":"OK"}])"))});
  service.script("POST", "/v1/chat/completions", {chat("OK")});

  AnthropicNotes keyless(
      NotesSetup{NotesBackendType::anthropic, service.baseUrl(), "c", std::nullopt, 1});
  EXPECT_EQ(run(keyless).error, "Anthropic rejected the API key. Check Settings > AI.");
  GeminiNotes keylessGemini(
      NotesSetup{NotesBackendType::gemini, service.baseUrl() + "/v1beta", "g", "", 1});
  EXPECT_EQ(run(keylessGemini).error, "Gemini rejected the API key. Check Settings > AI.");
  EXPECT_EQ(service.count(), 0u);

  AnthropicNotes(NotesSetup{NotesBackendType::anthropic, service.baseUrl(), "c", "k", 1}).test();
  GeminiNotes(NotesSetup{NotesBackendType::gemini, service.baseUrl() + "/v1beta", "g", "k", 1})
      .test();
  OpenAICompatibleNotes(
      NotesSetup{NotesBackendType::openAICompatible, service.baseUrl(), "m", "k", 1})
      .test();
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(json::parse(requests[0].body)["system"], "Reply with the single word OK.");
  EXPECT_EQ(json::parse(requests[0].body)["messages"][0]["content"], "Test");
  EXPECT_EQ(json::parse(requests[1].body)["contents"][0]["parts"][0]["text"], "Test");
  EXPECT_EQ(json::parse(requests[2].body)["messages"][0]["content"],
            "Reply with the single word OK.");
}

}  // namespace
}  // namespace kelv::core
