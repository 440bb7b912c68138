#include "kelv/core/backends/cloud/anthropic_notes.h"

#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/json_reply.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "notes_request.h"

namespace kelv::core {
namespace {

constexpr const char* kLabel = "Anthropic";
constexpr int kMaxTokens = 8192;

}  // namespace

AnthropicNotes::AnthropicNotes(const NotesSetup& setup, std::shared_ptr<HttpSession> session)
    : address_(setup.address.value_or(kDefaultAddress)),
      model_(setup.model.value_or(kDefaultModel)),
      apiKey_(setup.apiKey && !setup.apiKey->empty() ? setup.apiKey : std::nullopt),
      contextTokens_(setup.contextTokens),
      client_(kLabel, std::move(session)) {}

std::optional<std::string> AnthropicNotes::endpoint() const {
  std::string text(NotesRequest::withoutTrailingSlashes(NotesRequest::withoutSpaces(address_)));
  if (text.ends_with("/messages")) text.resize(text.size() - 9);
  if (text.ends_with("/v1")) text.resize(text.size() - 3);
  text += "/v1/messages";
  const std::optional<WebAddress> parsed = WebAddress::parse(text);
  if (!parsed || !parsed->isHTTPLike() || parsed->host().empty()) return std::nullopt;
  return text;
}

std::string AnthropicNotes::complete(const std::string& system, const std::string& user) const {
  const std::optional<std::string> url = endpoint();
  if (!url) throw CloudError::badAddress(address_);
  if (!apiKey_) throw CloudError::invalidKey(kLabel);

  const nlohmann::json body = {
      {"model", model_},
      {"max_tokens", kMaxTokens},
      {"system", system},
      {"messages", nlohmann::json::array({{{"role", "user"}, {"content", user}}})},
  };
  HttpRequest request = NotesRequest::jsonPost(*url, body);
  request.setHeader("x-api-key", *apiKey_);
  request.setHeader("anthropic-version", "2023-06-01");
  const std::string reply = client_.send(request);

  const std::string text = JsonReply::decode(kLabel, [&] {
    const nlohmann::json object = JsonReply::parseObject(reply);
    std::string joined;
    for (const nlohmann::json& block : JsonReply::array(object, "content")) {
      JsonReply::asObject(block);
      const auto type = block.find("type");
      const auto blockText = block.find("text");
      if (type != block.end() && *type == "text" && blockText != block.end() &&
          blockText->is_string()) {
        joined += blockText->get_ref<const std::string&>();
      }
    }
    return joined;
  });
  return NotesRequest::finalText(text);
}

}  // namespace kelv::core
