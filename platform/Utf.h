#pragma once
// Conversions between UTF-8 and the UTF-16 text used everywhere inside the engine. They happen
// only at the edges: file names on POSIX, the command line, engine libraries, HTTP.

#include <string>
#include <string_view>

namespace vx {

// UTF-16 to UTF-8. Surrogate pairs become one four-byte sequence; a lone surrogate becomes
// U+FFFD, so the result is always valid UTF-8.
std::string toUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Characters beyond the BMP become surrogate pairs; every malformed,
// overlong or truncated sequence becomes one U+FFFD.
std::u16string fromUtf8(std::string_view text);

// UTF-16 as the platform's wide characters: unchanged where wchar_t has 16 bits (Windows); where
// it has 32 (POSIX), each surrogate pair becomes one character and a lone surrogate U+FFFD.
std::wstring toWideChars(std::u16string_view text);

// Appends the character c (a Unicode scalar value) as UTF-16: one unit, or a surrogate pair.
void appendUtf16(std::u16string& out, char32_t c);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool isValidUtf8(std::string_view text);

} // namespace vx
