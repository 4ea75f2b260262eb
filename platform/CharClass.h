#pragma once
// Character classes of UTF-16 code units. They are the project's own so that every build (glibc,
// MSVCRT, any locale) splits text identically; surrogates are never letters, digits or spaces.

namespace vx {

// ASCII 0-9 only: other scripts' digits are not read as numbers.
bool isDigit(char16_t c);

// A letter of any script in the Basic Multilingual Plane (Unicode categories L*).
bool isLetter(char16_t c);

// White space: the C set (space, TAB, LF, VT, FF, CR) plus the Unicode spaces that may break a
// line (NEL, U+1680, U+2000-U+2006, U+2008-U+200A, U+2028, U+2029, U+205F, U+3000). The
// no-break spaces U+00A0, U+2007 and U+202F are not white space.
bool isSpace(char16_t c);

// Printable (not a control character and not a surrogate) and not a letter, digit or space.
bool isPunct(char16_t c);

// U+0000, U+00A0 (no-break space) or white space: what collapses to one space in text.
bool isSpaceLike(char16_t c);

} // namespace vx
