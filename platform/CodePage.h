#pragma once
// UTF-16 text as the bytes of a Windows code page, for engine libraries and web services that
// take narrow text.

#include <string>
#include <string_view>

namespace vx {

// The legacy ("ANSI") code page that code page 0 stands for where the system has none (POSIX):
// the Cyrillic one, which the engine libraries this system drives expect.
inline constexpr unsigned kLegacyCodePage = 1251;
inline constexpr unsigned kUtf8CodePage = 65001;

// text in the given code page (0: the system's legacy code page), up to its first NUL, as a
// C string would be. A character the code page lacks, and a lone surrogate, becomes '?' (in
// UTF-8: U+FFFD); Windows first takes a lookalike from its best-fit table where it has one
// (é → e in CP1251). An unknown code page gives an empty result; so does empty text.
std::string ToMultiByte(std::u16string_view text, unsigned codePage);

// ToMultiByte in UTF-8.
std::string ToUtf8(std::u16string_view text);

namespace platform {

// The system's conversion into a code page other than UTF-8, for text without NUL; empty when
// the system does not know the code page.
std::string encodeInCodePage(std::u16string_view text, unsigned codePage);

} // namespace platform
} // namespace vx
