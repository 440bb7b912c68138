#include "kelv/core/backends/cloud/multipart.h"

#include "kelv/core/util/system_info.h"

namespace kelv::core {
namespace {
constexpr std::string_view kCRLF = "\r\n";
}  // namespace

Multipart::Multipart() : boundary_("kelv-" + randomUUID()) {}

void Multipart::add(std::string_view name, std::string_view value) {
  body_.append("--").append(boundary_).append(kCRLF);
  body_.append("Content-Disposition: form-data; name=\"").append(name).append("\"").append(kCRLF);
  body_.append(kCRLF).append(value).append(kCRLF);
}

void Multipart::addFile(std::string_view name, std::string_view bytes, std::string_view filename,
                        std::string_view type) {
  body_.reserve(body_.size() + bytes.size() + 256);
  body_.append("--").append(boundary_).append(kCRLF);
  body_.append("Content-Disposition: form-data; name=\"").append(name);
  body_.append("\"; filename=\"").append(filename).append("\"").append(kCRLF);
  body_.append("Content-Type: ").append(type).append(kCRLF);
  body_.append(kCRLF).append(bytes).append(kCRLF);
}

std::string Multipart::finished() const {
  std::string result;
  result.reserve(body_.size() + boundary_.size() + 6);
  result.append(body_).append("--").append(boundary_).append("--").append(kCRLF);
  return result;
}

}  // namespace kelv::core
