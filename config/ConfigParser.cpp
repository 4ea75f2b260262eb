#include "config/ConfigParser.h"

#include "config/TextUtil.h"
#include "platform/CharClass.h"
#include "platform/Files.h"
#include "platform/Log.h"

#include <algorithm>
#include <vector>

namespace vx::ConfigParser {
namespace {

constexpr std::u16string_view kValueTrimSet = u" \t\"";

std::u16string decodeUtf16le(const unsigned char* bytes, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

bool isSectionHeader(std::u16string_view line) {
    return line.front() == u'[' && line.back() == u']' && line.find(u'=') == std::u16string_view::npos;
}

void parseLine(std::u16string_view rawLine, const std::u16string& path, std::u16string& section,
               ConfigHandler& handler, Headers headers) {
    const std::u16string line = TextUtil::trim(rawLine);
    if (line.empty() || line.front() == u';' || line.front() == u'#') {
        return;
    }
    if (headers == Headers::Sections && isSectionHeader(line)) {
        section = TextUtil::trim(TextUtil::trimChars(line, u"[]"));
        return;
    }
    std::u16string key;
    std::u16string value;
    if (parseEntry(line, key, value, u"=")) {
        handler.onEntry(path, section, key, value);
    }
}

// wcstol(text, nullptr, 16) on the characters of text.
long readHex(std::u16string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos])) {
        ++pos;
    }
    const bool negative = pos < text.size() && text[pos] == u'-';
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        ++pos;
    }
    if (pos + 1 < text.size() && text[pos] == u'0' && (text[pos + 1] == u'x' || text[pos + 1] == u'X')) {
        pos += 2;
    }
    long value = 0;
    for (; pos < text.size(); ++pos) {
        const char16_t c = text[pos];
        int digit;
        if (isDigit(c)) {
            digit = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            break;
        }
        value = value * 16 + digit;
    }
    return negative ? -value : value;
}

} // namespace

bool looksLikeOtherEncoding(const unsigned char* bytes, std::size_t size) {
    if (size % 2 != 0) {
        return true;
    }
    for (std::size_t i = 1; i < size; i += 2) {
        if (bytes[i] == 0) {
            return false;
        }
    }
    return size > 0;
}

bool loadBytes(const unsigned char* bytes, std::size_t size, const std::u16string& path,
               ConfigHandler& handler, Headers headers) {
    try {
        const std::u16string text = decodeUtf16le(bytes, size);
        std::u16string section;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t limit = std::min(start + kMaxLineLength, text.size());
            const auto feed = text.find(u'\n', start);
            const std::size_t end = feed < limit ? feed + 1 : limit;
            parseLine(std::u16string_view(text).substr(start, end - start), path, section, handler, headers);
            start = end;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool loadFile(const std::u16string& path, ConfigHandler& handler, Headers headers) {
    try {
        const auto bytes = platform::readFileBytes(path);
        if (!bytes) {
            return false;
        }
        if (looksLikeOtherEncoding(bytes->data(), bytes->size())) {
            Log::Write(u"* Not UTF-16LE text, its lines cannot be read as written: %s", path);
        }
        return loadBytes(bytes->data(), bytes->size(), path, handler, headers);
    } catch (...) {
        return false;
    }
}

bool parseEntry(std::u16string_view line, std::u16string& key, std::u16string& value,
                std::u16string_view separators) {
    if (line.empty() || separators.empty()) {
        return false;
    }
    // No piece length limit: a long value must never be cut and glued back with separators.
    std::vector<std::u16string> pieces;
    TextUtil::split(line, separators, pieces, 0, false);
    if (pieces.size() < 2) {
        return false;
    }
    std::u16string rawValue;
    if (pieces.size() > 2 && pieces[0] == u"\\") {
        key = std::u16string(separators);
        rawValue = pieces[2];
    } else {
        key = unescape(TextUtil::trim(pieces[0]));
        rawValue = pieces[1];
        for (std::size_t i = 2; i < pieces.size(); ++i) {
            rawValue += separators;
            rawValue += pieces[i];
        }
    }
    value = TextUtil::trimChars(rawValue, kValueTrimSet);
    return true;
}

std::u16string unescape(std::u16string_view key) {
    constexpr std::size_t kHexDigits = 4;
    std::u16string out;
    out.reserve(key.size());
    for (std::size_t i = 0; i < key.size();) {
        if (key[i] != u'\\') {
            out += key[i++];
        } else if (i + 1 >= key.size()) {
            break;
        } else if (key[i + 1] != u'u') {
            out += key[i + 1];
            i += 2;
        } else if (i + 2 + kHexDigits > key.size()) {
            break;
        } else {
            out += static_cast<char16_t>(static_cast<unsigned long>(readHex(key.substr(i + 2, kHexDigits))));
            i += 2 + kHexDigits;
        }
    }
    return out;
}

} // namespace vx::ConfigParser
