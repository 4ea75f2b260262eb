// The Language operations that read digits as words. Scale words take one of three forms by the
// last one or two digits of their group: 1 singular, 2-4 the first plural, 0 and 5-19 the
// second plural (тысяча, тысячи, тысяч).

#include "config/TextUtil.h"
#include "platform/CharClass.h"
#include "text/Language.h"

#include <cstdint>
#include <string>

namespace vx {
namespace {

constexpr std::size_t kLongestWholeNumber = 12;

std::u16string decimal(unsigned value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The value of the leading digits (at most kLongestWholeNumber, so it cannot overflow).
std::uint64_t leadingValue(std::u16string_view digits) {
    std::uint64_t value = 0;
    for (const char16_t c : digits) {
        if (!isDigit(c)) {
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - u'0');
    }
    return value;
}

} // namespace

std::u16string Language::word(std::u16string_view key) const { return lookup(numbers_, key); }

std::u16string Language::wordOrEmpty(std::u16string_view key) const {
    const auto at = numbers_.find(key);
    return at == numbers_.end() ? std::u16string{} : at->second;
}

std::u16string Language::numberToWords(std::u16string_view digits) const {
    if (digits.empty() || numbers_.empty()) {
        return std::u16string(digits);
    }
    if (digits.size() > kLongestWholeNumber) {
        std::vector<std::u16string> groups;
        splitDigits(digits, groups);
        std::u16string out;
        for (const std::u16string& group : groups) {
            out += numberToWords(group);
            out += u' ';
        }
        return out;
    }
    std::u16string out;
    for (std::size_t i = 0; i < digits.size() && digits[i] == u'0'; ++i) {
        if (i > 0) {
            out += u' ';
        }
        out += wordOrEmpty(u"0");
    }
    const std::uint64_t value = leadingValue(digits);
    const auto billions = static_cast<unsigned>(value / 1'000'000'000);
    const auto millions = static_cast<unsigned>(value % 1'000'000'000 / 1'000'000);
    const auto thousands = static_cast<unsigned>(value % 1'000'000 / 1000);
    const auto units = static_cast<unsigned>(value % 1000);
    if (billions != 0) {
        out += groupWords(billions, 3);
    }
    for (const auto& [group, order] : {std::pair{millions, 2}, {thousands, 1}, {units, 0}}) {
        if (group != 0) {
            out += u' ';
            out += groupWords(group, order);
        }
    }
    return out;
}

std::u16string Language::groupWords(unsigned value, int order) const {
    if (value > 999) {
        return {};
    }
    const unsigned hundreds = value / 100;
    unsigned tens = value % 100 / 10;
    unsigned units = value % 10;
    if (tens == 1) {
        units += 10;
        tens = 0;
    }
    std::u16string out;
    if (hundreds != 0) {
        const auto hundred = numbers_.find(std::u16string_view(u"hundred"));
        out = hundred != numbers_.end() ? word(decimal(hundreds)) + u' ' + hundred->second
                                        : word(decimal(hundreds * 100));
    }
    if (tens != 0) {
        out += u' ' + word(decimal(tens * 10));
    }
    if (order == 1 && (units == 1 || units == 2)) {
        out += u' ' + word(units == 1 ? u"1f" : u"2f");
    } else if (units != 0) {
        out += u' ' + word(decimal(units));
    }
    switch (order) {
    case 1:
        out += scaleWord(units, u"thousand_s", u"thousand_p1", u"thousand_p2", false);
        break;
    case 2:
        out += scaleWord(units, u"million_s", u"million_p1", u"million_p2", true);
        break;
    case 3:
        out += scaleWord(units, u"billion_s", u"billion_p1", u"billion_p2", true);
        break;
    default:
        break;
    }
    return out;
}

// " " and the scale word in the form that the units (teens folded in) call for. The second
// plural of millions and billions adds nothing when the language lacks it.
std::u16string Language::scaleWord(unsigned units, std::u16string_view singular, std::u16string_view fewKey,
                                   std::u16string_view manyKey, bool manyMayBeEmpty) const {
    if (units == 1) {
        return u' ' + word(singular);
    }
    if (units >= 2 && units <= 4) {
        return u' ' + word(fewKey);
    }
    return u' ' + (manyMayBeEmpty ? wordOrEmpty(manyKey) : word(manyKey));
}

} // namespace vx
