// A class's Meeting file of any length, made in memory by the real writer: notes with every
// kind of block (headings, lists, a task, a quote, code) and a transcript of alternating "You"
// and "Them" turns of varied length, some long enough to need several subtitles. For the
// export tests and benchmark.
#pragma once

#include <string>

#include "kelv/core/util/date_text.h"

namespace kelv::test {

struct LongClass {
  int turns = 5000;
  double duration = 3 * 3600;  // seconds, the turns spread evenly over it
  std::string title = "Cálculo II — Integrales impropias";
};

// The Meeting file's text.
std::string longClassMarkdown(const LongClass& shape = {});
// The text of the last turn, to look for in an exported document.
std::string longClassLastTurn(const LongClass& shape = {});
// The start of the sample classes: 2025-03-14 09:15:00 UTC.
core::Date longClassStart();

}  // namespace kelv::test
