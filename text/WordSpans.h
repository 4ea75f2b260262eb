#pragma once
// Which words of a normalized text stand for which words of the text they were made from: what
// turns a module's word position back into the caller's.

#include "text/Language.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vx {

// A word of a normalized text and the span [sourceBegin, sourceEnd) of the text it came from.
struct WordSpan {
    std::uint32_t offset = 0; // in the normalized text
    std::uint32_t length = 0;
    std::uint32_t sourceBegin = 0;
    std::uint32_t sourceEnd = 0;
    // When the word begins a sentence inside its portion (short texts are spoken as one portion
    // however many sentences they hold): that sentence's span; empty otherwise.
    std::uint32_t sentenceBegin = 0;
    std::uint32_t sentenceEnd = 0;
    bool operator==(const WordSpan&) const = default;
};

// The words of output (apart by single spaces) paired with the words of source, a text at
// sourceOffset that output was made from (apart by any white space). A word that the
// normalization kept (lowered by language, its punctuation aside) stands for its own source word;
// the words between two kept ones stand for the source words between them (a number and its
// words, an abbreviation and its expansion), or for the source word before them when they were
// added. Looks at most a few words ahead, so it is linear in the words.
std::vector<WordSpan> alignWords(std::u16string_view output, std::u16string_view source, std::uint32_t sourceOffset,
                                 const Language& language);

} // namespace vx
