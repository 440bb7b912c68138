// The private folder in which a transcription backend keeps the compressed chunks of one
// track while it uploads them: "kelv-upload-<UUID>" in the system's temporary folder, removed
// with everything in it when the object goes away, however the transcription ended.
//
// One per transcribe call; not shared between threads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelv::core {

class UploadFolder {
 public:
  // Chooses a fresh name; the folder itself is created by whoever writes the first chunk.
  UploadFolder();
  ~UploadFolder();
  UploadFolder(const UploadFolder&) = delete;
  UploadFolder& operator=(const UploadFolder&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }

  // The part of a language code before its first "-" ("es-ES" gives "es"); absent for an
  // absent or empty code. Every backend sends a language this way.
  static std::optional<std::string> primaryLanguage(const std::optional<std::string>& code);

 private:
  std::filesystem::path path_;
};

}  // namespace kelv::core
