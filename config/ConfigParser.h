#pragma once
// The line syntax shared by every configuration and dictionary file: UTF-16LE text, "key = value"
// entries, "[section]" headers, comment lines starting with ";" or "#". Files are streamed to a
// ConfigHandler entry by entry; nothing is kept.

#include "config/ConfigHandler.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vx::ConfigParser {

// Lines are read at most this many characters at a time; the rest of a longer line is read as
// the next line. This is part of the file format.
inline constexpr std::size_t kMaxLineLength = 1023;

// Whether "[name]" lines are section headers (configuration files) or ordinary lines (user
// dictionaries, which have no sections).
enum class Headers { Sections, None };

// Reads the file at path and delivers its entries to handler. True when the file was read to
// its end; false when it could not be opened or when anything threw while reading (entries
// already delivered stay delivered). A file that is plainly not UTF-16LE is still read, but
// the log names it, since none of its lines can mean what the user wrote.
bool loadFile(const std::u16string& path, ConfigHandler& handler, Headers headers = Headers::Sections);

// loadFile on bytes already in memory; path is only passed on to the handler.
bool loadBytes(const unsigned char* bytes, std::size_t size, const std::u16string& path,
               ConfigHandler& handler, Headers headers = Headers::Sections);

// True when the bytes cannot be UTF-16LE configuration text: an odd length, or no code unit
// below U+0100 (every line feed, "=", space and ASCII character is one in UTF-16LE, while 8-bit
// text read in pairs of bytes never gives one).
bool looksLikeOtherEncoding(const unsigned char* bytes, std::size_t size);

// Splits one line (or one value) at its first separator character into a trimmed, unescaped key
// and a value without leading and trailing spaces, tabs and double quotes. False for an empty
// line or separator set, and for a line with no separator or nothing after it. Separators at the
// end of the line are dropped ("a=b=" has the value "b"). A first piece of exactly "\" makes the
// key the separator itself ("\==x" has the key "=").
bool parseEntry(std::u16string_view line, std::u16string& key, std::u16string& value,
                std::u16string_view separators);

// The key with its backslash escapes resolved: "\c" is c, "\uXXXX" is the code unit of the four
// characters read as hexadecimal (as wcstol reads them), a lone trailing "\" and an incomplete
// "\u" at the end are dropped.
std::u16string unescape(std::u16string_view key);

} // namespace vx::ConfigParser
