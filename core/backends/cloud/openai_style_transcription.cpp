#include "kelv/core/backends/cloud/openai_style_transcription.h"

#include <nlohmann/json.hpp>

#include "chunked_transcription.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/json_reply.h"
#include "kelv/core/backends/cloud/multipart.h"
#include "kelv/core/backends/cloud/upload_folder.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

constexpr double kRequestTimeout = 600;

bool isGPTModel(const std::string& model) { return model.rfind("gpt-", 0) == 0; }

std::string labelFor(const std::string& address) {
  auto parsed = WebAddress::parse(address);
  return parsed && !parsed->host().empty() ? parsed->host() : "Transcription backend";
}

struct Piece {
  std::optional<double> start, end;
  std::string text;
};

// The reply's timed pieces, or the whole text as one piece when it has no segments.
std::vector<Piece> decodeReply(const std::string& body) {
  const nlohmann::json reply = JsonReply::parseObject(body);
  const std::string& text = JsonReply::string(reply, "text");
  const nlohmann::json* segments = JsonReply::optionalArray(reply, "segments");
  if (!segments) return {Piece{std::nullopt, std::nullopt, text}};
  std::vector<Piece> pieces;
  for (const nlohmann::json& segment : *segments) {
    JsonReply::asObject(segment);
    pieces.push_back({JsonReply::optionalNumber(segment, "start"),
                      JsonReply::optionalNumber(segment, "end"),
                      JsonReply::string(segment, "text")});
  }
  return pieces;
}

}  // namespace

const std::string OpenAIStyleTranscription::defaultAddress = "https://api.openai.com/v1";

OpenAIStyleTranscription::OpenAIStyleTranscription(std::optional<std::string> address,
                                                   std::optional<std::string> model,
                                                   std::optional<std::string> apiKey,
                                                   std::shared_ptr<HttpSession> session)
    : address(address.value_or(defaultAddress)),
      model(model.value_or("whisper-1")),
      apiKey(apiKey && !apiKey->empty() ? apiKey : std::nullopt),
      client(labelFor(this->address), std::move(session)),
      chunkSeconds(isGPTModel(this->model) ? 30 : 1200) {}

std::vector<TimedSegment> OpenAIStyleTranscription::transcribe(
    const std::filesystem::path& track, const std::optional<std::string>& language) const {
  auto base = WebAddress::parse(address);
  if (!base || !base->isHTTPLike()) throw CloudError::badAddress(address);
  const std::string endpoint = base->appending("audio/transcriptions");
  const std::optional<std::string> languageField = UploadFolder::primaryLanguage(language);
  const bool gpt = isGPTModel(model);

  return transcribeInChunks(track, chunkSeconds, [&](const AudioChunk& chunk) {
    const double duration = TrackAudio::duration(chunk.path);

    HttpRequest request;
    request.method = "POST";
    request.url = endpoint;
    request.timeoutSeconds = kRequestTimeout;
    {
      Multipart form;
      form.add("model", model);
      if (languageField) form.add("language", *languageField);
      form.add("response_format", gpt ? "json" : "verbose_json");
      if (!gpt) form.add("timestamp_granularities[]", "segment");
      form.addFile("file", AtomicFile::read(chunk.path), "audio.m4a", "audio/mp4");
      request.body = form.finished();
      request.setHeader("Content-Type", form.contentType());
    }
    if (apiKey) request.setHeader("Authorization", "Bearer " + *apiKey);

    const std::string reply = client.send(request);
    std::vector<TimedSegment> result;
    for (const Piece& piece :
         JsonReply::decode(client.backend, [&] { return decodeReply(reply); })) {
      std::string text = UnicodeText::trimmed(piece.text);
      if (text.empty()) continue;
      result.push_back(TimedSegment{chunk.offset + piece.start.value_or(0),
                                    chunk.offset + piece.end.value_or(duration), std::move(text),
                                    std::nullopt});
    }
    return result;
  });
}

}  // namespace kelv::core
