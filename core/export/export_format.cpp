#include "kelv/core/export/export_format.h"

#include <string>

#include "kelv/core/util/unicode_text.h"

namespace kelv::core {

std::optional<ExportFormat> exportFormatNamed(std::string_view name) {
  const std::string lower = UnicodeText::lowercased(name);
  for (const ExportFormat format :
       {ExportFormat::pdf, ExportFormat::srt, ExportFormat::vtt, ExportFormat::txt})
    if (lower == exportFormatName(format)) return format;
  return std::nullopt;
}

std::optional<ExportFormat> exportFormatOf(const std::filesystem::path& file) {
  const std::string extension = file.extension().string();
  if (extension.size() < 2) return std::nullopt;
  return exportFormatNamed(std::string_view(extension).substr(1));
}

std::string_view exportFormatName(ExportFormat format) {
  switch (format) {
    case ExportFormat::pdf:
      return "pdf";
    case ExportFormat::srt:
      return "srt";
    case ExportFormat::vtt:
      return "vtt";
    case ExportFormat::txt:
      return "txt";
  }
  return "txt";
}

}  // namespace kelv::core
