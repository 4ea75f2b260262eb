#include "platform/Utf.h"

#include <cstdint>

namespace vx {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    auto byte = [&out](std::uint32_t b) { out.push_back(static_cast<char>(b)); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]. Returns the character, or kReplacement for a
// malformed sequence, and advances pos past what it consumed (at least one byte). Sets valid
// to false for anything malformed.
char32_t decodeUtf8(std::string_view text, std::size_t& pos, bool& valid) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        valid = false;
        return kReplacement;
    }
    for (int i = 0; i < length; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
            valid = false;
            return kReplacement;
        }
        c = (c << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        valid = false;
        return kReplacement;
    }
    return c;
}

// The character at text[i]: a surrogate pair as one (i moves to its second unit), a lone
// surrogate as kReplacement.
char32_t decodeUtf16(std::u16string_view text, std::size_t& i) {
    const char32_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        return 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    return c >= 0xD800 && c <= 0xDFFF ? kReplacement : c;
}

} // namespace

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        appendUtf8(out, decodeUtf16(text, i));
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    bool valid = true;
    for (std::size_t pos = 0; pos < text.size();) {
        appendUtf16(out, decodeUtf8(text, pos, valid));
    }
    return out;
}

std::wstring toWideChars(std::u16string_view text) {
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        return std::wstring(text.begin(), text.end());
    } else {
        std::wstring out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            out.push_back(static_cast<wchar_t>(decodeUtf16(text, i)));
        }
        return out;
    }
}

bool isValidUtf8(std::string_view text) {
    bool valid = true;
    for (std::size_t pos = 0; pos < text.size() && valid;) {
        decodeUtf8(text, pos, valid);
    }
    return valid;
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

} // namespace vx
