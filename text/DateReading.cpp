// Dates, years and times of day: "7 декабря 2026 г." and "15.03.2025" with the day an ordinal
// and the year an ordinal in the genitive, "с 1 по 5 мая", "12:30" and "8:05" as hours and
// minutes, and scores such as "3:1".

#include "platform/CharClass.h"
#include "text/ReadingTopics.h"

namespace vx {
namespace {

using enum GrammaticalCase;

constexpr unsigned kLastDay = 31;
constexpr unsigned kLastHour = 24;
constexpr unsigned kLastMinute = 59;

class DateReader {
public:
    explicit DateReader(ReadingCursor& cursor)
        : cursor_(cursor), rules_(cursor.rules()), numbers_(cursor.numbers()), start_(cursor.position()) {}

    bool read() { return readNumericDate() || readDayAndMonth() || readFirstDayOfRange() || readTime(); }

private:
    // The number of 1-2 digits (or exactly length digits) at i, and where it ends.
    std::optional<std::pair<unsigned, std::size_t>> numberAt(std::size_t i, std::size_t minLength,
                                                             std::size_t maxLength) const;
    bool readNumericDate();
    bool readDayAndMonth();
    bool readFirstDayOfRange();
    bool readTime();
    std::u16string dayWords(unsigned day) const;
    // Where the month name after spaces at i ends (as in "7 декабря"), or 0 when none is there.
    std::size_t monthEndAfter(std::size_t i) const;
    // The year written at end (after spaces unless the date is numeric), with the word for year
    // after it if any; end moves past them. Empty when no year is there.
    std::u16string yearAfter(std::size_t& end, bool afterSpace) const;

    ReadingCursor& cursor_;
    const ReadingRules& rules_;
    const NumberWords& numbers_;
    std::size_t start_;
};

std::optional<std::pair<unsigned, std::size_t>> DateReader::numberAt(std::size_t i, std::size_t minLength,
                                                                     std::size_t maxLength) const {
    const std::size_t length = cursor_.digitsAt(i);
    if (length < minLength || length > maxLength) {
        return std::nullopt;
    }
    return std::pair(static_cast<unsigned>(valueOfDigits(cursor_.text().substr(i, length))), i + length);
}

std::size_t DateReader::monthEndAfter(std::size_t i) const {
    const std::size_t start = i + cursor_.spacesAt(i);
    const std::size_t end = start + cursor_.lettersAt(start);
    return start > i && end > start && rules_.month(cursor_.wordBefore(end)) != 0 ? end : 0;
}

// The day agrees with the preposition before it ("к 7 декабря": к седьмому), else it is genitive.
std::u16string DateReader::dayWords(unsigned day) const {
    const GrammaticalCase grammaticalCase = cursor_.caseAfterPreposition(start_, {}, Genitive);
    return numbers_.ordinal(day, {grammaticalCase, Gender::Neuter});
}

std::u16string DateReader::yearAfter(std::size_t& end, bool afterSpace) const {
    const Noun* year = rules_.year();
    const std::size_t at = end + cursor_.spacesAt(end);
    const auto number = numberAt(at, 4, 4);
    if (!year || (at == end) == afterSpace || !number) {
        return {};
    }
    end = number->second;
    const std::size_t after = end + cursor_.spacesAt(end);
    if (const auto unit = rules_.unitAt(cursor_.text().substr(after)); unit && unit->first.noun == year) {
        end = after + unit->second;
    } else if (const ReadingCursor::NounAfter noun = cursor_.nounAfter(end);
               !noun.forms.empty() && noun.forms.front().noun == year) {
        end = noun.end;
    }
    const std::u16string words = numbers_.ordinal(number->first, {Genitive, Gender::Masculine});
    return words.empty() ? words : words + u' ' + year->form(Genitive, false);
}

// 15.03.2025
bool DateReader::readNumericDate() {
    const auto day = numberAt(start_, 1, 2);
    const auto month = day && cursor_.at(day->second) == u'.' ? numberAt(day->second + 1, 2, 2) : std::nullopt;
    if (!month || cursor_.at(month->second) != u'.' || day->first == 0 || day->first > kLastDay ||
        month->first == 0 || month->first > 12 || rules_.monthName(month->first).empty()) {
        return false;
    }
    std::size_t end = month->second + 1;
    const std::u16string year = cursor_.digitsAt(end) == 4 ? yearAfter(end, false) : std::u16string();
    const std::u16string dayText = dayWords(day->first);
    if (year.empty() || dayText.empty()) {
        return false;
    }
    cursor_.sayAbbreviated(dayText + u' ' + rules_.monthName(month->first) + u' ' + year, end);
    return true;
}

// 7 декабря, 7 декабря 2026 г.
bool DateReader::readDayAndMonth() {
    const auto day = numberAt(start_, 1, 2);
    if (!day || day->first == 0 || day->first > kLastDay) {
        return false;
    }
    std::size_t end = monthEndAfter(day->second);
    if (end == 0) {
        return false;
    }
    const std::u16string dayText = dayWords(day->first);
    if (dayText.empty()) {
        return false;
    }
    const std::u16string monthWord = cursor_.wordBefore(end);
    const std::u16string year = yearAfter(end, true);
    cursor_.sayAbbreviated(dayText + u' ' + monthWord + (year.empty() ? u"" : u" " + year), end);
    return true;
}

// The first day of "с 1 по 5 мая", "1 и 2 мая", "1–5 мая": an ordinal like the day after it.
bool DateReader::readFirstDayOfRange() {
    const auto day = numberAt(start_, 1, 2);
    if (!day || day->first == 0 || day->first > kLastDay) {
        return false;
    }
    std::size_t next = day->second + cursor_.spacesAt(day->second);
    if (cursor_.at(next) == u'-' || cursor_.at(next) == u'\u2013') {
        ++next;
    } else {
        const std::size_t length = cursor_.lettersAt(next);
        const std::u16string word = cursor_.wordBefore(next + length);
        if (length == 0 || next == day->second || !rules_.joinsDays(word)) {
            return false;
        }
        next += length;
    }
    next += cursor_.spacesAt(next);
    const auto secondDay = numberAt(next, 1, 2);
    if (!secondDay) {
        return false;
    }
    if (monthEndAfter(secondDay->second) == 0) {
        return false;
    }
    const std::u16string dayText = dayWords(day->first);
    if (dayText.empty()) {
        return false;
    }
    cursor_.say(dayText, day->second);
    return true;
}

// 12:30, 8:05, 12:30:15; after a preposition the hours and minutes agree with it ("с 9:30": с
// девяти тридцати). A pair that is no time (3:1) is a score: both numbers as they are.
bool DateReader::readTime() {
    const auto hours = numberAt(start_, 1, 2);
    const auto minutes = hours && cursor_.at(hours->second) == u':' ? numberAt(hours->second + 1, 1, 2) : std::nullopt;
    if (!minutes) {
        return false;
    }
    const bool isTime = minutes->second - hours->second == 3 && hours->first <= kLastHour && minutes->first <= kLastMinute;
    const GrammaticalCase grammaticalCase =
        isTime ? cursor_.caseAfterPreposition(start_, {Accusative}, Nominative) : Nominative;
    std::vector<std::pair<std::size_t, unsigned>> parts = {{start_, hours->first}, {hours->second + 1, minutes->first}};
    std::size_t end = minutes->second;
    if (const auto seconds = isTime && cursor_.at(end) == u':' ? numberAt(end + 1, 2, 2) : std::nullopt) {
        parts.emplace_back(end + 1, seconds->first);
        end = seconds->second;
    }
    const std::u16string zero = numbers_.cardinal(0, Nominative);
    std::u16string words;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto [digitsStart, value] = parts[i];
        // Minutes keep their leading zero: 8:05 is "восемь ноль пять", 9:00 "девять ноль ноль".
        const bool padded = i > 0 && isTime && cursor_.at(digitsStart) == u'0';
        const std::u16string part = padded && value == 0 ? zero : numbers_.cardinal(value, grammaticalCase);
        if (part.empty() || zero.empty()) {
            return false;
        }
        words += (words.empty() ? u"" : u" ") + (padded ? zero + u' ' : u"") + part;
    }
    cursor_.say(words, end);
    return true;
}

} // namespace

bool readDateOrTime(ReadingCursor& cursor) {
    if (cursor.rules().readsNoNumbers() || !isDigit(cursor.at(cursor.position())) ||
        !cursor.startsToken(cursor.position())) {
        return false;
    }
    return DateReader(cursor).read();
}

} // namespace vx
