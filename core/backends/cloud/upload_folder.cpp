#include "kelv/core/backends/cloud/upload_folder.h"

#include <system_error>

#include "kelv/core/util/system_info.h"

namespace kelv::core {

UploadFolder::UploadFolder() : path_(temporaryDirectory() / ("kelv-upload-" + randomUUID())) {}

UploadFolder::~UploadFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::optional<std::string> UploadFolder::primaryLanguage(const std::optional<std::string>& code) {
  if (!code) return std::nullopt;
  size_t start = 0;
  while (start < code->size()) {
    size_t dash = code->find('-', start);
    if (dash == std::string::npos) dash = code->size();
    if (dash > start) return code->substr(start, dash - start);
    start = dash + 1;
  }
  return std::nullopt;
}

}  // namespace kelv::core
