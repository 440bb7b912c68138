#include "kelv/core/backends/cloud/gemini_transcription.h"

#include <openssl/evp.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "chunked_transcription.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/json_reply.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

constexpr double kRequestTimeout = 600;
const std::string kLabel = "Gemini";

std::string base64(std::string_view bytes) {
  std::string encoded(4 * ((bytes.size() + 2) / 3), '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  encoded.resize(static_cast<size_t>(length));
  return encoded;
}

nlohmann::json responseSchema() {
  const nlohmann::json text = {{"type", "STRING"}};
  return {{"type", "ARRAY"},
          {"items",
           {{"type", "OBJECT"},
            {"properties", {{"start", text}, {"end", text}, {"text", text}}},
            {"required", {"start", "end", "text"}}}}};
}

struct Item {
  std::string start, end, text;
};

// The sentences in a reply: the first candidate's part texts joined, read as a JSON array.
std::vector<Item> decodeItems(const std::string& body) {
  const nlohmann::json reply = JsonReply::parseObject(body);
  const nlohmann::json& candidates = JsonReply::array(reply, "candidates");
  if (candidates.empty()) throw JsonReply::Malformed{};
  const nlohmann::json* content =
      JsonReply::optionalObject(JsonReply::asObject(candidates[0]), "content");
  if (!content) throw JsonReply::Malformed{};
  std::string text;
  for (const nlohmann::json& part : JsonReply::array(*content, "parts")) {
    if (auto piece = JsonReply::optionalString(JsonReply::asObject(part), "text")) text += *piece;
  }
  std::vector<Item> items;
  for (const nlohmann::json& item : JsonReply::parseArray(text)) {
    JsonReply::asObject(item);
    items.push_back({JsonReply::string(item, "start"), JsonReply::string(item, "end"),
                     JsonReply::string(item, "text")});
  }
  return items;
}

}  // namespace

const std::string GeminiTranscription::defaultAddress =
    "https://generativelanguage.googleapis.com/v1beta";

GeminiTranscription::GeminiTranscription(std::optional<std::string> address,
                                         std::optional<std::string> model,
                                         std::optional<std::string> apiKey,
                                         std::shared_ptr<HttpSession> session)
    : address(address.value_or(defaultAddress)),
      model(model.value_or("gemini-3-flash-preview")),
      apiKey(apiKey && !apiKey->empty() ? apiKey : std::nullopt),
      client(kLabel, std::move(session)) {}

std::string GeminiTranscription::instruction(const std::optional<std::string>& language) {
  std::string text = "Transcribe this audio verbatim";
  if (language && !language->empty()) text += " (language: " + *language + ")";
  return text +
         ". Return one JSON item per sentence, with start and end as MM:SS.s timestamps from the "
         "start of the audio. Return [] if nobody speaks.";
}

double GeminiTranscription::seconds(std::string_view text) {
  double total = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(':', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view piece = text.substr(start, end - start);
    start = end + 1;
    if (piece.empty()) continue;
    while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
      piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.remove_suffix(1);
    if (piece.size() > 1 && piece.front() == '+' && piece[1] != '-') piece.remove_prefix(1);
    double value = 0;
    auto [stop, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    // A piece must be one number; "nan" or "inf" would poison every time after it.
    if (error != std::errc() || stop != piece.data() + piece.size() || !std::isfinite(value)) {
      value = 0;
    }
    total = total * 60 + value;
  }
  return std::isfinite(total) ? total : 0;
}

std::vector<TimedSegment> GeminiTranscription::transcribe(
    const std::filesystem::path& track, const std::optional<std::string>& language) const {
  auto base = WebAddress::parse(address);
  if (!base || !base->isHTTPLike()) throw CloudError::badAddress(address);
  if (!apiKey) throw CloudError::invalidKey(kLabel);
  const std::string endpoint = base->appending("models/" + model + ":generateContent");

  const nlohmann::json prompt = {{"text", instruction(language)}};
  const nlohmann::json generationConfig = {{"temperature", 0},
                                           {"responseMimeType", "application/json"},
                                           {"responseSchema", responseSchema()}};
  return transcribeInChunks(track, chunkSeconds, [&](const AudioChunk& chunk) {
    HttpRequest request;
    request.method = "POST";
    request.url = endpoint;
    request.timeoutSeconds = kRequestTimeout;
    request.setHeader("Content-Type", "application/json");
    request.setHeader("x-goog-api-key", *apiKey);
    {
      nlohmann::json audio = {
          {"inline_data",
           {{"mime_type", "audio/mp4"}, {"data", base64(AtomicFile::read(chunk.path))}}}};
      nlohmann::json body = {{"contents", {{{"parts", {prompt, std::move(audio)}}}}},
                             {"generationConfig", generationConfig}};
      request.body = body.dump();
    }

    const std::string reply = client.send(request);
    const std::vector<Item> items = JsonReply::decode(kLabel, [&] { return decodeItems(reply); });
    const double duration = TrackAudio::duration(chunk.path);
    std::vector<TimedSegment> result;
    for (const Item& item : items) {
      std::string text = UnicodeText::trimmed(item.text);
      if (text.empty()) continue;
      // Times are clamped into the chunk: a model's guess never leaves it, nor runs backwards.
      const double start = std::clamp(seconds(item.start), 0.0, std::max(duration, 0.0));
      const double end = std::min(std::max(seconds(item.end), start), std::max(duration, start));
      result.push_back(
          TimedSegment{chunk.offset + start, chunk.offset + end, std::move(text), std::nullopt});
    }
    return result;
  });
}

}  // namespace kelv::core
