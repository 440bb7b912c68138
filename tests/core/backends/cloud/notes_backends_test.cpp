// The language-model backends without the network: endpoints derived from typed addresses,
// names, the OpenRouter headers, defaults, and the makers in the built-in table.
#include <gtest/gtest.h>

#include "kelv/core/assembly/backend_makers.h"
#include "kelv/core/backends/cloud/anthropic_notes.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/gemini_notes.h"
#include "kelv/core/backends/cloud/openai_compatible_notes.h"

namespace kelv::core {
namespace {

NotesSetup setup(NotesBackendType type, std::optional<std::string> address,
                 std::optional<std::string> model = std::nullopt,
                 std::optional<std::string> key = std::nullopt, int context = 8192) {
  return NotesSetup{type, std::move(address), std::move(model), std::move(key), context};
}

NotesSetup openAI(std::optional<std::string> address, std::optional<std::string> model = "m") {
  return setup(NotesBackendType::openAICompatible, std::move(address), std::move(model));
}

TEST(OpenAICompatibleNotes, EndpointFollowsWhatTheUserTyped) {
  struct Case {
    std::string address;
    std::optional<std::string> url;  // absent: unusable address
    bool ollama = false;
  } cases[] = {
      {"https://api.openai.com/v1", "https://api.openai.com/v1/chat/completions"},
      {"https://api.openai.com/v1/", "https://api.openai.com/v1/chat/completions"},
      {"http://127.0.0.1:1234/v1///", "http://127.0.0.1:1234/v1/chat/completions"},
      {"https://openrouter.ai/api/v1", "https://openrouter.ai/api/v1/chat/completions"},
      {"http://localhost:8080", "http://localhost:8080/v1/chat/completions"},
      {"http://h/custom/chat/completions/", "http://h/custom/chat/completions"},
      {"http://h/api", "http://h/api/v1/chat/completions"},
      {" \thttp://h/v1 ", "http://h/v1/chat/completions"},
      {"http://localhost:11434/v1", "http://localhost:11434/api/chat", true},
      {"http://127.0.0.1:11434", "http://127.0.0.1:11434/api/chat", true},
      {"http://localhost:11434/v1/chat/completions?x=1", "http://localhost:11434/api/chat?x=1",
       true},
      {"ftp://h/v1", std::nullopt},
      {"localhost:1234", std::nullopt},
      {"", std::nullopt},
      {"http://h/v1\n", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const auto endpoint = OpenAICompatibleNotes(openAI(c.address)).endpoint();
    ASSERT_EQ(endpoint.has_value(), c.url.has_value());
    if (!endpoint) continue;
    EXPECT_EQ(endpoint->url, *c.url);
    EXPECT_EQ(endpoint->ollama, c.ollama);
  }
}

TEST(OpenAICompatibleNotes, NameAndBadAddress) {
  EXPECT_EQ(OpenAICompatibleNotes(openAI("http://h:1/v1", "qwen3:8b")).name(),
            "openai-compatible:qwen3:8b");
  EXPECT_EQ(OpenAICompatibleNotes(openAI("http://127.0.0.1:1234/v1", std::nullopt)).name(),
            "openai-compatible:127.0.0.1");
  EXPECT_EQ(OpenAICompatibleNotes(openAI("not an address", std::nullopt)).name(),
            "openai-compatible:not an address");
  EXPECT_EQ(OpenAICompatibleNotes(openAI(std::nullopt, std::nullopt)).name(), "openai-compatible:");
  try {
    OpenAICompatibleNotes(openAI("  file:///tmp")).complete("s", "u");
    ADD_FAILURE() << "no error";
  } catch (const CloudError& error) {
    EXPECT_EQ(error, CloudError::badAddress("  file:///tmp"));
    EXPECT_STREQ(error.what(), "\"  file:///tmp\" isn't an http(s) address.");
  }
}

TEST(OpenAICompatibleNotes, RequestHeadersByService) {
  struct Case {
    std::string address;
    std::optional<std::string> key;
    std::optional<std::string> authorization;
    bool openRouter;
  } cases[] = {
      {"https://openrouter.ai/api/v1", "k", "Bearer k", true},
      {"https://eu.openrouter.ai/api/v1", std::nullopt, std::nullopt, true},
      {"https://openrouter.ai.example.com/v1", "k", "Bearer k", false},
      {"https://api.openai.com/v1", "", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const OpenAICompatibleNotes notes(
        setup(NotesBackendType::openAICompatible, c.address, "m", c.key));
    const HttpRequest request = notes.request(*notes.endpoint(), "s", "u");
    auto header = [&](const std::string& name) -> std::optional<std::string> {
      for (const auto& [key, value] : request.headers) {
        if (key == name) return value;
      }
      return std::nullopt;
    };
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.timeoutSeconds, 600);
    EXPECT_EQ(header("Content-Type"), "application/json");
    EXPECT_EQ(header("Authorization"), c.authorization);
    EXPECT_EQ(header("X-Title"),
              c.openRouter ? std::optional<std::string>("Kelvora") : std::nullopt);
    EXPECT_EQ(header("HTTP-Referer").has_value(), c.openRouter);
  }
}

TEST(AnthropicNotes, EndpointAndDefaults) {
  struct Case {
    std::optional<std::string> address;
    std::optional<std::string> url;
  } cases[] = {
      {std::nullopt, "https://api.anthropic.com/v1/messages"},
      {"https://api.anthropic.com/", "https://api.anthropic.com/v1/messages"},
      {"https://api.anthropic.com/v1", "https://api.anthropic.com/v1/messages"},
      {"https://api.anthropic.com/v1/", "https://api.anthropic.com/v1/messages"},
      {" https://api.anthropic.com/v1/messages\t", "https://api.anthropic.com/v1/messages"},
      {"http://proxy.local/anthropic", "http://proxy.local/anthropic/v1/messages"},
      {"ftp://api.anthropic.com", std::nullopt},
      {"api.anthropic.com", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address.value_or("(absent)"));
    EXPECT_EQ(AnthropicNotes(setup(NotesBackendType::anthropic, c.address)).endpoint(), c.url);
  }
  const AnthropicNotes notes(
      setup(NotesBackendType::anthropic, std::nullopt, std::nullopt, "k", 128000));
  EXPECT_EQ(notes.name(), "anthropic:claude-sonnet-4-5");
  EXPECT_EQ(notes.contextTokens(), 128000);
}

TEST(GeminiNotes, Defaults) {
  const GeminiNotes notes(setup(NotesBackendType::gemini, std::nullopt, std::nullopt, "k", 128000));
  EXPECT_EQ(notes.name(), "gemini:gemini-3-flash-preview");
  EXPECT_EQ(notes.address(), "https://generativelanguage.googleapis.com/v1beta");
  EXPECT_EQ(notes.contextTokens(), 128000);
  EXPECT_THROW(
      GeminiNotes(setup(NotesBackendType::gemini, "mailto:x@y", "m", "k")).complete("s", "u"),
      CloudError);
}

TEST(BackendMakers, BuildTheThreeNotesBackends) {
  const auto& makers = BackendMakers::builtIn().notes;
  struct Case {
    NotesBackendType type;
    std::string name;
  } cases[] = {
      {NotesBackendType::openAICompatible, "openai-compatible:gpt-4.1-mini"},
      {NotesBackendType::anthropic, "anthropic:gpt-4.1-mini"},
      {NotesBackendType::gemini, "gemini:gpt-4.1-mini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto maker = makers.find(c.type);
    ASSERT_NE(maker, makers.end());
    const auto backend = maker->second(setup(c.type, "https://h/v1", "gpt-4.1-mini", "k", 4096));
    ASSERT_TRUE(backend);
    EXPECT_EQ(backend->name(), c.name);
    EXPECT_EQ(backend->contextTokens(), 4096);
  }
  EXPECT_EQ(makers.count(NotesBackendType::none), 0u);
}

}  // namespace
}  // namespace kelv::core
