#pragma once
// Number words that agree with what they count: cardinals in any case and gender ("двадцать
// одну", "двух тысяч"), ordinals in any slot ("две тысячи пятом"), and the form a counted noun
// takes after a number. All words come from a language's reading rules.

#include "text/ReadingRules.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// The largest number read as words; longer digit runs are left to be read group by group.
inline constexpr std::uint64_t kLargestNumber = 999'999'999'999;

// The value of a run of ASCII digits (at most 19 of them).
constexpr std::uint64_t valueOfDigits(std::u16string_view digits) {
    std::uint64_t value = 0;
    for (const char16_t c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return value;
}

class NumberWords {
public:
    explicit NumberWords(const ReadingRules& rules) : rules_(rules) {}

    // The case and number (true: plural) of a noun counted by value when the number stands in
    // grammaticalCase: one book, two (few) books, five (many) books, and in the oblique cases the
    // plural of the case. After whole thousands the noun counts the thousands (genitive plural).
    std::pair<GrammaticalCase, bool> nounForm(std::uint64_t value, GrammaticalCase grammaticalCase,
                                              const Noun& noun) const;
    // The words of that form, or of the noun's own form after two to four where it has one.
    std::u16string nounWords(std::uint64_t value, GrammaticalCase grammaticalCase, const Noun& noun,
                             bool pluralOnly = false) const;
    // The case in which value agrees with a noun standing in the given form, trying the cases in
    // candidates order; nullopt when none agrees.
    std::optional<GrammaticalCase> agreeingCase(std::uint64_t value, const NounForm& form,
                                                std::span<const GrammaticalCase> candidates) const;

    // value (at most kLargestNumber) in words, in the case, with one and two in the gender;
    // 1000-1999 without the word for one ("тысяча пятьсот"). Empty when a word is missing from
    // the data.
    std::u16string cardinal(std::uint64_t value, GrammaticalCase grammaticalCase,
                            Gender gender = Gender::Masculine) const;
    // The ordinal of value in the slot: the cardinal with its last word made ordinal ("две
    // тысячи пятом"), round thousands as one word ("двухтысячном"). Empty when a word is missing.
    std::u16string ordinal(std::uint64_t value, Slot slot) const;

    // value (1-999) as the front of a compound: "двух" of двухкомнатная, "одно", "сто"; empty when
    // a word is missing.
    std::u16string combining(unsigned value) const;

    // The slots in which the ordinal of value ends with suffix ("м" of "2-м": вторым, втором, ...),
    // in slot order: masculine, feminine, neuter, plural, each nominative to prepositional.
    std::vector<Slot> ordinalSlotsEndingWith(std::uint64_t value, std::u16string_view suffix) const;
    // The cases in which the cardinal of value ends with suffix ("ти" of "5-ти": пяти).
    std::vector<GrammaticalCase> cardinalCasesEndingWith(std::uint64_t value, std::u16string_view suffix) const;

private:
    std::u16string groupWords(unsigned group, GrammaticalCase grammaticalCase, Gender gender) const;
    static std::vector<std::u16string> groupKeys(unsigned group, Gender gender);
    const std::u16string* word(std::u16string_view key, GrammaticalCase grammaticalCase) const;

    const ReadingRules& rules_;
};

} // namespace vx
