#include "kelv/core/settings/preferences.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "kelv/core/util/application.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/date_text.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {
namespace {

// The parsed file: nullopt when it exists but is not a JSON object.
struct Contents {
  bool exists = false;
  std::optional<nlohmann::json> object;
};

Contents readContents(const std::filesystem::path& file) {
  std::string text;
  try {
    text = AtomicFile::read(file);
  } catch (const PlatformError& error) {
    // A missing file is an empty domain; an unreadable one is treated like a corrupt one but
    // can't be moved aside by us either, so it reads as empty too.
    if (error.isNotFound()) return {false, nlohmann::json::object()};
    return {true, std::nullopt};
  }
  auto parsed = nlohmann::json::parse(text, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) return {true, std::nullopt};
  return {true, std::move(parsed)};
}

// Moves a corrupt file aside under a name that doesn't replace an earlier copy.
std::filesystem::path keepAside(const std::filesystem::path& file) {
  const std::string stamp =
      DateText::formatted(std::chrono::system_clock::now(), "%Y%m%dT%H%M%SZ", DateText::Zone::utc);
  const std::string base = file.string() + ".corrupt-" + stamp;
  std::string target = base;
  for (int n = 2; std::filesystem::exists(target); ++n) target = base + "-" + std::to_string(n);
  if (::rename(file.c_str(), target.c_str()) != 0)
    throw PlatformError::fromErrno(errno, "keep aside", file);
  return target;
}

void makeFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return;
  if (errno == ENOENT && folder.has_parent_path() && folder.parent_path() != folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder.parent_path(), ignored);
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return;
  }
  throw PlatformError::fromErrno(errno, "create", folder);
}

class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0) throw PlatformError::fromErrno(errno, "lock", path);
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int code = errno;
      ::close(fd_);
      throw PlatformError::fromErrno(code, "lock", path);
    }
  }
  ~FileLock() { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

Preferences::Preferences(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<Preferences> Preferences::suite(const std::string& name) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string("/\0", 2)) != std::string::npos)
    return std::nullopt;
  return Preferences(configHome() / name / "preferences.json");
}

Preferences Preferences::standard(const std::optional<std::string>& suiteName) {
  if (suiteName)
    if (auto preferences = suite(*suiteName)) return *preferences;
  return *suite(Application::kIdentifier);
}

nlohmann::json Preferences::snapshot() const {
  auto contents = readContents(file_);
  return contents.object ? std::move(*contents.object) : nlohmann::json::object();
}

std::optional<nlohmann::json> Preferences::value(const std::string& key) const {
  auto domain = snapshot();
  auto found = domain.find(key);
  if (found == domain.end()) return std::nullopt;
  return std::move(*found);
}

std::optional<std::string> Preferences::string(const std::string& key) const {
  auto found = value(key);
  if (!found || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::optional<bool> Preferences::boolean(const std::string& key) const {
  auto found = value(key);
  if (!found || !found->is_boolean()) return std::nullopt;
  return found->get<bool>();
}

void Preferences::set(const std::string& key, const nlohmann::json& value) const {
  update([&](nlohmann::json& domain) { domain[key] = value; });
}

void Preferences::setDate(const std::string& key, Date date) const {
  set(key, LibraryJson::formatDate(date));
}

void Preferences::remove(const std::string& key) const {
  update([&](nlohmann::json& domain) { domain.erase(key); });
}

std::optional<std::filesystem::path> Preferences::keepAsideIfCorrupt() const {
  if (readContents(file_).object) return std::nullopt;
  FileLock lock(file_.string() + ".lock");
  // Looked at again under the lock: another process may have just replaced it.
  const Contents contents = readContents(file_);
  if (contents.object || !std::filesystem::exists(file_)) return std::nullopt;
  return keepAside(file_);
}

void Preferences::update(const std::function<void(nlohmann::json& domain)>& change) const {
  const std::filesystem::path folder = file_.parent_path();
  makeFolder(folder);
  FileLock lock(file_.string() + ".lock");

  Contents contents = readContents(file_);
  const bool corrupt = contents.exists && !contents.object;
  nlohmann::json domain = corrupt ? nlohmann::json::object() : std::move(*contents.object);
  const nlohmann::json before = domain;
  change(domain);
  if (!corrupt && domain == before) return;

  std::string text;
  try {
    text = domain.dump(2) + "\n";
  } catch (const nlohmann::json::type_error&) {
    throw PlatformError(EILSEQ, "Couldn't save the preferences: a text isn't valid UTF-8.");
  }
  if (corrupt && std::filesystem::exists(file_)) keepAside(file_);
  AtomicFile::write(file_, text, 0600);
}

}  // namespace kelv::core
