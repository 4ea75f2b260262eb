// The input, read as UTF-16LE, is one line for ConfigParser::parseEntry (with "=" and with ":")
// and one key for ConfigParser::unescape. The results are held to what ConfigParser.h promises,
// worked out directly from the first separator rather than by cutting the line into pieces.

#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace vx;

void checkEntry(std::u16string_view line, std::u16string_view separator) {
    std::u16string key;
    std::u16string value;
    const bool parsed = ConfigParser::parseEntry(line, key, value, separator);
    const std::size_t at = line.find(separator);
    VX_FUZZ_CHECK(parsed == (at != std::u16string_view::npos && at + 1 < line.size()));
    if (!parsed) {
        return;
    }
    if (line.substr(0, at) == u"\\") {
        // An escaped separator as the key; what the value is then is not promised.
        const std::size_t next = line.find(separator, at + 1);
        if (next != std::u16string_view::npos && next + 1 < line.size()) {
            VX_FUZZ_CHECK(key == separator);
        }
        return;
    }
    VX_FUZZ_CHECK(key == ConfigParser::unescape(TextUtil::trim(line.substr(0, at))));
    // One separator that ends the line is not part of the value: "a=b=" gives "b", as the
    // parser's tests require of configuration files.
    std::u16string_view rest = line.substr(at + 1);
    if (rest.ends_with(separator)) {
        rest.remove_suffix(1);
    }
    VX_FUZZ_CHECK(value == TextUtil::trimChars(rest, u" \t\""));
}

// Every code unit written in one of the three ways a key can spell it: as itself, as "\c", or as
// "\uXXXX" with upper- or lower-case digits; unescape must give the text back.
std::u16string escape(std::u16string_view text) {
    static constexpr std::u16string_view kHex = u"0123456789ABCDEF0123456789abcdef";
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (i % 3 == 0 && c != u'\\') {
            out += c;
        } else if (i % 3 == 1 && c != u'u') {
            out += u'\\';
            out += c;
        } else {
            out += u"\\u";
            const std::u16string_view digits = kHex.substr(i % 2 * 16, 16);
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += digits[(c >> shift) & 0xF];
            }
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string line = fuzz::decodeUtf16le(data, size);
    checkEntry(line, u"=");
    checkEntry(line, u":");

    const std::u16string key = ConfigParser::unescape(line);
    VX_FUZZ_CHECK(key.size() <= line.size());
    if (line.find(u'\\') == std::u16string::npos) {
        VX_FUZZ_CHECK(key == line);
    }
    VX_FUZZ_CHECK(ConfigParser::unescape(escape(line)) == line);
    return 0;
}
