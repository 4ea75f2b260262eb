#pragma once
// String helpers shared by the configuration readers, the module settings and the text
// pipeline. Operations that cut a string append their pieces to the caller's vector and return
// how many they appended.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vx::TextUtil {

// The white space that trim removes: space, CR, LF, TAB, BEL, BS, FF, VT.
inline constexpr std::u16string_view kTrimSet = u" \r\n\t\a\b\f\v";

// trimChars with kTrimSet.
std::u16string trim(std::u16string_view text);

// The text without its leading and trailing characters that belong to set; unchanged when the
// text or the set is empty; empty when every character belongs to the set.
std::u16string trimChars(std::u16string_view text, std::u16string_view set);

// Cuts text at every character of delimiters. A piece runs up to the next delimiter, which it
// includes when keepDelimiters is set; adjacent delimiters give empty pieces, a trailing rest is
// a piece only when not empty. Pieces longer than maxLength (when not 0) are cut further by
// chunk. A one-character text is one piece; with no delimiters the text is one piece (chunked).
std::size_t split(std::u16string_view text, std::u16string_view delimiters,
                  std::vector<std::u16string>& out, std::size_t maxLength, bool keepDelimiters);

// Cuts text into pieces of at most maxLength characters. Unless fixed, each cut moves back to
// the last break character (space, TAB, BEL, LF, CR and , ; . ! ?) after the piece's start at or
// before the cut, and that character begins the next piece. maxLength 0 gives the text whole.
std::size_t chunk(std::u16string_view text, std::vector<std::u16string>& out, std::size_t maxLength,
                  bool fixed);

// Cuts text into maximal runs of digits, of letters and of other characters.
std::size_t splitRuns(std::u16string_view text, std::vector<std::u16string>& out);

// Each run of space-like characters followed by another character becomes one space; a run at
// the end is dropped. Texts shorter than two characters are returned unchanged.
std::u16string collapseSpaces(std::u16string_view text);

// Keeps the characters in keep, letters (keepLetters) and digits (keepDigits); every other
// character becomes replacement, or is dropped when replacement is 0. Empty for an empty text,
// and for an empty keep set with both flags off.
std::u16string filterChars(std::u16string_view text, std::u16string_view keep, char16_t replacement,
                           bool keepLetters, bool keepDigits);

// True for an empty text or one of space-like characters only.
bool isBlank(std::u16string_view text);

// True for a non-empty text of ASCII digits only.
bool isAllDigits(std::u16string_view text);

// The 33 Russian capitals and A-Z lowered; every other character unchanged.
std::u16string lowerCyrillicLatin(std::u16string_view text);

// A number read like the C runtime's _wtoi (leading white space, an optional sign, the leading
// digits, 0 when there are none), except that it saturates at the int range instead of
// overflowing.
int toInt(std::u16string_view text);

} // namespace vx::TextUtil
