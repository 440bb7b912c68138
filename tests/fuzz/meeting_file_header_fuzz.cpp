// Meeting file headers from arbitrary leading bytes and names: no crash, and a title that is
// always valid UTF-8 however the bytes were cut.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kelv/core/library/meeting_file_header.h"
#include "kelv/core/util/unicode_text.h"

using namespace kelv::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line is the file name, the rest the file's bytes.
  const size_t feed = input.find('\n');
  const std::string_view name = feed == std::string_view::npos ? input : input.substr(0, feed);
  const std::string_view bytes =
      feed == std::string_view::npos ? std::string_view() : input.substr(feed + 1);
  const auto header = MeetingFileHeader::parse(bytes, name);
  if (header && header->title && !UnicodeText::isValidUtf8(*header->title)) std::abort();
  return 0;
}
