// The class as plain text: the title, its date and length, the notes with Markdown's inline
// marks taken out (lists keep their bullets, numbers and checkboxes, quotes their ">", code
// its indent) and the transcript, one "[hh:mm:ss] Profe: text" line per turn. Pure; any
// thread.
#pragma once

#include <string>
#include <string_view>

#include "kelv/core/export/exported_meeting.h"

namespace kelv::core::PlainTextExport {

std::string text(const ExportedMeeting& meeting, std::string_view locale = {});

// The inline text without emphasis marks, code ticks and link syntax ("[a](b)" becomes
// "a (b)"); backslash escapes give their character.
std::string withoutMarks(std::string_view text);

}  // namespace kelv::core::PlainTextExport
