#include "platform/CharClass.h"

#include <array>
#include <cstdint>

namespace vx {
namespace {

struct Range {
    char16_t first;
    char16_t last;
};

constexpr Range kLetterRanges[] = {
#include "platform/LetterRanges.inc"
};

// One bit per code unit (8 KiB), built at compile time: a lookup is one load and a shift.
using LetterBits = std::array<std::uint64_t, 0x10000 / 64>;

constexpr LetterBits makeLetterBits() {
    LetterBits bits{};
    for (const Range& r : kLetterRanges) {
        for (std::uint32_t c = r.first; c <= r.last; ++c) {
            bits[c / 64] |= std::uint64_t{1} << (c % 64);
        }
    }
    return bits;
}

constexpr LetterBits kLetterBits = makeLetterBits();

bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool isSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

} // namespace

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool isLetter(char16_t c) { return (kLetterBits[c / 64] >> (c % 64)) & 1U; }

bool isSpace(char16_t c) {
    if (c < 0x80) {
        return c == u' ' || (c >= 0x09 && c <= 0x0D);
    }
    switch (c) {
    case 0x0085:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A);
    }
}

bool isPunct(char16_t c) {
    return !isControl(c) && !isSurrogate(c) && !isLetter(c) && !isDigit(c) && !isSpace(c);
}

bool isSpaceLike(char16_t c) { return c == 0 || c == 0x00A0 || isSpace(c); }

} // namespace vx
