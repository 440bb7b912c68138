#include "kelv/core/backends/cloud/assembly_ai_transcription.h"

#include <cctype>
#include <nlohmann/json.hpp>

#include "chunked_transcription.h"
#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/backends/cloud/json_reply.h"
#include "kelv/core/backends/cloud/upload_folder.h"
#include "kelv/core/backends/cloud/web_address.h"
#include "kelv/core/transcript/word.h"
#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/atomic_file.h"

namespace kelv::core {
namespace {

constexpr double kRequestTimeout = 600;
const std::string kLabel = "AssemblyAI";

struct Job {
  std::string id;
  std::string status;
  std::optional<std::string> error;
  std::vector<Word> words;  // in milliseconds of the chunk until placed on the track
};

Job decodeJob(const std::string& body) {
  const nlohmann::json reply = JsonReply::parseObject(body);
  Job job{JsonReply::string(reply, "id"),
          JsonReply::string(reply, "status"),
          JsonReply::optionalString(reply, "error"),
          {}};
  if (const nlohmann::json* words = JsonReply::optionalArray(reply, "words")) {
    for (const nlohmann::json& word : *words) {
      JsonReply::asObject(word);
      job.words.push_back(Word{JsonReply::string(word, "text"), JsonReply::number(word, "start"),
                               JsonReply::number(word, "end"),
                               JsonReply::optionalString(word, "speaker")});
    }
  }
  return job;
}

// The job id goes into a path: anything but unreserved characters is percent-encoded so a
// strange id can't point the poll (and the key) at another path.
std::string pathSegment(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += hex[c >> 4];
      encoded += hex[c & 15];
    }
  }
  return encoded == "." || encoded == ".." ? "%2E" + encoded.substr(1) : encoded;
}

}  // namespace

const std::string AssemblyAITranscription::defaultAddress = "https://api.assemblyai.com/v2";
const std::string AssemblyAITranscription::serviceDomain = "assemblyai.com";

AssemblyAITranscription::AssemblyAITranscription(std::optional<std::string> address,
                                                 std::optional<std::string> apiKey,
                                                 std::shared_ptr<HttpSession> session)
    : address(address.value_or(defaultAddress)),
      apiKey(apiKey && !apiKey->empty() ? apiKey : std::nullopt),
      client(kLabel, std::move(session)) {}

std::vector<TimedSegment> AssemblyAITranscription::transcribe(
    const std::filesystem::path& track, const std::optional<std::string>& language) const {
  auto base = WebAddress::parse(address);
  if (!base || !base->isHTTPLike()) throw CloudError::badAddress(address);
  if (!apiKey) throw CloudError::invalidKey(kLabel);
  const bool mixed = track.stem() == "mixed";
  const std::optional<std::string> languageCode = UploadFolder::primaryLanguage(language);
  const std::string configuredHost = AsciiText::lowercased(base->host());

  auto request = [&](const char* method, const std::string& path) {
    HttpRequest request;
    request.method = method;
    request.url = base->appending(path);
    request.timeoutSeconds = kRequestTimeout;
    request.setHeader("Authorization", *apiKey);
    return request;
  };

  return transcribeInChunks(track, chunkSeconds, [&](const AudioChunk& chunk) {
    HttpRequest upload = request("POST", "upload");
    upload.setHeader("Content-Type", "application/octet-stream");
    upload.body = AtomicFile::read(chunk.path);
    const std::string uploadReply = client.send(upload);
    upload.body.clear();
    upload.body.shrink_to_fit();
    const std::string uploadURL = JsonReply::decode(kLabel, [&] {
      return JsonReply::string(JsonReply::parseObject(uploadReply), "upload_url");
    });

    // The job makes the service fetch this address with our key's authority: only https on
    // the configured host or the service's own domain is accepted.
    auto uploaded = WebAddress::parse(uploadURL);
    const std::string host = uploaded ? AsciiText::lowercased(uploaded->host()) : "";
    if (!uploaded || uploaded->scheme() != "https" || host.empty() ||
        !(host == configuredHost || host.ends_with("." + serviceDomain))) {
      throw CloudError::badResponse(kLabel);
    }

    nlohmann::json jobRequest = {{"audio_url", uploadURL}, {"speaker_labels", mixed}};
    if (languageCode) {
      jobRequest["language_code"] = *languageCode;
    } else {
      jobRequest["language_detection"] = true;
    }
    HttpRequest create = request("POST", "transcript");
    create.setHeader("Content-Type", "application/json");
    create.body = jobRequest.dump();
    const std::string created = client.send(create);
    Job job = JsonReply::decode(kLabel, [&] { return decodeJob(created); });
    const std::string pollPath = "transcript/" + pathSegment(job.id);

    for (int polls = 0;; ++polls) {
      if (job.status == "completed") break;
      if (job.status == "error") {
        throw CloudError::failed(kLabel, job.error.value_or("unknown error"));
      }
      if (polls >= maxPolls) {
        throw CloudError::failed(kLabel, "timed out waiting for the transcript");
      }
      client.sleep(pollInterval);
      const std::string polled = client.send(request("GET", pollPath));
      job = JsonReply::decode(kLabel, [&] { return decodeJob(polled); });
    }

    for (Word& word : job.words) {
      word.start = word.start / 1000 + chunk.offset;
      word.end = word.end / 1000 + chunk.offset;
      if (word.speaker) word.speaker = "Speaker " + *word.speaker;
    }
    return Word::sentences(job.words);
  });
}

}  // namespace kelv::core
