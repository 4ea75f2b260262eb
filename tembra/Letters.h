#pragma once
// What the built-in voice's parts ask of a character of its text: a small Russian letter, a
// vowel, a punctuation mark and the kind of phrase it ends.

#include <cstdint>

namespace vx::tembra {

// а..я and ё.
constexpr bool isRussianLetter(char16_t c) { return (c >= u'а' && c <= u'я') || c == u'ё'; }

constexpr bool isVowel(char16_t c) {
    // а е и о у ы э ю я as bits of their offsets from а, and ё.
    constexpr std::uint32_t kVowels =
        1U << 0 | 1U << 5 | 1U << 8 | 1U << 14 | 1U << 19 | 1U << 27 | 1U << 29 | 1U << 30 | 1U << 31;
    return (c >= u'а' && c <= u'я' && ((kVowels >> (c - u'а')) & 1U) != 0) || c == u'ё';
}

// The punctuation that ends a phrase for the voice: . , ! ? ; :
constexpr bool isPhraseEnd(char16_t c) {
    return c == u'.' || c == u',' || c == u'!' || c == u'?' || c == u';' || c == u':';
}

enum class PhraseKind : std::uint8_t { Statement, Comma, Question };

// The kind of phrase that the mark c (isPhraseEnd) ends.
constexpr PhraseKind phraseKindOf(char16_t c) {
    return c == u'?' ? PhraseKind::Question : c == u',' ? PhraseKind::Comma : PhraseKind::Statement;
}

} // namespace vx::tembra
