#include "kelv/core/backends/cloud/eleven_labs_transcription.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "chunked_transcription.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/json_reply.h"
#include "kelv/core/backends/cloud/multipart.h"
#include "kelv/core/backends/cloud/upload_folder.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "kelv/core/transcript/word.h"
#include "kelv/core/util/atomic_file.h"

namespace kelv::core {
namespace {

constexpr double kRequestTimeout = 900;
const std::string kLabel = "ElevenLabs";

// The spoken words of a reply, times still relative to the chunk.
std::vector<Word> decodeWords(const std::string& body) {
  const nlohmann::json reply = JsonReply::parseObject(body);
  std::vector<Word> words;
  for (const nlohmann::json& entry : JsonReply::array(reply, "words")) {
    JsonReply::asObject(entry);
    Word word{JsonReply::string(entry, "text"), JsonReply::number(entry, "start"),
              JsonReply::number(entry, "end"), std::nullopt};
    if (JsonReply::string(entry, "type") != "word") continue;
    if (auto speaker = JsonReply::optionalString(entry, "speaker_id")) {
      word.speaker = ElevenLabsTranscription::speakerLabel(*speaker);
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace

const std::string ElevenLabsTranscription::defaultAddress = "https://api.elevenlabs.io/v1";

ElevenLabsTranscription::ElevenLabsTranscription(std::optional<std::string> address,
                                                 std::optional<std::string> model,
                                                 std::optional<std::string> apiKey,
                                                 std::shared_ptr<HttpSession> session)
    : address(address.value_or(defaultAddress)),
      model(model.value_or("scribe_v2")),
      apiKey(apiKey && !apiKey->empty() ? apiKey : std::nullopt),
      client(kLabel, std::move(session)) {}

std::string ElevenLabsTranscription::speakerLabel(const std::string& speakerID) {
  std::string_view last;
  for (size_t start = 0; start <= speakerID.size();) {
    size_t end = speakerID.find('_', start);
    if (end == std::string::npos) end = speakerID.size();
    if (end > start) last = std::string_view(speakerID).substr(start, end - start);
    start = end + 1;
  }
  if (!last.empty() && last.front() == '+' && last.size() > 1 && last[1] != '-' && last[1] != '+') {
    last.remove_prefix(1);
  }
  int64_t n = 0;
  auto [stop, error] = std::from_chars(last.data(), last.data() + last.size(), n);
  if (last.empty() || error != std::errc() || stop != last.data() + last.size()) return "Speaker 1";
  // n + 1 without overflow at the top of the range.
  if (n == std::numeric_limits<int64_t>::max()) {
    return "Speaker " + std::to_string(static_cast<uint64_t>(n) + 1);
  }
  return "Speaker " + std::to_string(n + 1);
}

std::vector<TimedSegment> ElevenLabsTranscription::transcribe(
    const std::filesystem::path& track, const std::optional<std::string>& language) const {
  auto base = WebAddress::parse(address);
  if (!base || !base->isHTTPLike()) throw CloudError::badAddress(address);
  if (!apiKey) throw CloudError::invalidKey(kLabel);
  const bool mixed = track.stem() == "mixed";
  const std::optional<std::string> languageCode = UploadFolder::primaryLanguage(language);
  const std::string endpoint = base->appending("speech-to-text");

  return transcribeInChunks(track, chunkSeconds, [&](const AudioChunk& chunk) {
    HttpRequest request;
    request.method = "POST";
    request.url = endpoint;
    request.timeoutSeconds = kRequestTimeout;
    {
      Multipart form;
      form.add("model_id", model);
      if (languageCode) form.add("language_code", *languageCode);
      if (mixed) form.add("diarize", "true");
      form.addFile("file", AtomicFile::read(chunk.path), "audio.m4a", "audio/mp4");
      request.body = form.finished();
      request.setHeader("Content-Type", form.contentType());
    }
    request.setHeader("xi-api-key", *apiKey);

    const std::string reply = client.send(request);
    std::vector<Word> words = JsonReply::decode(kLabel, [&] { return decodeWords(reply); });
    for (Word& word : words) {
      word.start += chunk.offset;
      word.end += chunk.offset;
    }
    return Word::sentences(words);
  });
}

}  // namespace kelv::core
