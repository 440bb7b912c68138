#include "kelv/core/backends/on_device/model_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>

#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core::ModelDownload {
namespace fs = std::filesystem;

namespace {

constexpr int kTries = 3;
constexpr const char* kChecksumList = "SHA256SUMS";

struct Expected {
  std::string sha256;
  int64_t bytes = 0;  // 0: unknown until the server says
};

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using Handle = std::unique_ptr<CURL, CurlDeleter>;

Handle newHandle(const std::string& url, char* errorText) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  Handle handle(curl_easy_init());
  if (!handle) throw std::bad_alloc();
  CURL* h = handle.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  // The official host hands the files out from a content network.
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
  // A transfer that stalls for a minute is given up (and resumed by the next try).
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
  errorText[0] = '\0';
  return handle;
}

std::string curlText(CURLcode code, const char* errorText) {
  return *errorText ? errorText : curl_easy_strerror(code);
}

long statusOf(CURL* handle) {
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

size_t appendText(char* data, size_t size, size_t count, void* into) {
  static_cast<std::string*>(into)->append(data, size * count);
  return size * count;
}

Expected expectedFor(const OnDeviceModel& model) {
  if (model.fromOfficialHost()) return {model.sha256, model.bytes};
  const std::string base = model.sourceURL();

  const std::string url = base + "/" + kChecksumList;
  char errorText[CURL_ERROR_SIZE];
  Handle handle = newHandle(url, errorText);
  std::string list;
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, appendText);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &list);
  curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, 60L);
  const CURLcode code = curl_easy_perform(handle.get());
  if (code != CURLE_OK) throw OnDeviceError::downloadFailed(model.name, curlText(code, errorText));
  if (const long status = statusOf(handle.get()); status != 200)
    throw OnDeviceError::downloadFailed(
        model.name,
        "the checksum list " + url + " isn't there (HTTP " + std::to_string(status) + ").");

  std::istringstream lines(list);
  std::string digest, name;
  while (lines >> digest >> name) {
    if (!name.empty() && name[0] == '*') name.erase(0, 1);  // sha256sum's binary mark
    if (name == model.fileName && digest.size() == 64) {
      return {AsciiText::lowercased(digest), 0};
    }
  }
  throw OnDeviceError::downloadFailed(
      model.name, "the checksum list " + url + " doesn't name " + model.fileName + ".");
}

int64_t sizeOf(const fs::path& file) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  return error ? 0 : static_cast<int64_t>(size);
}

void removeQuietly(const fs::path& file) {
  std::error_code ignored;
  fs::remove(file, ignored);
}

// One HTTP request that appends to (or restarts) the partial file.
struct Transfer {
  Transfer(const OnDeviceModel& model, const Expected& expected, fs::path folder, fs::path partial,
           const Progress& progress, CURL* handle)
      : model(model),
        expected(expected),
        folder(std::move(folder)),
        partial(std::move(partial)),
        offset(sizeOf(this->partial)),
        progress(progress),
        handle(handle) {}

  const OnDeviceModel& model;
  const Expected& expected;
  fs::path folder;
  fs::path partial;
  int64_t offset;  // bytes already in the partial file when the request went out
  const Progress& progress;
  CURL* handle;

  FILE* file = nullptr;
  std::string contentRange;  // of the last response (redirects come first)
  bool restart = false;      // the server resumed somewhere else than asked
  bool started = false;
  int64_t received = 0;
  int writeErrno = 0;
  std::optional<OnDeviceError> refusal;

  ~Transfer() {
    if (file) fclose(file);
  }

  // The first bytes of the body: decides where they go, and whether they fit at all.
  bool start() {
    started = true;
    const long status = statusOf(handle);
    if (status != 200 && status != 206) return true;  // an error page: read, not kept
    if (status == 200) offset = 0;                    // the server sent the whole file
    if (status == 206 && rangeStart() != offset) {
      restart = true;
      return false;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    const int64_t missing = expected.bytes > 0 ? expected.bytes - offset : length;
    const int64_t free = volumeFreeSpace(folder) + (status == 200 ? sizeOf(partial) : 0);
    if (missing > 0 && free < missing) {
      refusal = OnDeviceError::notEnoughSpace(model.name, missing, free);
      return false;
    }
    file = fopen(partial.c_str(), offset > 0 ? "ab" : "wb");
    if (!file) {
      writeErrno = errno;
      return false;
    }
    return true;
  }

  // The first position of "Content-Range: bytes FIRST-LAST/TOTAL"; -1 when unreadable.
  int64_t rangeStart() const {
    long long first = -1;
    if (std::sscanf(contentRange.c_str(), " bytes %lld-", &first) != 1) return -1;
    return first;
  }

  static size_t header(char* data, size_t size, size_t count, void* self) {
    auto& transfer = *static_cast<Transfer*>(self);
    const std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) transfer.contentRange.clear();
    constexpr std::string_view name = "content-range:";
    if (line.size() > name.size()) {
      if (AsciiText::lowercased(line.substr(0, name.size())) == name)
        transfer.contentRange = line.substr(name.size());
    }
    return size * count;
  }

  static size_t body(char* data, size_t size, size_t count, void* self) {
    auto& transfer = *static_cast<Transfer*>(self);
    if (!transfer.started && !transfer.start()) return 0;
    if (!transfer.file) return size * count;
    if (fwrite(data, size, count, transfer.file) != count) {
      transfer.writeErrno = errno ? errno : EIO;
      return 0;
    }
    transfer.received += static_cast<int64_t>(size * count);
    return size * count;
  }

  static int moved(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto& transfer = *static_cast<Transfer*>(self);
    if (transfer.progress && transfer.file) {
      const int64_t whole = total > 0 ? transfer.offset + total : transfer.expected.bytes;
      transfer.progress(transfer.offset + now, whole);
    }
    return 0;
  }

  // Closes the file; a failed flush counts like a failed write.
  void finishFile() {
    if (!file) return;
    if (fflush(file) != 0 || fsync(fileno(file)) != 0) writeErrno = errno ? errno : EIO;
    if (fclose(file) != 0 && writeErrno == 0) writeErrno = errno ? errno : EIO;
    file = nullptr;
  }
};

enum class Outcome { complete, retry };

Outcome transferOnce(const OnDeviceModel& model, const Expected& expected, const fs::path& folder,
                     const fs::path& partial, const Progress& progress) {
  const std::string url = model.sourceURL() + "/" + model.fileName;
  char errorText[CURL_ERROR_SIZE];
  Handle handle = newHandle(url, errorText);
  Transfer transfer(model, expected, folder, partial, progress, handle.get());
  // A plain range request: a server that ignores it and sends the whole file is fine too.
  const std::string range = std::to_string(transfer.offset) + "-";
  if (transfer.offset > 0) curl_easy_setopt(handle.get(), CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, Transfer::body);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle.get(), CURLOPT_HEADERFUNCTION, Transfer::header);
  curl_easy_setopt(handle.get(), CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFOFUNCTION, Transfer::moved);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 0L);

  const CURLcode code = curl_easy_perform(handle.get());
  transfer.finishFile();
  if (transfer.refusal) throw *transfer.refusal;
  if (transfer.restart) {
    removeQuietly(partial);
    return Outcome::retry;
  }
  if (transfer.writeErrno == ENOSPC || transfer.writeErrno == EDQUOT) {
    // What we wrote filled the disk: give the space back rather than keep half a model.
    removeQuietly(partial);
    throw OnDeviceError(OnDeviceError::Kind::notEnoughSpace,
                        "Not enough disk space for the " + OnDeviceError::modelWords(model.name) +
                            " \"" + model.name +
                            "\": the disk filled up while it was downloading.");
  }
  if (transfer.writeErrno)
    throw OnDeviceError::downloadFailed(
        model.name, PlatformError::fromErrno(transfer.writeErrno, "write", partial).what());

  const long status = statusOf(handle.get());
  if (code != CURLE_OK) {
    // A connection cut after some progress is worth another try from where it stopped.
    if (transfer.received > 0) return Outcome::retry;
    throw OnDeviceError::downloadFailed(model.name, curlText(code, errorText));
  }
  if (status == 416 && transfer.offset > 0) return Outcome::complete;  // nothing was missing
  if (status == 404)
    throw OnDeviceError::downloadFailed(model.name, url + " isn't there (HTTP 404).");
  if (status != 200 && status != 206)
    throw OnDeviceError::downloadFailed(model.name,
                                        "the server answered HTTP " + std::to_string(status) + ".");
  return Outcome::complete;
}

// Held while one process fetches into the folder: `kelv download` from onboarding and the
// first `kelv process` may both want the model, and must not write one partial file at once.
class FolderLock {
 public:
  explicit FolderLock(const fs::path& folder)
      : fd_(::open((folder / ".download.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

}  // namespace

std::string sha256(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw PlatformError::fromErrno(errno ? errno : ENOENT, "open", file);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    throw std::bad_alloc();
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0)
      EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) throw PlatformError::fromErrno(EIO, "read", file);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  static const char* hex = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += hex[digest[i] >> 4];
    text += hex[digest[i] & 15];
  }
  return text;
}

bool isIntact(const OnDeviceModel& model, const fs::path& folder) {
  const fs::path file = folder / model.fileName;
  std::error_code error;
  if (!fs::is_regular_file(file, error)) return false;
  return sha256(file) == expectedFor(model).sha256;
}

void fetch(const OnDeviceModel& model, const fs::path& folder, const Progress& progress) {
  const Expected expected = expectedFor(model);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error)
    throw OnDeviceError::downloadFailed(
        model.name, PlatformError(error.value(), "create the folder " + folder.string()).what());
  const FolderLock lock(folder);
  const fs::path destination = folder / model.fileName;
  // Another process fetched it (and checked it) while this one waited.
  if (fs::exists(destination, error)) return;
  const fs::path partial = fs::path(folder / model.fileName).concat(".partial");
  // Left over from a different file: start afresh.
  if (expected.bytes > 0 && sizeOf(partial) > expected.bytes) removeQuietly(partial);
  if (expected.bytes > 0) {
    const int64_t missing = expected.bytes - sizeOf(partial);
    if (const int64_t free = volumeFreeSpace(folder); free < missing)
      throw OnDeviceError::notEnoughSpace(model.name, missing, free);
  }

  for (int attempt = 1;; ++attempt) {
    const Outcome outcome = transferOnce(model, expected, folder, partial, progress);
    if (outcome == Outcome::complete) break;
    if (attempt == kTries)
      throw OnDeviceError::downloadFailed(model.name,
                                          "the connection broke off " + std::to_string(kTries) +
                                              " times; run the download again to continue.");
  }

  if (sha256(partial) != expected.sha256) {
    removeQuietly(partial);
    throw OnDeviceError::checksumMismatch(model.name);
  }
  if (::rename(partial.c_str(), destination.c_str()) != 0)
    throw OnDeviceError::downloadFailed(model.name,
                                        PlatformError::fromErrno(errno, "rename", partial).what());
}

}  // namespace kelv::core::ModelDownload
