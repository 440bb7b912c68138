// Any bytes as a Meeting file: the reader never crashes and every block's text is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kelv/core/library/meeting_file_blocks.h"
#include "kelv/core/util/unicode_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& block : kelv::core::MeetingFileBlocks::forTitle(text, "Clase", "es")) {
    if (!kelv::core::UnicodeText::isValidUtf8(block.text)) std::abort();
    for (const auto& field : block.fields)
      if (!kelv::core::UnicodeText::isValidUtf8(field)) std::abort();
  }
  return 0;
}
