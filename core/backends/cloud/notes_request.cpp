#include "notes_request.h"

#include "kelv/core/backends/notes_error.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core::NotesRequest {

std::string_view withoutSpaces(std::string_view address) {
  const size_t begin = address.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return address.substr(begin, address.find_last_not_of(" \t") - begin + 1);
}

std::string_view withoutTrailingSlashes(std::string_view text) {
  while (text.ends_with('/')) text.remove_suffix(1);
  return text;
}

HttpRequest jsonPost(const std::string& url, const nlohmann::json& body) {
  HttpRequest request;
  request.method = "POST";
  request.url = url;
  request.timeoutSeconds = kTimeoutSeconds;
  request.setHeader("Content-Type", "application/json");
  request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return request;
}

std::string finalText(std::string_view text) {
  std::string trimmed = UnicodeText::trimmed(text);
  if (trimmed.empty()) throw NotesError::empty();
  return trimmed;
}

}  // namespace kelv::core::NotesRequest
