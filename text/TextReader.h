#pragma once
// The reading stage: rewrites everyday text into the words a reader says before the text
// pipeline cuts and normalizes it. Numbers agree with what they count ("21 книгу": двадцать
// одну книгу), dates, times, years, decimals, units, currencies, phone numbers, ordinals and
// Roman numerals are said in full, abbreviations with inner dots are expanded whole, listed
// acronyms are spelled, symbols are named in context, e-mail and web addresses are read as a
// person reads them, and letters outside the voice's alphabets are folded or dropped. What the
// language's reading rules do not cover is left as it stands for the pipeline.

#include "text/Language.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vx {

// Where the stretches of a read text came from in the text that was read: a copied stretch
// character by character, the words said for a number or an abbreviation from the whole of
// what they were said for.
class ReadingMap {
public:
    // The span [begin, end) of the original text that the read text's [begin, end) came from.
    std::pair<std::uint32_t, std::uint32_t> source(std::uint32_t begin, std::uint32_t end) const;

    // Filled by the reading stage: positions in the folded text (letters folded, invisible marks
    // dropped) for each of its characters in the original, then the stretches of the read text.
    void setFolding(std::vector<std::uint32_t> originalOf) { originalOf_ = std::move(originalOf); }
    void addStretch(std::uint32_t readBegin, std::uint32_t readEnd, std::uint32_t foldedBegin, std::uint32_t foldedEnd,
                    bool copied);
    // Widens the last stretch to end at readEnd (a full stop said after an abbreviation).
    void extendLast(std::uint32_t readEnd);

private:
    struct Stretch {
        std::uint32_t readBegin, readEnd, foldedBegin, foldedEnd;
        bool copied;
    };
    std::uint32_t foldedAt(std::uint32_t read, bool isEnd) const;

    std::vector<std::uint32_t> originalOf_;
    std::vector<Stretch> stretches_;
};

// languages: the voice's languages, the first one the text's. Its reading rules drive the
// stage; a letter that no language of the voice has is folded to one that a language has (é to
// e) or replaced by a space. map, when given, is filled with where the result came from. Throws
// only std::bad_alloc.
std::u16string readText(std::u16string_view text, std::span<const Language* const> languages,
                        ReadingMap* map = nullptr);

} // namespace vx
