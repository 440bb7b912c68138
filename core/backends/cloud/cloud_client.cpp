#include "kelv/core/backends/cloud/cloud_client.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>
#include <thread>
#include <utility>

#include "kelv/core/backends/cloud/cloud_error.h"
#include "kelv/core/net/transfer_error.h"

namespace kelv::core {
namespace {

constexpr double kLongestRetryAfter = 60;
constexpr int32_t kMessageCharacters = 200;

// Decimal seconds only; the whole value must be the number. A date form does not parse.
std::optional<double> retryAfterSeconds(const std::string& value) {
  double seconds = 0;
  const char* end = value.data() + value.size();
  auto [stop, error] = std::from_chars(value.data(), end, seconds);
  if (value.empty() || error != std::errc() || stop != end) return std::nullopt;
  // A negative or non-finite wait makes no sense; don't wait at all rather than forever.
  if (!std::isfinite(seconds) || seconds < 0) return 0.0;
  return std::min(seconds, kLongestRetryAfter);
}

// The first `limit` grapheme clusters of a UTF-8 text.
std::string firstCharacters(const std::string& text, int32_t limit) {
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> characters(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return text;
  characters->setText(unicode);
  int32_t count = 0;
  int32_t end = characters->first();
  while (count < limit) {
    int32_t next = characters->next();
    if (next == icu::BreakIterator::DONE) return text;
    end = next;
    ++count;
  }
  std::string cut;
  unicode.tempSubString(0, end).toUTF8String(cut);
  return cut;
}

}  // namespace

CloudClient::CloudClient(std::string backend, std::shared_ptr<HttpSession> session)
    : backend(std::move(backend)), session(std::move(session)), sleep(&CloudClient::sleepFor) {}

void CloudClient::sleepFor(double seconds) {
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string CloudClient::send(const HttpRequest& request) const {
  double delay = 1;
  for (int attempt = 1;; ++attempt) {
    const bool mayRetry = attempt < attempts;
    std::optional<HttpResponse> response;
    try {
      response = session->perform(request);
    } catch (const TransferError& error) {
      if (!error.isTransient() || !mayRetry) throw;
    } catch (const ReplyTooLargeError&) {
      // Asking again would bring the same flood.
      throw CloudError::badResponse(backend);
    }
    if (response) {
      const int status = response->status;
      if (status >= 200 && status <= 299) return std::move(response->body);
      if (status == 401 || status == 403) throw CloudError::invalidKey(backend);
      if (!mayRetry || !(status == 429 || status >= 500)) {
        throw CloudError::http(backend, status, message(response->body));
      }
      if (auto value = response->header("Retry-After")) {
        if (auto seconds = retryAfterSeconds(*value)) delay = *seconds;
      }
    }
    sleep(delay);
    delay *= 2;
  }
}

std::optional<std::string> CloudClient::message(std::string_view body) {
  const nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  const nlohmann::json* found = nullptr;
  if (auto error = json.find("error"); error != json.end()) {
    if (error->is_object()) {
      if (auto inner = error->find("message"); inner != error->end() && inner->is_string()) {
        found = &*inner;
      }
    } else if (error->is_string()) {
      found = &*error;
    }
  }
  for (const char* key : {"detail", "message"}) {
    if (found) break;
    if (auto member = json.find(key); member != json.end() && member->is_string()) {
      found = &*member;
    }
  }
  if (!found) return std::nullopt;
  return firstCharacters(found->get<std::string>(), kMessageCharacters);
}

}  // namespace kelv::core
