#include "kelv/core/util/system_info.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <limits>
#include <random>

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
