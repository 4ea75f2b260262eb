#include "text/NumberWords.h"

#include <algorithm>
#include <vector>

namespace vx {
namespace {

enum class Count { One, Few, Many };

// 1, 21, 101: one; 2-4, 22-24: few; 0, 5-20, 25-30 and the teens: many.
Count countOf(std::uint64_t value) {
    const std::uint64_t lastTwo = value % 100;
    const std::uint64_t last = value % 10;
    if (lastTwo >= 11 && lastTwo <= 14) {
        return Count::Many;
    }
    return last == 1 ? Count::One : last >= 2 && last <= 4 ? Count::Few : Count::Many;
}

std::uint64_t powerOfThousand(std::size_t order) {
    std::uint64_t power = 1;
    for (std::size_t i = 0; i < order; ++i) {
        power *= 1000;
    }
    return power;
}

std::u16string decimal(std::uint64_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

void append(std::u16string& words, std::u16string_view word) {
    if (!words.empty() && !word.empty()) {
        words += u' ';
    }
    words += word;
}

} // namespace

std::pair<GrammaticalCase, bool> NumberWords::nounForm(std::uint64_t value, GrammaticalCase grammaticalCase,
                                                       const Noun& noun) const {
    if (value >= 1000 && value % 1000 == 0) {
        return {GrammaticalCase::Genitive, true};
    }
    const Count count = countOf(value);
    if (count == Count::One) {
        return {grammaticalCase, false};
    }
    if (grammaticalCase != GrammaticalCase::Nominative && grammaticalCase != GrammaticalCase::Accusative) {
        return {grammaticalCase, true};
    }
    if (count == Count::Few && !noun.adjectival) {
        return rules_.fewForm();
    }
    return {GrammaticalCase::Genitive, true};
}

std::u16string NumberWords::nounWords(std::uint64_t value, GrammaticalCase grammaticalCase, const Noun& noun,
                                     bool pluralOnly) const {
    const auto [formCase, plural] = nounForm(value, grammaticalCase, noun);
    const bool few = countOf(value) == Count::Few && !(value >= 1000 && value % 1000 == 0) &&
                     (grammaticalCase == GrammaticalCase::Nominative || grammaticalCase == GrammaticalCase::Accusative);
    return few && !noun.few.empty() ? noun.few : noun.form(formCase, plural || pluralOnly);
}

std::optional<GrammaticalCase> NumberWords::agreeingCase(std::uint64_t value, const NounForm& form,
                                                         std::span<const GrammaticalCase> candidates) const {
    for (const GrammaticalCase candidate : candidates) {
        if (nounForm(value, candidate, *form.noun) == std::pair(form.grammaticalCase, form.plural)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::u16string NumberWords::cardinal(std::uint64_t value, GrammaticalCase grammaticalCase, Gender gender) const {
    if (value > kLargestNumber) {
        return {};
    }
    if (value == 0) {
        const std::u16string* zero = word(u"0", grammaticalCase);
        return zero ? *zero : std::u16string();
    }
    std::u16string words;
    for (std::size_t order = 3; order >= 1; --order) {
        const auto group = static_cast<unsigned>(value / powerOfThousand(order) % 1000);
        if (group == 0) {
            continue;
        }
        const Noun* scale = rules_.scale(order);
        if (!scale) {
            return {};
        }
        // A reader says "тысяча пятьсот", not "одна тысяча пятьсот".
        if (!(order == 1 && group == 1 && value < 2000)) {
            const std::u16string groupText = groupWords(group, grammaticalCase, scale->gender);
            if (groupText.empty()) {
                return {};
            }
            append(words, groupText);
        }
        append(words, nounWords(group, grammaticalCase, *scale));
    }
    if (const auto units = static_cast<unsigned>(value % 1000)) {
        const std::u16string unitText = groupWords(units, grammaticalCase, gender);
        if (unitText.empty()) {
            return {};
        }
        append(words, unitText);
    }
    return words;
}

std::u16string NumberWords::ordinal(std::uint64_t value, Slot slot) const {
    if (value > kLargestNumber) {
        return {};
    }
    const std::uint64_t lastTwo = value % 100;
    std::uint64_t last = value % 1000;
    if (lastTwo >= 1 && lastTwo <= 19) {
        last = lastTwo;
    } else if (lastTwo >= 20) {
        last = lastTwo % 10 != 0 ? lastTwo % 10 : lastTwo;
    }
    std::u16string head;
    if (value != 0 && last == 0) {
        // Whole thousands (millions, billions) make one word: двухтысячный, from the count as the
        // front of a compound and the ordinal of the scale.
        std::size_t order = 1;
        while (value / powerOfThousand(order) % 1000 == 0) {
            ++order;
        }
        const std::uint64_t count = value / powerOfThousand(order) % 1000;
        if (count != 1) {
            head = combining(static_cast<unsigned>(count));
            if (head.empty()) {
                return {};
            }
        }
        last = count * powerOfThousand(order);
        const std::optional<Ordinal> scale = rules_.ordinal(powerOfThousand(order));
        if (!scale) {
            return {};
        }
        head += scale->inSlot(slot);
    } else {
        const std::optional<Ordinal> ordinal = rules_.ordinal(last);
        if (!ordinal) {
            return {};
        }
        head = ordinal->inSlot(slot);
    }
    std::u16string words;
    if (value > last) {
        words = cardinal(value - last, GrammaticalCase::Nominative);
        if (words.empty()) {
            return {};
        }
    }
    append(words, head);
    return words;
}

std::vector<Slot> NumberWords::ordinalSlotsEndingWith(std::uint64_t value, std::u16string_view suffix) const {
    std::vector<Slot> slots;
    for (const Gender gender : {Gender::Masculine, Gender::Feminine, Gender::Neuter, Gender::Plural}) {
        for (std::size_t c = 0; c < kCaseCount; ++c) {
            const Slot slot{static_cast<GrammaticalCase>(c), gender};
            const std::u16string words = ordinal(value, slot);
            if (!words.empty() && words.ends_with(suffix)) {
                slots.push_back(slot);
            }
        }
    }
    return slots;
}

std::vector<GrammaticalCase> NumberWords::cardinalCasesEndingWith(std::uint64_t value, std::u16string_view suffix) const {
    std::vector<GrammaticalCase> cases;
    for (std::size_t c = 0; c < kCaseCount; ++c) {
        const std::u16string words = cardinal(value, static_cast<GrammaticalCase>(c));
        if (!words.empty() && words.ends_with(suffix)) {
            cases.push_back(static_cast<GrammaticalCase>(c));
        }
    }
    return cases;
}

// The keys of the words of 1-999: hundreds, tens, then units, one and two in the gender.
std::vector<std::u16string> NumberWords::groupKeys(unsigned group, Gender gender) {
    std::vector<std::u16string> keys;
    if (group >= 100) {
        keys.push_back(decimal(group / 100 * 100));
    }
    unsigned rest = group % 100;
    if (rest >= 20) {
        keys.push_back(decimal(rest / 10 * 10));
        rest %= 10;
    }
    if (rest == 1 && gender == Gender::Feminine) {
        keys.emplace_back(u"1f");
    } else if (rest == 1 && gender == Gender::Neuter) {
        keys.emplace_back(u"1n");
    } else if (rest == 2 && gender == Gender::Feminine) {
        keys.emplace_back(u"2f");
    } else if (rest != 0) {
        keys.push_back(decimal(rest));
    }
    return keys;
}

std::u16string NumberWords::groupWords(unsigned group, GrammaticalCase grammaticalCase, Gender gender) const {
    std::u16string words;
    for (const std::u16string& key : groupKeys(group, gender)) {
        const std::u16string* found = word(key, grammaticalCase);
        if (!found) {
            return {};
        }
        append(words, *found);
    }
    return words;
}

std::u16string NumberWords::combining(unsigned value) const {
    std::u16string front;
    for (const std::u16string& key : groupKeys(value % 1000, Gender::Masculine)) {
        const std::u16string* found = rules_.combiningForm(key);
        found = found ? found : word(key, GrammaticalCase::Genitive);
        if (!found) {
            return {};
        }
        front += *found;
    }
    return front;
}

const std::u16string* NumberWords::word(std::u16string_view key, GrammaticalCase grammaticalCase) const {
    const CaseForms* forms = rules_.cardinal(key);
    return forms ? &(*forms)[static_cast<std::size_t>(grammaticalCase)] : nullptr;
}

} // namespace vx
