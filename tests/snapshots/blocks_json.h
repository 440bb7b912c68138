// The parser's blocks as JSON lines, one block per line, so the parser can be checked from
// outside: {"kind":"turn","time":"00:01:05","speaker":"You","text":"…","continued":false}.
#pragma once

#include <string>
#include <vector>

#include "kelv/core/library/meeting_file_blocks.h"

namespace kelv::snapshots {

std::string blockJson(const core::Block& block);

}  // namespace kelv::snapshots
