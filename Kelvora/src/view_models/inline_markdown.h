// The inline styling of a Meeting file block's text: emphasis, strong, code spans and links
// read as Markdown (with md4c) and written as the small HTML subset Qt's rich text shows.
// Only inline syntax is read: a text that starts like a heading, a list item, a quote or a rule
// stays that text. Raw HTML is never passed through. When the text can't be read it is shown
// plain. Pure functions, safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace kelv::app::InlineMarkdown {

// The text as rich-text HTML; white space kept as written. Links are drawn in linkColor
// ("#rrggbb").
std::string html(std::string_view text, std::string_view linkColor);

// The text escaped for rich text and shown as is, without any styling.
std::string plain(std::string_view text);

}  // namespace kelv::app::InlineMarkdown
