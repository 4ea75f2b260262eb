#pragma once
// The reading stage: rewrites everyday text into the words a reader says before the text
// pipeline cuts and normalizes it. Numbers agree with what they count ("21 книгу": двадцать
// одну книгу), dates, times, years, decimals, units, currencies, phone numbers, ordinals and
// Roman numerals are said in full, abbreviations with inner dots are expanded whole, listed
// acronyms are spelled, symbols are named in context, e-mail and web addresses are read as a
// person reads them, and letters outside the voice's alphabets are folded or dropped. What the
// language's reading rules do not cover is left as it stands for the pipeline.

#include "text/Language.h"

#include <span>
#include <string>
#include <string_view>

namespace vx {

// languages: the voice's languages, the first one the text's. Its reading rules drive the
// stage; a letter that no language of the voice has is folded to one that a language has (é to
// e) or replaced by a space. Throws only std::bad_alloc.
std::u16string readText(std::u16string_view text, std::span<const Language* const> languages);

} // namespace vx
