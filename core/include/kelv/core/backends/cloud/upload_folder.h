// The private folder in which a transcription backend keeps the compressed chunks of one
// track while it uploads them: "kelv-upload-<UUID>" in the system's temporary folder, mode
// 0700, removed with everything in it when the object goes away, however the transcription
// ended. The folder stays locked (flock) while the object lives, so that a later run, which
// first removes the folders that runs killed before they could clean up, knows which ones
// are still in use.
//
// One per transcribe call; not shared between threads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelv::core {

class UploadFolder {
 public:
  // Removes abandoned upload folders, then creates and locks a fresh one. Throws PlatformError.
  UploadFolder();
  ~UploadFolder();
  UploadFolder(const UploadFolder&) = delete;
  UploadFolder& operator=(const UploadFolder&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }

  // The part of a language code before its first "-" ("es-ES" gives "es"); absent for an
  // absent or empty code. Every backend sends a language this way.
  static std::optional<std::string> primaryLanguage(const std::optional<std::string>& code);

  // Removes every "kelv-upload-…" folder of this user in `temporary` whose lock is free.
  static void removeAbandoned(const std::filesystem::path& temporary);

 private:
  std::filesystem::path path_;
  int lock_ = -1;  // the open folder, holding its lock
};

}  // namespace kelv::core
