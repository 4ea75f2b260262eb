// Numbers in context: a number agrees in case and gender with the noun it counts or the unit
// written after it, and with the preposition before it; thousands may be written apart
// ("21 000"), decimals with a comma, signs before, ranges between two numbers, ordinal endings
// after a hyphen ("2-м"), currency signs before ("$5"). Phone numbers are read group by group,
// Roman numerals as ordinals.

#include "platform/CharClass.h"
#include "text/ReadingTopics.h"

#include <algorithm>
#include <array>

namespace vx {
namespace {

using enum GrammaticalCase;

constexpr std::array<GrammaticalCase, kCaseCount> kAllCases = {Nominative, Accusative, Genitive,
                                                               Dative,     Instrumental, Prepositional};
constexpr std::size_t kShortestPhone = 7;     // digits
constexpr std::size_t kLongestPhone = 8;      // groups: a longer list of numbers is no phone number
constexpr std::size_t kLongestNumeral = 15;   // letters of a Roman numeral (MMMDCCCLXXXVIII)

bool isGroupSpace(char16_t c) { return c == u' ' || c == u'\u00A0' || c == u'\u202F' || c == u'\u2009'; }
bool isDash(char16_t c) { return c == u'-' || c == u'\u2013' || c == u'\u2014'; }
bool isSign(char16_t c) { return c == u'-' || c == u'\u2212' || c == u'+'; }

// A number as written: its whole part (thousands possibly apart) and its decimal digits.
struct Quantity {
    std::uint64_t whole = 0;
    std::u16string_view fraction;
    std::size_t end = 0;
};

// The cases a number may stand in: those the preposition before it governs first.
std::vector<GrammaticalCase> candidateCases(std::span<const GrammaticalCase> governed) {
    std::vector<GrammaticalCase> cases(governed.begin(), governed.end());
    for (const GrammaticalCase grammaticalCase : kAllCases) {
        if (std::ranges::find(cases, grammaticalCase) == cases.end()) {
            cases.push_back(grammaticalCase);
        }
    }
    return cases;
}

Slot slotOf(const NounForm& form) {
    return {form.grammaticalCase, form.plural ? Gender::Plural : form.noun->gender};
}

// The reading of a noun that the preposition before it governs, else its first reading.
const NounForm& governedForm(std::span<const NounForm> forms, std::span<const GrammaticalCase> governed) {
    for (const NounForm& form : forms) {
        if (std::ranges::find(governed, form.grammaticalCase) != governed.end()) {
            return form;
        }
    }
    return forms.front();
}

// The value of a Roman numeral written in its usual form (XIX, not XVIIII); 0 for anything else.
unsigned romanValue(std::u16string_view word) {
    if (word.size() > kLongestNumeral) {
        return 0;
    }
    constexpr std::u16string_view kLetters = u"IVXLCDM";
    constexpr std::array<unsigned, 7> kValues = {1, 5, 10, 50, 100, 500, 1000};
    unsigned value = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const std::size_t letter = kLetters.find(word[i]);
        if (letter == std::u16string_view::npos) {
            return 0;
        }
        const std::size_t next = i + 1 < word.size() ? kLetters.find(word[i + 1]) : std::u16string_view::npos;
        const bool subtracts = next != std::u16string_view::npos && kValues[next] > kValues[letter];
        value = subtracts ? value - kValues[letter] : value + kValues[letter];
    }
    return value;
}

std::u16string romanOf(unsigned value) {
    constexpr std::array<std::pair<unsigned, std::u16string_view>, 13> kParts = {{{1000, u"M"}, {900, u"CM"}, {500, u"D"},
                                                                               {400, u"CD"}, {100, u"C"}, {90, u"XC"},
                                                                               {50, u"L"}, {40, u"XL"}, {10, u"X"},
                                                                               {9, u"IX"}, {5, u"V"}, {4, u"IV"},
                                                                               {1, u"I"}}};
    std::u16string out;
    for (const auto& [part, letters] : kParts) {
        for (; value >= part; value -= part) {
            out += letters;
        }
    }
    return out;
}

class NumberReader {
public:
    explicit NumberReader(ReadingCursor& cursor)
        : cursor_(cursor), rules_(cursor.rules()), numbers_(cursor.numbers()), start_(cursor.position()) {}

    bool read();

private:
    // What is written after a number: a unit (and after a scale unit such as тыс. a second one),
    // or a known noun.
    struct Counted {
        std::optional<Unit> unit;
        std::optional<Unit> secondUnit;
        ReadingCursor::NounAfter noun;
        std::size_t end = 0;
    };

    // The cases a number at i may take from what stands before it: the case of a quantity said
    // right before it ("4 ч 30 мин"), else the cases of the preposition (or other governing word).
    std::vector<GrammaticalCase> governedAt(std::size_t i) const;
    // The first governed case, else fallback; with preferred, the first of those governed.
    GrammaticalCase governedCase(GrammaticalCase fallback, std::initializer_list<GrammaticalCase> preferred = {}) const;
    // The case of a number with its unit: after a preposition of both (в), an amount is in the
    // accusative (обойдётся в 1 890 руб.), a distance in the prepositional (в 5 км от города).
    GrammaticalCase unitCase(std::size_t unitEnd) const;
    // A year or century written with its abbreviation takes the genitive after a word that
    // governs nothing (к концу 2025 г., истории XIX в.), else the governed case.
    GrammaticalCase abbreviatedYearCase() const;

    bool readPhone();
    bool readRoman();
    bool readQuantity(std::size_t digitsAt, std::u16string_view sign, std::optional<Unit> prefixUnit);
    std::optional<Quantity> quantityAt(std::size_t i) const;
    Counted countedAfter(std::size_t i, std::optional<Unit> prefixUnit, std::uint64_t value) const;
    std::optional<std::pair<Unit, std::size_t>> unitAfter(std::size_t i) const;

    std::u16string decimalWords(const Quantity& quantity, const Counted& counted);
    struct Suffixed {
        std::u16string words;
        Slot slot;           // the case and gender the number was said in
        bool ordinal = true; // false for "5-ти", "2-х"
    };
    Suffixed suffixedWords(std::uint64_t value, std::u16string_view suffix, std::size_t after) const;
    std::optional<std::u16string> yearWords(std::uint64_t first, std::optional<std::uint64_t> last,
                                            const Counted& counted) const;
    std::u16string cardinalWords(std::uint64_t first, std::optional<std::uint64_t> last, const Counted& counted);
    std::u16string unitWords(const Unit& unit, GrammaticalCase grammaticalCase, bool plural) const;
    std::optional<Slot> romanSlot(std::size_t begin, std::size_t end) const;
    std::u16string compoundWords(std::uint64_t value, std::u16string_view word) const;

    ReadingCursor& cursor_;
    const ReadingRules& rules_;
    const NumberWords& numbers_;
    std::size_t start_;
    std::vector<GrammaticalCase> governed_; // set once a number or numeral is found at start_
    GrammaticalCase said_ = Nominative; // the case the last cardinal or decimal was said in
};

std::vector<GrammaticalCase> NumberReader::governedAt(std::size_t i) const {
    if (const std::optional<GrammaticalCase> inherited = cursor_.caseOfQuantityBefore(i)) {
        return {*inherited};
    }
    const std::span<const GrammaticalCase> cases = cursor_.casesGovernedBefore(i);
    return {cases.begin(), cases.end()};
}

GrammaticalCase NumberReader::governedCase(GrammaticalCase fallback, std::initializer_list<GrammaticalCase> preferred) const {
    for (const GrammaticalCase grammaticalCase : preferred) {
        if (std::ranges::find(governed_, grammaticalCase) != governed_.end()) {
            return grammaticalCase;
        }
    }
    return governed_.empty() ? fallback : governed_.front();
}

GrammaticalCase NumberReader::unitCase(std::size_t unitEnd) const {
    const bool place = rules_.marksDistance(lowerLetters(cursor_.text().substr(
        unitEnd + cursor_.spacesAt(unitEnd), cursor_.lettersAt(unitEnd + cursor_.spacesAt(unitEnd)))));
    return place ? governedCase(Nominative, {Prepositional}) : governedCase(Nominative, {Accusative});
}

GrammaticalCase NumberReader::abbreviatedYearCase() const {
    if (!governed_.empty()) {
        return governed_.front();
    }
    const std::size_t wordStart = cursor_.wordStartBefore(start_);
    return wordStart < start_ && !cursor_.isCapitalAt(wordStart) ? Genitive : Nominative;
}

bool NumberReader::read() {
    const char16_t c = cursor_.at(start_);
    if (isDigit(c)) {
        return readPhone() || readQuantity(start_, {}, std::nullopt);
    }
    if (isSign(c) && isDigit(cursor_.at(start_ + 1))) {
        if (c == u'+' && readPhone()) {
            return true;
        }
        // A hyphen after a word or a number joins (Ту-154, 5-7); only one that stands apart is a minus.
        const char16_t before = start_ == 0 ? u' ' : cursor_.at(start_ - 1);
        if (isLetter(before) || isDigit(before) || cursor_.language().isLetter(before)) {
            return false;
        }
        const std::u16string sign = cursor_.symbolWords(c == u'+' ? u'+' : u'\u2212');
        return !sign.empty() && readQuantity(start_ + 1, sign, std::nullopt);
    }
    if (const auto prefix = isLetter(c) ? std::nullopt : rules_.unitAt(cursor_.text().substr(start_))) {
        const std::size_t digits = start_ + prefix->second + cursor_.spacesAt(start_ + prefix->second);
        return isDigit(cursor_.at(digits)) && readQuantity(digits, {}, prefix->first);
    }
    return c >= u'A' && c <= u'Z' && readRoman();
}

// "+7 495 123-45-67", "8 (800) 555-35-35", "123-45-67": a plus, a parenthesis or two hyphens
// tell a phone number from a list of numbers.
bool NumberReader::readPhone() {
    std::size_t i = start_ + (cursor_.at(start_) == u'+' ? 1 : 0);
    std::vector<std::u16string_view> groups;
    std::size_t digits = 0;
    std::size_t hyphens = 0;
    bool parenthesis = false;
    std::size_t end = i;
    // Bounded, so that a long list of numbers is not searched again from each of its numbers.
    while (const std::size_t length = groups.size() <= kLongestPhone ? cursor_.digitsAt(i) : 0) {
        groups.push_back(cursor_.text().substr(i, length));
        digits += length;
        end = i + length;
        std::size_t next = end;
        for (std::size_t separators = 0; separators < 2 && (cursor_.at(next) == u' ' || cursor_.at(next) == u'-' ||
                                                            cursor_.at(next) == u'(' || cursor_.at(next) == u')');
             ++separators, ++next) {
            hyphens += cursor_.at(next) == u'-' ? 1 : 0;
            parenthesis = parenthesis || cursor_.at(next) == u'(';
        }
        if (next == end || !isDigit(cursor_.at(next))) {
            break;
        }
        i = next;
    }
    const bool plus = cursor_.at(start_) == u'+';
    if (groups.size() < 3 || groups.size() > kLongestPhone || digits < kShortestPhone || !(plus || parenthesis || hyphens >= 2) ||
        isDigit(cursor_.at(end))) {
        return false;
    }
    std::u16string words = plus ? cursor_.symbolWords(u'+') : std::u16string();
    for (const std::u16string_view group : groups) {
        // Leading zeros are said one by one: 05 is "ноль пять".
        std::size_t zeros = 0;
        for (; zeros + 1 < group.size() && group[zeros] == u'0'; ++zeros) {
            words += u' ';
            words += numbers_.cardinal(0, Nominative);
        }
        const std::u16string rest = numbers_.cardinal(valueOfDigits(group.substr(zeros)), Nominative);
        if (rest.empty()) {
            return false;
        }
        words += u' ';
        words += rest;
    }
    cursor_.say(words, end);
    return true;
}

std::optional<Quantity> NumberReader::quantityAt(std::size_t i) const {
    const std::size_t length = cursor_.digitsAt(i);
    // Leading zeros and very long runs are left to the pipeline, which reads them digit group by
    // digit group.
    if (length == 0 || length > 12 || (length > 1 && cursor_.at(i) == u'0')) {
        return std::nullopt;
    }
    Quantity quantity{valueOfDigits(cursor_.text().substr(i, length)), {}, i + length};
    if (length <= 3) {
        while (isGroupSpace(cursor_.at(quantity.end)) && cursor_.digitsAt(quantity.end + 1) == 3 &&
               quantity.whole * 1000 <= kLargestNumber) {
            quantity.whole = quantity.whole * 1000 + valueOfDigits(cursor_.text().substr(quantity.end + 1, 3));
            quantity.end += 4;
        }
    }
    const char16_t point = cursor_.at(quantity.end);
    const std::size_t decimals = cursor_.digitsAt(quantity.end + 1);
    const std::size_t after = quantity.end + 1 + decimals;
    // 1,2,3 is a list and 192.168.1.1 an address, not decimals.
    if ((point == u',' || point == u'.') && decimals > 0 &&
        !((cursor_.at(after) == u',' || cursor_.at(after) == u'.') && isDigit(cursor_.at(after + 1)))) {
        quantity.fraction = cursor_.text().substr(quantity.end + 1, decimals);
        quantity.end = after;
    }
    return quantity;
}

bool NumberReader::readQuantity(std::size_t digitsAt, std::u16string_view sign, std::optional<Unit> prefixUnit) {
    const std::optional<Quantity> quantity = quantityAt(digitsAt);
    if (!quantity) {
        return false;
    }
    governed_ = governedAt(start_);
    std::size_t end = quantity->end;
    std::optional<std::uint64_t> last;
    // A range: 5-7, 5–7, 1941 — 1945.
    if (quantity->fraction.empty()) {
        const std::size_t dash = end + (cursor_.at(end) == u'-' ? 0 : cursor_.spacesAt(end));
        const std::size_t next = dash + 1 + (cursor_.at(dash) == u'-' ? 0 : cursor_.spacesAt(dash + 1));
        if (isDash(cursor_.at(dash)) && isDigit(cursor_.at(next))) {
            const std::optional<Quantity> second = quantityAt(next);
            if (second && second->fraction.empty() && second->whole > quantity->whole) {
                last = second->whole;
                end = second->end;
            }
        }
    }
    std::u16string words;
    std::size_t wordsEnd = end;
    const std::size_t suffixLength = cursor_.at(end) == u'-' ? cursor_.lettersAt(end + 1) : 0;
    const std::u16string_view suffix = suffixLength > 0 ? cursor_.text().substr(end + 1, suffixLength) : std::u16string_view();
    const bool isEnding = suffixLength >= 1 && std::ranges::all_of(suffix, [&](char16_t c) {
        return lowerLetter(c) == c && cursor_.language().isLetter(c);
    });
    if (quantity->fraction.empty() && !last && isEnding) {
        wordsEnd = end + 1 + suffixLength;
        if (suffixLength > 3) {
            words = compoundWords(quantity->whole, suffix);
        } else if (const Suffixed suffixed = suffixedWords(quantity->whole, suffix, wordsEnd); !suffixed.words.empty()) {
            words = suffixed.words;
            // "1990-х гг.", "на 47-м км": a unit after the number in the number's case.
            if (const auto unit = unitAfter(wordsEnd); unit && unit->first.noun) {
                words += u' ' + (suffixed.ordinal ? unitWords(unit->first, suffixed.slot.grammaticalCase,
                                                              suffixed.slot.gender == Gender::Plural || unit->first.pluralOnly)
                                                  : numbers_.nounWords(quantity->whole, suffixed.slot.grammaticalCase,
                                                                       *unit->first.noun, unit->first.pluralOnly));
                wordsEnd += unit->second;
            }
        }
    } else {
        const Counted counted = countedAfter(end, prefixUnit, last.value_or(quantity->whole));
        if (!quantity->fraction.empty()) {
            words = decimalWords(*quantity, counted);
        } else if (const std::optional<std::u16string> year = yearWords(quantity->whole, last, counted)) {
            words = *year;
        } else {
            words = cardinalWords(quantity->whole, last, counted);
        }
        if (counted.unit) {
            wordsEnd = counted.end;
            cursor_.rememberQuantity(wordsEnd, said_);
        }
    }
    if (words.empty()) {
        return false;
    }
    if (!sign.empty()) {
        words = std::u16string(sign) + u' ' + words;
    }
    cursor_.sayAbbreviated(words, wordsEnd);
    return true;
}

// A unit written with a dot and followed by a number is a title of that number instead ("ч. 2
// ст. 15": part two, article fifteen).
std::optional<std::pair<Unit, std::size_t>> NumberReader::unitAfter(std::size_t i) const {
    const std::size_t at = i + cursor_.spacesAt(i);
    auto unit = rules_.unitAt(cursor_.text().substr(at));
    if (!unit) {
        return unit;
    }
    const std::size_t end = at + unit->second;
    if (cursor_.at(end - 1) == u'.' && isDigit(cursor_.at(end + cursor_.spacesAt(end)))) {
        return std::nullopt;
    }
    unit->second += at - i;
    return unit;
}

NumberReader::Counted NumberReader::countedAfter(std::size_t i, std::optional<Unit> prefixUnit,
                                                 std::uint64_t value) const {
    Counted counted;
    counted.end = i;
    auto unit = unitAfter(i);
    // "4 г." is four grams: only a number that may be a year is one before "г.".
    if (unit && unit->first.noun && unit->first.noun == rules_.year() && value < 100) {
        const std::size_t at = i + cursor_.spacesAt(i);
        unit = rules_.unitAt(cursor_.text().substr(at, unit->second - (at - i) - 1));
        if (unit) {
            unit->second += at - i;
        }
    }
    if (unit) {
        counted.unit = unit->first;
        counted.end = i + unit->second;
        // After тыс., млн: "тыс. руб." counts roubles by the thousand.
        const bool scale = unit->first.noun && (unit->first.noun == rules_.scale(1) || unit->first.noun == rules_.scale(2) ||
                                                unit->first.noun == rules_.scale(3));
        if (const auto second = scale && !prefixUnit ? unitAfter(counted.end) : std::nullopt) {
            counted.secondUnit = second->first;
            counted.end += second->second;
        } else if (scale) {
            counted.secondUnit = prefixUnit;
        }
    } else if (prefixUnit) {
        counted.unit = prefixUnit;
    } else {
        counted.noun = cursor_.nounAfter(i);
    }
    return counted;
}

// 3,14: "три целых четырнадцать сотых", both parts in the case the preposition before it calls
// for; a unit after a decimal is in the genitive singular.
std::u16string NumberReader::decimalWords(const Quantity& quantity, const Counted& counted) {
    const Noun* whole = rules_.whole();
    const Noun* fraction = rules_.fraction(quantity.fraction.size());
    if (!whole || !fraction) {
        return {};
    }
    said_ = counted.unit ? unitCase(counted.end) : governedCase(Nominative, {Accusative});
    const std::uint64_t part = valueOfDigits(quantity.fraction);
    const auto [wholeCase, wholePlural] = numbers_.nounForm(quantity.whole, said_, *whole);
    const auto [partCase, partPlural] = numbers_.nounForm(part, said_, *fraction);
    std::u16string words = numbers_.cardinal(quantity.whole, said_, whole->gender);
    const std::u16string partWords = numbers_.cardinal(part, said_, fraction->gender);
    if (words.empty() || partWords.empty()) {
        return {};
    }
    words += u' ' + whole->form(wholeCase, wholePlural) + u' ' + partWords + u' ' + fraction->form(partCase, partPlural);
    if (counted.unit) {
        words += u' ' + unitWords(*counted.unit, Genitive, false);
    }
    if (counted.secondUnit) {
        words += u' ' + unitWords(*counted.secondUnit, Genitive, true);
    }
    return words;
}

// "2-м этаже": the ending and the noun choose the form; "5-ти", "2-х" are cardinals.
NumberReader::Suffixed NumberReader::suffixedWords(std::uint64_t value, std::u16string_view suffix,
                                                   std::size_t after) const {
    const std::vector<GrammaticalCase>& governed = governed_;
    const ReadingCursor::NounAfter noun = cursor_.nounAfter(after);
    // "2-х" is двух, but "5-х" пятых.
    if (rules_.isCardinalEnding(suffix) || (suffix == u"х" && value >= 2 && value <= 4)) {
        const std::vector<GrammaticalCase> cases = numbers_.cardinalCasesEndingWith(value, suffix);
        if (cases.empty()) {
            return {};
        }
        const auto preferred = std::ranges::find_first_of(cases, governed);
        const Slot slot{preferred != cases.end() ? *preferred : cases.front(),
                        noun.forms.empty() ? Gender::Masculine : noun.forms.front().noun->gender};
        return {numbers_.cardinal(value, slot.grammaticalCase, slot.gender), slot, false};
    }
    // The decades of the last century are said by their tens: 1990-х, "девяностых".
    const unsigned century = rules_.shortDecadesCentury();
    if (century != 0 && value > century && value < century + 100 && value % 10 == 0) {
        value -= century;
    }
    const std::vector<Slot> slots = numbers_.ordinalSlotsEndingWith(value, suffix);
    if (slots.empty()) {
        return {};
    }
    const auto isGoverned = [&](Slot slot) { return std::ranges::find(governed, slot.grammaticalCase) != governed.end(); };
    const auto agrees = [&](Slot slot) {
        return std::ranges::any_of(noun.forms, [&](const NounForm& form) { return slotOf(form) == slot; });
    };
    const auto pick = [&](auto fits) {
        const auto found = std::ranges::find_if(slots, fits);
        return found == slots.end() ? std::nullopt : std::optional<Slot>(*found);
    };
    std::optional<Slot> slot = pick([&](Slot candidate) { return agrees(candidate) && isGoverned(candidate); });
    slot = slot ? slot : pick(agrees);
    slot = slot ? slot : pick(isGoverned);
    return {numbers_.ordinal(value, slot.value_or(slots.front())), slot.value_or(slots.front())};
}

// "2-комнатная", "15-летний": the number as the front of the compound.
std::u16string NumberReader::compoundWords(std::uint64_t value, std::u16string_view word) const {
    const std::u16string front = value < 1000 ? numbers_.combining(static_cast<unsigned>(value)) : std::u16string();
    return front.empty() ? front : front + std::u16string(word);
}

// "в 2005 году", "1985 г.", "1941–1945 гг.", "в 5 веке": a year or a century is an ordinal
// agreeing with the word for it. nullopt when the number is neither.
std::optional<std::u16string> NumberReader::yearWords(std::uint64_t first, std::optional<std::uint64_t> last,
                                                      const Counted& counted) const {
    const Noun* year = rules_.year();
    const Noun* century = rules_.century();
    const auto counts = [&](const Noun* noun) {
        return noun && ((noun == year && (first >= 1000 || (first >= 100 && !governed_.empty()))) ||
                        (noun == century && century != nullptr));
    };
    GrammaticalCase grammaticalCase = Nominative;
    bool plural = false;
    if (counted.unit && counts(counted.unit->noun)) {
        grammaticalCase = abbreviatedYearCase();
        plural = counted.unit->pluralOnly;
    } else if (!counted.noun.forms.empty() && counts(counted.noun.forms.front().noun)) {
        const NounForm& form = governedForm(counted.noun.forms, governed_);
        // "2000 лет", "5 веков" count them.
        if (form.grammaticalCase == Genitive && form.plural) {
            return std::nullopt;
        }
        grammaticalCase = form.grammaticalCase;
        plural = form.plural;
    } else {
        return std::nullopt;
    }
    // Two years of a range are each one year: "в сорок первом – сорок пятом годах".
    const Slot slot{grammaticalCase, plural && !last ? Gender::Plural : Gender::Masculine};
    std::u16string words = numbers_.ordinal(first, slot);
    if (last) {
        const std::u16string lastWords = numbers_.ordinal(*last, slot);
        words = words.empty() || lastWords.empty() ? std::u16string() : words + u' ' + lastWords;
    }
    if (!words.empty() && counted.unit) {
        words += u' ' + unitWords(*counted.unit, grammaticalCase, plural);
    }
    return words;
}

// A cardinal agrees with the noun after it (its case from the noun's form, the preposition
// deciding between forms that fit several), or is followed by its unit in the agreeing form.
std::u16string NumberReader::cardinalWords(std::uint64_t first, std::optional<std::uint64_t> last,
                                           const Counted& counted) {
    const std::uint64_t value = last.value_or(first);
    GrammaticalCase grammaticalCase = governedCase(Nominative, {Accusative});
    Gender gender = Gender::Masculine;
    const std::vector<GrammaticalCase> candidates = candidateCases(governed_);
    if (!counted.noun.forms.empty()) {
        // A noun that agrees with no reading ("с 1000 учасниками") still shows the case.
        const NounForm& governed = governedForm(counted.noun.forms, governed_);
        if (std::ranges::find(governed_, governed.grammaticalCase) != governed_.end()) {
            grammaticalCase = governed.grammaticalCase;
        }
        gender = governed.noun->gender;
    }
    for (const NounForm& form : counted.noun.forms) {
        if (const std::optional<GrammaticalCase> agreeing = numbers_.agreeingCase(value, form, candidates)) {
            grammaticalCase = *agreeing;
            gender = form.noun->gender;
            break;
        }
    }
    if (counted.unit) {
        grammaticalCase = unitCase(counted.end);
        gender = counted.unit->noun ? counted.unit->noun->gender : Gender::Masculine;
    }
    said_ = grammaticalCase;
    std::u16string words = numbers_.cardinal(first, grammaticalCase, gender);
    if (last) {
        const std::u16string lastWords = numbers_.cardinal(*last, grammaticalCase, gender);
        words = words.empty() || lastWords.empty() ? std::u16string() : words + u' ' + lastWords;
    }
    if (words.empty() || !counted.unit) {
        return words;
    }
    if (!counted.unit->noun) {
        return words + u' ' + counted.unit->rest;
    }
    words += u' ' + numbers_.nounWords(value, grammaticalCase, *counted.unit->noun, counted.unit->pluralOnly);
    words += counted.unit->rest.empty() ? u"" : u' ' + counted.unit->rest;
    if (counted.secondUnit) {
        words += u' ' + unitWords(*counted.secondUnit, Genitive, true);
    }
    return words;
}

std::u16string NumberReader::unitWords(const Unit& unit, GrammaticalCase grammaticalCase, bool plural) const {
    if (!unit.noun) {
        return unit.rest;
    }
    const std::u16string& form = unit.noun->form(grammaticalCase, plural);
    return unit.rest.empty() ? form : form + u' ' + unit.rest;
}

// XIX, "Пётр I", "глава III", "XIX–XX вв.": a Roman numeral is an ordinal agreeing with the
// noun after it, or with the noun or name before it. Numerals of I, V and X alone need no such
// word beside them.
bool NumberReader::readRoman() {
    const auto roman = [&](std::size_t at) -> std::optional<std::pair<unsigned, std::size_t>> {
        const std::size_t length = cursor_.lettersAt(at);
        const std::u16string_view word = cursor_.text().substr(at, length);
        const unsigned value = romanValue(word);
        if (value == 0 || romanOf(value) != word || !cursor_.startsToken(at)) {
            return std::nullopt;
        }
        return std::pair(value, at + length);
    };
    const auto first = roman(start_);
    if (!first) {
        return false;
    }
    governed_ = governedAt(start_);
    std::size_t end = first->second;
    const std::size_t dash = end + cursor_.spacesAt(end);
    const auto second = isDash(cursor_.at(dash)) ? roman(dash + 1 + cursor_.spacesAt(dash + 1)) : std::nullopt;
    if (second) {
        end = second->second;
    }
    const std::optional<Slot> slot = romanSlot(start_, end);
    std::u16string words = slot ? numbers_.ordinal(first->first, *slot) : std::u16string();
    const std::u16string secondWords = slot && second ? numbers_.ordinal(second->first, *slot) : std::u16string();
    if (words.empty() || (second && secondWords.empty())) {
        return false;
    }
    words += second ? u' ' + secondWords : u"";
    // "XIX в.": the unit is said in the numeral's case.
    const auto unit = unitAfter(end);
    if (unit && unit->first.noun) {
        words += u' ' + unitWords(unit->first, slot->grammaticalCase, unit->first.pluralOnly);
    }
    cursor_.sayAbbreviated(words, end + (unit && unit->first.noun ? unit->second : 0));
    return true;
}

std::optional<Slot> NumberReader::romanSlot(std::size_t begin, std::size_t end) const {
    if (const auto unit = unitAfter(end); unit && unit->first.noun) {
        return Slot{abbreviatedYearCase(), unit->first.noun->gender};
    }
    if (const ReadingCursor::NounAfter noun = cursor_.nounAfter(end); !noun.forms.empty()) {
        const NounForm& form = governedForm(noun.forms, governed_);
        return Slot{form.grammaticalCase, form.plural ? Gender::Masculine : form.noun->gender};
    }
    const std::u16string before = cursor_.wordBefore(begin);
    if (const std::span<const NounForm> forms = rules_.nounForms(before); !forms.empty()) {
        return slotOf(forms.front());
    }
    // A name before it: Пётр I, Екатерина II.
    const std::size_t nameStart = cursor_.wordStartBefore(begin);
    if (!before.empty() && cursor_.isCapitalAt(nameStart) && cursor_.language().isLetter(cursor_.at(nameStart))) {
        const bool feminine = before.back() == u'а' || before.back() == u'я';
        return Slot{Nominative, feminine ? Gender::Feminine : Gender::Masculine};
    }
    const std::u16string_view word = cursor_.text().substr(begin, end - begin);
    if (end - begin >= 2 && word.find_first_not_of(u"IVX") == std::u16string_view::npos) {
        return Slot{Nominative, Gender::Masculine};
    }
    return std::nullopt;
}

} // namespace

bool readNumber(ReadingCursor& cursor) {
    if (cursor.rules().readsNoNumbers() || !cursor.startsToken(cursor.position())) {
        return false;
    }
    return NumberReader(cursor).read();
}

} // namespace vx
