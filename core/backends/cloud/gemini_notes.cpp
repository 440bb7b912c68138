#include "kelv/core/backends/cloud/gemini_notes.h"

#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/json_reply.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "notes_request.h"

namespace kelv::core {
namespace {

constexpr const char* kLabel = "Gemini";

}  // namespace

GeminiNotes::GeminiNotes(const NotesSetup& setup, std::shared_ptr<HttpSession> session)
    : address_(setup.address.value_or(kDefaultAddress)),
      model_(setup.model.value_or(kDefaultModel)),
      apiKey_(setup.apiKey && !setup.apiKey->empty() ? setup.apiKey : std::nullopt),
      contextTokens_(setup.contextTokens),
      client_(kLabel, std::move(session)) {}

std::string GeminiNotes::complete(const std::string& system, const std::string& user) const {
  const std::optional<WebAddress> base = WebAddress::parse(
      NotesRequest::withoutTrailingSlashes(NotesRequest::withoutSpaces(address_)));
  if (!base || !base->isHTTPLike() || base->host().empty()) throw CloudError::badAddress(address_);
  if (!apiKey_) throw CloudError::invalidKey(kLabel);

  const nlohmann::json body = {
      {"systemInstruction", {{"parts", nlohmann::json::array({{{"text", system}}})}}},
      {"contents", nlohmann::json::array(
                       {{{"role", "user"}, {"parts", nlohmann::json::array({{{"text", user}}})}}})},
  };
  HttpRequest request =
      NotesRequest::jsonPost(base->appending("models/" + model_ + ":generateContent"), body);
  request.setHeader("x-goog-api-key", *apiKey_);
  const std::string reply = client_.send(request);

  const std::string text = JsonReply::decode(kLabel, [&] {
    const nlohmann::json object = JsonReply::parseObject(reply);
    const nlohmann::json& candidates = JsonReply::array(object, "candidates");
    for (const nlohmann::json& candidate : candidates) JsonReply::asObject(candidate);
    if (candidates.empty()) throw JsonReply::Malformed{};
    const nlohmann::json* content = JsonReply::optionalObject(candidates.front(), "content");
    if (!content) throw JsonReply::Malformed{};
    std::string joined;
    for (const nlohmann::json& part : JsonReply::array(*content, "parts")) {
      JsonReply::asObject(part);
      const auto thought = part.find("thought");
      if (thought != part.end() && thought->is_boolean() && thought->get<bool>()) continue;
      const auto partText = part.find("text");
      if (partText != part.end() && partText->is_string()) {
        joined += partText->get_ref<const std::string&>();
      }
    }
    return joined;
  });
  return NotesRequest::finalText(text);
}

}  // namespace kelv::core
