#include "config/TextUtil.h"

#include "platform/CharClass.h"

#include <climits>

namespace vx::TextUtil {
namespace {

constexpr std::u16string_view kBreakSet = u" \t\a\n\r,;.!?";
constexpr std::u16string_view kRussianUpper = u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
constexpr std::u16string_view kRussianLower = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";

bool contains(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

std::size_t appendPiece(std::u16string_view piece, std::vector<std::u16string>& out, std::size_t maxLength) {
    if (maxLength != 0 && piece.size() > maxLength) {
        return chunk(piece, out, maxLength, false);
    }
    out.emplace_back(piece);
    return 1;
}

// The end of the run that starts at pos and whose characters all satisfy belongs.
template <class Predicate>
std::size_t runEnd(std::u16string_view text, std::size_t pos, Predicate belongs) {
    while (pos < text.size() && belongs(text[pos])) {
        ++pos;
    }
    return pos;
}

} // namespace

std::u16string trim(std::u16string_view text) { return trimChars(text, kTrimSet); }

std::u16string trimChars(std::u16string_view text, std::u16string_view set) {
    if (text.empty() || set.empty()) {
        return std::u16string(text);
    }
    const auto first = text.find_first_not_of(set);
    if (first == std::u16string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(set);
    return std::u16string(text.substr(first, last - first + 1));
}

std::size_t split(std::u16string_view text, std::u16string_view delimiters,
                  std::vector<std::u16string>& out, std::size_t maxLength, bool keepDelimiters) {
    if (text.empty()) {
        return 0;
    }
    if (text.size() == 1) {
        out.emplace_back(text);
        return 1;
    }
    if (delimiters.empty()) {
        return appendPiece(text, out, maxLength);
    }
    std::size_t count = 0;
    std::size_t start = 0;
    for (auto at = text.find_first_of(delimiters); at != std::u16string_view::npos;
         at = text.find_first_of(delimiters, start)) {
        const std::size_t end = keepDelimiters ? at + 1 : at;
        count += appendPiece(text.substr(start, end - start), out, maxLength);
        start = at + 1;
    }
    if (start < text.size()) {
        count += appendPiece(text.substr(start), out, maxLength);
    }
    return count;
}

std::size_t chunk(std::u16string_view text, std::vector<std::u16string>& out, std::size_t maxLength,
                  bool fixed) {
    if (text.empty()) {
        return 0;
    }
    if (maxLength == 0) {
        out.emplace_back(text);
        return 1;
    }
    std::size_t count = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = start + maxLength;
        if (!fixed) {
            // The break is searched at the cut itself too, and for the last piece as well.
            for (std::size_t at = std::min(end, text.size() - 1); at > start; --at) {
                if (contains(kBreakSet, text[at])) {
                    end = at;
                    break;
                }
            }
        }
        out.emplace_back(text.substr(start, std::min(end, text.size()) - start));
        ++count;
        start = end;
    }
    return count;
}

std::size_t splitRuns(std::u16string_view text, std::vector<std::u16string>& out) {
    if (text.empty()) {
        return 0;
    }
    std::size_t count = 0;
    auto take = [&](std::size_t& pos, auto belongs) {
        const std::size_t end = runEnd(text, pos, belongs);
        if (end > pos) {
            out.emplace_back(text.substr(pos, end - pos));
            ++count;
        }
        pos = end;
    };
    for (std::size_t pos = 0; pos < text.size();) {
        take(pos, isDigit);
        take(pos, isLetter);
        take(pos, [](char16_t c) { return !isDigit(c) && !isLetter(c); });
    }
    return count;
}

std::u16string collapseSpaces(std::u16string_view text) {
    if (text.size() < 2) {
        return std::u16string(text);
    }
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = runEnd(text, pos, isSpaceLike);
        if (end == pos) {
            out += text[pos++];
            continue;
        }
        if (end < text.size()) {
            out += u' ';
        }
        pos = end;
    }
    return out;
}

std::u16string filterChars(std::u16string_view text, std::u16string_view keep, char16_t replacement,
                           bool keepLetters, bool keepDigits) {
    std::u16string out;
    if (keep.empty() && !keepLetters && !keepDigits) {
        return out;
    }
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (contains(keep, c) || (keepLetters && isLetter(c)) || (keepDigits && isDigit(c))) {
            out += c;
        } else if (replacement != 0) {
            out += replacement;
        }
    }
    return out;
}

bool isBlank(std::u16string_view text) { return runEnd(text, 0, isSpaceLike) == text.size(); }

bool isAllDigits(std::u16string_view text) { return !text.empty() && runEnd(text, 0, isDigit) == text.size(); }

std::u16string lowerCyrillicLatin(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        } else if (const auto at = kRussianUpper.find(c); at != std::u16string_view::npos) {
            c = kRussianLower[at];
        }
    }
    return out;
}

int toInt(std::u16string_view text) {
    std::size_t pos = runEnd(text, 0, isSpace);
    const bool negative = pos < text.size() && text[pos] == u'-';
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        ++pos;
    }
    // Accumulated as a negative number, whose range includes INT_MIN.
    long long value = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        value = value * 10 - (text[pos] - u'0');
        if (value < INT_MIN) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

} // namespace vx::TextUtil
