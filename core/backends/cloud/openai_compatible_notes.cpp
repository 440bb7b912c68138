#include "kelv/core/backends/cloud/openai_compatible_notes.h"

#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "kelv/core/net/url_parts.h"
#include "kelv/core/util/unicode_text.h"
#include "notes_request.h"

namespace kelv::core {
namespace {

constexpr std::string_view kOllamaPort = "11434";
constexpr std::string_view kOpenRouterDomain = "openrouter.ai";
constexpr const char* kHomePage = "https://kelvora.app";

std::string hostOf(const std::string& url) {
  const std::optional<WebAddress> parsed = WebAddress::parse(url);
  return parsed ? parsed->host() : std::string();
}

}  // namespace

OpenAICompatibleNotes::OpenAICompatibleNotes(const NotesSetup& setup,
                                             std::shared_ptr<HttpSession> session)
    : address_(setup.address.value_or("")),
      model_(setup.model),
      apiKey_(setup.apiKey && !setup.apiKey->empty() ? setup.apiKey : std::nullopt),
      contextTokens_(setup.contextTokens),
      client_("", std::move(session)) {}

std::string OpenAICompatibleNotes::name() const {
  if (model_) return "openai-compatible:" + *model_;
  const std::string host = hostOf(address_);
  return "openai-compatible:" + (host.empty() ? address_ : host);
}

std::optional<OpenAICompatibleNotes::Endpoint> OpenAICompatibleNotes::endpoint() const {
  std::string text(NotesRequest::withoutSpaces(address_));
  const std::optional<WebAddress> parsed = WebAddress::parse(text);
  if (!parsed || !parsed->isHTTPLike() || parsed->host().empty()) return std::nullopt;

  std::optional<UrlParts> parts = UrlParts::parse(text);
  if (!parts) return std::nullopt;
  if (parts->get(UrlParts::Part::port) == kOllamaPort) {
    if (!parts->setPath("/api/chat")) return std::nullopt;
    std::string url = parts->get(UrlParts::Part::url).value_or("");
    if (url.empty()) return std::nullopt;
    return Endpoint{std::move(url), true};
  }

  text = std::string(NotesRequest::withoutTrailingSlashes(text));
  if (!text.ends_with("/chat/completions")) {
    if (text.ends_with("/v1")) text.resize(text.size() - 3);
    text += "/v1/chat/completions";
  }
  if (!WebAddress::parse(text)) return std::nullopt;
  return Endpoint{std::move(text), false};
}

HttpRequest OpenAICompatibleNotes::request(const Endpoint& endpoint, const std::string& system,
                                           const std::string& user) const {
  nlohmann::json body = {
      {"messages", nlohmann::json::array({{{"role", "system"}, {"content", system}},
                                          {{"role", "user"}, {"content", user}}})},
      {"stream", false},
  };
  if (model_) body["model"] = *model_;
  if (endpoint.ollama) {
    body["options"] = {{"num_ctx", contextTokens_}};
    body["think"] = false;
  }
  HttpRequest request = NotesRequest::jsonPost(endpoint.url, body);
  if (apiKey_) request.setHeader("Authorization", "Bearer " + *apiKey_);
  if (hostOf(endpoint.url).ends_with(kOpenRouterDomain)) {
    request.setHeader("HTTP-Referer", kHomePage);
    request.setHeader("X-Title", "Kelvora");
  }
  return request;
}

std::string OpenAICompatibleNotes::complete(const std::string& system,
                                            const std::string& user) const {
  const std::optional<Endpoint> target = endpoint();
  if (!target) throw CloudError::badAddress(address_);

  CloudClient client = client_;
  if (target->ollama) {
    client.backend = "Ollama";
  } else {
    const std::string host = hostOf(target->url);
    client.backend = host.empty() ? address_ : host;
  }

  const std::string body = client.send(request(*target, system, user));
  // A reply that is not JSON at all keeps the parser's own error.
  const nlohmann::json reply = nlohmann::json::parse(body);
  const nlohmann::json* message = nullptr;
  if (reply.is_object()) {
    if (target->ollama) {
      const auto found = reply.find("message");
      if (found != reply.end()) message = &*found;
    } else if (const auto choices = reply.find("choices");
               choices != reply.end() && choices->is_array() && !choices->empty() &&
               choices->front().is_object()) {
      const auto found = choices->front().find("message");
      if (found != choices->front().end()) message = &*found;
    }
  }
  if (!message || !message->is_object()) throw CloudError::badResponse(client.backend);

  const auto found = message->find("content");
  std::string_view content;
  if (found != message->end() && found->is_string()) content = found->get_ref<const std::string&>();

  // Reasoning models may put their thinking in front of the answer.
  const size_t thinkEnd = content.find("</think>");
  if (thinkEnd != std::string_view::npos && UnicodeText::trimmed(content).starts_with("<think>")) {
    content.remove_prefix(thinkEnd + std::string_view("</think>").size());
  }
  return NotesRequest::finalText(content);
}

}  // namespace kelv::core
