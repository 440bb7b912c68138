// The formats a class is exported to, named as on the command line and as file extensions.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace kelv::core {

enum class ExportFormat { pdf, srt, vtt, txt };

// "pdf", "srt", "vtt", "txt" (any case); nothing for another name.
std::optional<ExportFormat> exportFormatNamed(std::string_view name);
// The format a file's extension names (".VTT" is WebVTT); nothing for another.
std::optional<ExportFormat> exportFormatOf(const std::filesystem::path& file);
// The name and extension without its dot: "pdf", "srt", "vtt", "txt".
std::string_view exportFormatName(ExportFormat format);

}  // namespace kelv::core
