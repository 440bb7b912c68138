// Small facts from the platform: the uptime clock, random identifiers, free disk space, the
// user's folders. Safe from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kelv::core {

// Seconds on the monotonic clock, std::chrono::steady_clock (CLOCK_MONOTONIC, counted from
// system start): the time base of captured audio and of every timeout.
double systemUptime();

// A fresh random (version 4) UUID in its canonical upper-case text form.
std::string randomUUID();

// Bytes available to an unprivileged user on the volume of `path` (statvfs: f_bavail ×
// f_frsize); the largest 64-bit value when the volume can't be asked.
int64_t volumeFreeSpace(const std::filesystem::path& path);

// Cores that compute on their own: hyper-threads of one core count once, as sysfs lists them
// under `cpuFolder` (cpuN/topology/core_id and physical_package_id, where N is an online
// processor). Falls back to the logical processors, and never answers less than 1.
int physicalCoreCount(const std::filesystem::path& cpuFolder = "/sys/devices/system/cpu");

// The system temporary folder: $TMPDIR, else /tmp.
std::filesystem::path temporaryDirectory();

// The current user's home folder: $HOME, else the password database.
std::filesystem::path homeDirectory();

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::filesystem::path dataHome();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config.
std::filesystem::path configHome();

}  // namespace kelv::core
