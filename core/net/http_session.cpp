#include "kelv/core/net/http_session.h"

#include <curl/curl.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <mutex>

#include <string_view>

#include "kelv/core/net/transfer_error.h"
#include "kelv/core/net/wait_progress.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void initialiseCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What the callbacks of one transfer share: the reply so far and the clock of its progress.
struct Transfer {
  HttpResponse* response;
  HttpLimits limits;
  double started = systemUptime();
  double lastActivity = started;
  bool replyBegun = false;
  bool tooLarge = false;
  bool stalled = false;
  int waitingReports = 0;
};

size_t collectBody(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  std::string& body = transfer->response->body;
  if (size * count > transfer->limits.maxReplyBytes - body.size()) {
    transfer->tooLarge = true;
    return 0;  // ends the transfer
  }
  body.append(data, size * count);
  transfer->lastActivity = systemUptime();
  return size * count;
}

int watchProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(context);
  const double now = systemUptime();
  if (transfer->replyBegun) {
    if (now - transfer->lastActivity >= transfer->limits.stallSeconds) {
      transfer->stalled = true;
      return 1;  // ends the transfer
    }
    return 0;
  }
  const double every = transfer->limits.waitingReportSeconds;
  if (every > 0 && now - transfer->started >= every * (transfer->waitingReports + 1)) {
    ++transfer->waitingReports;
    WaitProgress::report(static_cast<int>(now - transfer->started));
  }
  return 0;
}

// Keeps the headers of the final response only: a status line (after 100 Continue, say)
// starts the list again. The value keeps everything after "Name:" and its one conventional
// space, so a header sent with extra white space is seen as sent.
size_t collectHeader(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  transfer->replyBegun = true;
  transfer->lastActivity = systemUptime();
  HttpHeaders* headers = &transfer->response->headers;
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.rfind("HTTP/", 0) == 0) {
    headers->clear();
  } else if (auto colon = line.find(':'); colon != std::string::npos) {
    std::string value = line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ') value.erase(0, 1);
    headers->emplace_back(line.substr(0, colon), std::move(value));
  }
  return size * count;
}

}  // namespace

void HttpRequest::setHeader(const std::string& name, const std::string& value) {
  std::erase_if(headers, [&](const auto& header) { return sameName(header.first, name); });
  headers.emplace_back(name, value);
}

std::optional<std::string> HttpResponse::header(const std::string& name) const {
  for (auto it = headers.rbegin(); it != headers.rend(); ++it) {
    if (sameName(it->first, name)) return it->second;
  }
  return std::nullopt;
}

TransferError::Kind TransferError::kindFor(int curlCode, int osErrno) {
  switch (curlCode) {
    case CURLE_OPERATION_TIMEDOUT:
      return Kind::timedOut;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return Kind::connectionLost;
    case CURLE_COULDNT_CONNECT:
      // No route or no network at all is the "offline" case.
      return osErrno == ENETUNREACH || osErrno == ENETDOWN ? Kind::offline : Kind::cannotConnect;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return Kind::dnsFailure;
    case CURLE_COULDNT_RESOLVE_HOST:
      return Kind::hostNotFound;
    default:
      return Kind::other;
  }
}

struct HttpSession::Impl {
  std::mutex mutex;
  std::vector<CURL*> idle;

  CURL* take() {
    {
      std::lock_guard lock(mutex);
      if (!idle.empty()) {
        CURL* handle = idle.back();
        idle.pop_back();
        return handle;
      }
    }
    initialiseCurl();
    CURL* handle = curl_easy_init();
    if (!handle) throw TransferError(CURLE_FAILED_INIT, 0, curl_easy_strerror(CURLE_FAILED_INIT));
    return handle;
  }

  void give(CURL* handle) {
    std::lock_guard lock(mutex);
    idle.push_back(handle);
  }

  ~Impl() {
    for (CURL* handle : idle) curl_easy_cleanup(handle);
  }
};

HttpSession::HttpSession(HttpLimits limits) : impl_(std::make_unique<Impl>()), limits_(limits) {}
HttpSession::~HttpSession() = default;

HttpResponse HttpSession::perform(const HttpRequest& request) {
  CURL* handle = impl_->take();
  struct Return {
    Impl& impl;
    CURL* handle;
    curl_slist* headers = nullptr;
    ~Return() {
      curl_slist_free_all(headers);
      curl_easy_reset(handle);  // keeps the connection cache, forgets the options
      impl.give(handle);
    }
  } giveBack{*impl_, handle};

  for (const auto& [name, value] : request.headers)
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
      throw std::invalid_argument("The request header " + name + " holds a line break.");

  HttpResponse response;
  Transfer transfer{&response, limits_};
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                   static_cast<long>(std::max(1.0, request.timeoutSeconds * 1000.0)));
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, collectBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, collectHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, watchProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);

  if (request.method == "GET") {
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  } else {
    if (request.method == "HEAD") {
      curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else {
      curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                       static_cast<curl_off_t>(request.body.size()));
      curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
    }
    if (request.method != "POST" && request.method != "HEAD") {
      curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
  }

  bool hasContentType = false;
  for (const auto& [name, value] : request.headers) {
    hasContentType = hasContentType || sameName(name, "Content-Type");
    // "Name;" is libcurl's way of sending a header with an empty value.
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    giveBack.headers = curl_slist_append(giveBack.headers, line.c_str());
  }
  // No "Expect: 100-continue" round trip before large uploads, and no form type invented
  // for a body the caller did not label.
  giveBack.headers = curl_slist_append(giveBack.headers, "Expect:");
  if (!hasContentType) giveBack.headers = curl_slist_append(giveBack.headers, "Content-Type:");
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, giveBack.headers);

  CURLcode result = curl_easy_perform(handle);
  if (transfer.tooLarge) throw ReplyTooLargeError();
  if (transfer.stalled) {
    throw TransferError(CURLE_OPERATION_TIMEDOUT, 0, "The service stopped sending its reply.");
  }
  if (result != CURLE_OK) {
    long osErrno = 0;
    curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &osErrno);
    std::string message = errorText[0] ? errorText : curl_easy_strerror(result);
    throw TransferError(result, static_cast<int>(osErrno), message);
  }
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  response.status = static_cast<int>(status);
  return response;
}

}  // namespace kelv::core
