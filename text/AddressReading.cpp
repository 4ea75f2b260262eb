// E-mail and web addresses read as a person reads them: the scheme left out, the parts said as
// written, the dots, at signs, slashes and hyphens named, and the parts the dictionary lists
// (ru, com, www) said its way: "info@example.ru" is "info собака example точка ру".

#include "platform/CharClass.h"
#include "text/ReadingTopics.h"

#include <algorithm>
#include <array>

namespace vx {
namespace {

constexpr std::array<std::u16string_view, 2> kSchemes = {u"https://", u"http://"};
// Longer runs of address characters are not read as addresses; the bound keeps a long run from
// being searched again from each of its words.
constexpr std::size_t kLongestAddress = 256;
constexpr std::u16string_view kAddressMarks = u".@-_/:?=&%+~#";
// Marks that end a sentence or a clause after an address rather than belong to it.
constexpr std::u16string_view kTrailingMarks = u".,;:!?)";

bool isAddressCharacter(const ReadingCursor& cursor, char16_t c) {
    return (c < 0x80 && (isLetter(c) || isDigit(c))) || cursor.language().isLetter(c) ||
           kAddressMarks.find(c) != std::u16string_view::npos;
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char16_t p, char16_t t) { return p == lowerLetter(t); });
}

class AddressReader {
public:
    explicit AddressReader(ReadingCursor& cursor) : cursor_(cursor), start_(cursor.position()) {}

    bool read();

private:
    struct Extent {
        std::u16string_view address; // after the scheme
        std::size_t end;
        bool hasScheme;
    };
    Extent extent() const;
    bool isAddress(std::u16string_view address, bool hasScheme) const;
    std::u16string partWords(std::u16string_view part) const;
    std::u16string markWords(char16_t mark) const;

    ReadingCursor& cursor_;
    std::size_t start_;
};

AddressReader::Extent AddressReader::extent() const {
    const std::u16string_view rest = cursor_.text().substr(start_);
    std::size_t skip = 0;
    for (const std::u16string_view scheme : kSchemes) {
        if (startsWithIgnoringCase(rest, scheme)) {
            skip = scheme.size();
        }
    }
    std::size_t end = skip;
    while (end < rest.size() && end <= kLongestAddress && isAddressCharacter(cursor_, rest[end])) {
        ++end;
    }
    if (end > kLongestAddress) {
        return {{}, start_, false};
    }
    while (end > skip && kTrailingMarks.find(rest[end - 1]) != std::u16string_view::npos) {
        --end;
    }
    return {rest.substr(skip, end - skip), start_ + end, skip > 0};
}

// An address has a scheme, begins with www., holds an e-mail's at sign with a dot after it, or
// ends its host with a listed domain (example.com).
bool AddressReader::isAddress(std::u16string_view address, bool hasScheme) const {
    const std::size_t hostEnd = std::min(address.find(u'/'), address.size());
    const std::u16string_view host = address.substr(0, hostEnd);
    const std::size_t at = host.find(u'@');
    const std::size_t lastDot = host.rfind(u'.');
    if (lastDot == std::u16string_view::npos || lastDot + 1 == host.size() || lastDot == 0) {
        return false;
    }
    if (hasScheme || startsWithIgnoringCase(host, u"www.")) {
        return true;
    }
    if (at != std::u16string_view::npos) {
        return at > 0 && lastDot > at + 1;
    }
    const std::u16string topLevel = lowerLetters(host.substr(lastDot + 1));
    return cursor_.rules().domainPart(topLevel) != nullptr;
}

bool AddressReader::read() {
    const auto [address, end, hasScheme] = extent();
    if (address.empty() || !isAddress(address, hasScheme)) {
        return false;
    }
    std::u16string words;
    std::size_t i = 0;
    while (i < address.size()) {
        std::size_t length = 0;
        while (i + length < address.size() && kAddressMarks.find(address[i + length]) == std::u16string_view::npos) {
            ++length;
        }
        const std::u16string said = length > 0 ? partWords(address.substr(i, length)) : markWords(address[i]);
        if (!said.empty()) {
            words += (words.empty() ? u"" : u" ") + said;
        }
        i += length > 0 ? length : 1;
    }
    cursor_.say(words, end);
    return true;
}

std::u16string AddressReader::partWords(std::u16string_view part) const {
    const std::u16string* listed = cursor_.rules().domainPart(lowerLetters(part));
    return listed ? *listed : std::u16string(part);
}

std::u16string AddressReader::markWords(char16_t mark) const {
    const std::u16string* listed = cursor_.rules().domainPart(std::u16string_view(&mark, 1));
    return listed ? *listed : cursor_.symbolWords(mark);
}

} // namespace

bool readAddress(ReadingCursor& cursor) {
    const char16_t first = cursor.at(cursor.position());
    if (!(isLetter(first) || isDigit(first) || cursor.language().isLetter(first)) || !cursor.startsToken(cursor.position())) {
        return false;
    }
    return AddressReader(cursor).read();
}

} // namespace vx
