#include "kelv/core/util/system_info.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace kelv::core {

double systemUptime() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string randomUUID() {
  static thread_local std::mt19937_64 generator{[] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }()};
  unsigned char bytes[16];
  for (int i = 0; i < 16; i += 8) {
    uint64_t value = generator();
    for (int j = 0; j < 8; ++j) bytes[i + j] = static_cast<unsigned char>(value >> (8 * j));
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  char text[37];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
  return text;
}

int64_t volumeFreeSpace(const std::filesystem::path& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

namespace {

std::optional<std::string> firstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  return line;
}

// "0-3,6,8-9" (the kernel's list of online processors) as numbers; empty when unreadable.
std::vector<int> processorList(const std::string& text) {
  std::vector<int> numbers;
  std::istringstream parts(text);
  std::string part;
  while (std::getline(parts, part, ',')) {
    int first = 0, last = 0;
    char dash = 0;
    std::istringstream range(part);
    if (!(range >> first)) return {};
    if (range >> dash) {
      if (dash != '-' || !(range >> last) || last < first || last - first > 4096) return {};
    } else {
      last = first;
    }
    for (int n = first; n <= last; ++n) numbers.push_back(n);
  }
  return numbers;
}

}  // namespace

int physicalCoreCount(const std::filesystem::path& cpuFolder) {
  const unsigned logical = std::thread::hardware_concurrency();
  const int fallback = logical == 0 ? 1 : static_cast<int>(logical);
  const std::optional<std::string> online = firstLine(cpuFolder / "online");
  if (!online) return fallback;
  std::set<std::pair<std::string, std::string>> cores;
  for (int n : processorList(*online)) {
    const std::filesystem::path topology = cpuFolder / ("cpu" + std::to_string(n)) / "topology";
    const auto package = firstLine(topology / "physical_package_id");
    const auto core = firstLine(topology / "core_id");
    if (!package || !core) return fallback;
    cores.emplace(*package, *core);
  }
  return cores.empty() ? fallback : static_cast<int>(cores.size());
}

std::filesystem::path temporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return (tmp && *tmp) ? std::filesystem::path(tmp) : std::filesystem::path("/tmp");
}

std::filesystem::path homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

namespace {

// The XDG base directory rule: a relative or empty value is ignored.
std::filesystem::path xdgFolder(const char* variable, const std::filesystem::path& fallback) {
  const char* value = std::getenv(variable);
  if (value && *value && std::filesystem::path(value).is_absolute()) return value;
  return homeDirectory() / fallback;
}

}  // namespace

std::filesystem::path dataHome() { return xdgFolder("XDG_DATA_HOME", ".local/share"); }

std::filesystem::path configHome() { return xdgFolder("XDG_CONFIG_HOME", ".config"); }

}  // namespace kelv::core
