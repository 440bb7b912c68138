// Pieces shared by the language-model backends: address trimming, the JSON POST they all send,
// and the final reply rule (trimmed, never empty). Private to KelvCore.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kelv/core/net/http_session.h"

namespace kelv::core::NotesRequest {

// A long class can take the model minutes to answer.
constexpr double kTimeoutSeconds = 600;

// The address without spaces and tabs at either end (line breaks stay and make it unusable).
std::string_view withoutSpaces(std::string_view address);
std::string_view withoutTrailingSlashes(std::string_view text);

// POST of `body` as JSON to `url`. Text that is not valid UTF-8 is sent with U+FFFD in its
// place rather than failing the request.
HttpRequest jsonPost(const std::string& url, const nlohmann::json& body);

// The reply text trimmed of white space; throws NotesError::empty when nothing is left.
std::string finalText(std::string_view text);

}  // namespace kelv::core::NotesRequest
