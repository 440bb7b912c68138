// Byte-wise text primitives for the protocol and file-format texts that are ASCII by
// definition: header names, URL schemes and hosts, hex digests, file extensions, identifiers,
// stored truth values. They never look at the C locale, so they read the same in the
// application (which sets the user's locale) and in the tool. Bytes outside ASCII pass through
// unchanged. Human text goes through UnicodeText instead. Pure; safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace kelv::core::AsciiText {

// The blanks of the C locale's isspace: space, tab, line feed, vertical tab, form feed and
// carriage return.
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

// A to Z become a to z; every other byte stays.
std::string lowercased(std::string_view text);

// The text without any of `characters` at either end; empty when nothing else is left.
std::string_view trimmed(std::string_view text, std::string_view characters = kWhiteSpace);

}  // namespace kelv::core::AsciiText
