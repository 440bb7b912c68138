// Small facts from the platform: the uptime clock, random identifiers, free disk space.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kelv::core {

// Seconds since the system started (CLOCK_MONOTONIC): the time base of captured audio.
double systemUptime();

// A fresh random (version 4) UUID in its canonical upper-case text form.
std::string randomUUID();

// Bytes available to an unprivileged user on the volume of `path` (statvfs: f_bavail ×
// f_frsize); the largest 64-bit value when the volume can't be asked.
int64_t volumeFreeSpace(const std::filesystem::path& path);

// The system temporary folder: $TMPDIR, else /tmp.
std::filesystem::path temporaryDirectory();

// The current user's home folder: $HOME, else the password database.
std::filesystem::path homeDirectory();

}  // namespace kelv::core
