#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vx {
namespace {

using namespace TextUtil;
using namespace ConfigParser;
using Op = std::function<std::u16string(std::u16string_view)>;
using Pieces = std::vector<std::u16string>;

void check(std::initializer_list<std::tuple<Op, std::u16string, std::u16string>> rows) {
    for (const auto& [op, text, expected] : rows)
        EXPECT_EQ(toUtf8(op(text)), toUtf8(expected)) << toUtf8(text).substr(0, 80);
}

// The pieces that a cutting operation appends after what the vector already held, each ended by
// "|"; the count it returns must be the count it appended.
Op pieces(std::function<std::size_t(std::u16string_view, Pieces&)> cut) {
    return [cut](std::u16string_view text) {
        Pieces out{u"held"};
        const std::size_t count = cut(text, out);
        std::u16string joined = count + 1 == out.size() && out[0] == u"held" ? u"" : u"miscounted: ";
        for (std::size_t i = 1; i < out.size(); ++i) joined += out[i] + u"|";
        return joined;
    };
}
Op splitAt(std::u16string delimiters, std::size_t maxLength = 0, bool keep = false) {
    return pieces([=](auto text, Pieces& out) { return split(text, delimiters, out, maxLength, keep); });
}
Op chunkTo(std::size_t maxLength, bool fixed = false) {
    return pieces([=](auto text, Pieces& out) { return chunk(text, out, maxLength, fixed); });
}

TEST(TextUtil, CutsTrimsAndReads) {
    const Op runs = pieces([](auto text, Pieces& out) { return splitRuns(text, out); });
    const Op number = [](auto t) { return fromUtf8(std::to_string(toInt(t))); };
    const Op trimmed = trim, brackets = [](auto t) { return trimChars(t, u"[]"); };
    const Op unset = [](auto t) { return trimChars(t, u""); };
    const Op collapsed = collapseSpaces, lowered = lowerCyrillicLatin;
    const Op kept = [](auto t) { return filterChars(t, u",", u' ', true, true); };
    check({
        {trimmed, u" \t\a\b\f\v\r\nkey \r\n", u"key"}, {trimmed, u" \u00A0x\u00A0 ", u"\u00A0x\u00A0"},
        {trimmed, u" \t ", u""}, {brackets, u"[[Numbers]]", u"Numbers"}, {unset, u" a ", u" a "},
        {splitAt(u".", 0, true), u"a..b", u"a.|.|b|"}, {splitAt(u"="), u"a==b", u"a||b|"}, {splitAt(u"="), u"=", u"=|"},
        {splitAt(u"="), u"=v", u"|v|"}, {splitAt(u"="), u"k=v=", u"k|v|"}, {splitAt(u"="), u"", u""},
        {splitAt(u" ,"), u"a b,c", u"a|b|c|"}, {splitAt(u"", 4), u"abcdef", u"abcd|ef|"},
        {splitAt(u",", 4), u"abcd,abcde", u"abcd|abcd|e|"}, // 4 and 5
        {chunkTo(10), u"aaaaaaaaaa bbb ccc", u"aaaaaaaaaa| bbb| ccc|"}, {chunkTo(3), u"abcdefgh", u"abc|def|gh|"},
        {chunkTo(5), u"Да. Нет! Ну?", u"Да.| Нет!| Ну|?|"}, // the tail is cut again
        {chunkTo(3, true), u"ab cd ef", u"ab |cd |ef|"}, {chunkTo(0), u"abc", u"abc|"}, {chunkTo(3), u"", u""},
        {runs, u"21 000 руб.", u"21| |000| |руб|.|"}, {runs, u"abcЖЖ12!?x", u"abcЖЖ|12|!?|x|"},
        {runs, u"..5", u"..|5|"}, {kept, u"a-1,b#Жё", u"a 1,b Жё"}, {lowered, u"@AZ[", u"@az["},
        {collapsed, u"a \u00A0\t b  ", u"a b"}, {collapsed, u"  a  b", u" a b"}, {collapsed, u" ", u" "},
        {collapsed, u"  ", u""}, {lowered, u"БЭ Ёж ABCxyz ÄЇ", u"бэ ёж abcxyz ÄЇ"}, {number, u"12", u"12"},
        {number, u"  -7x", u"-7"}, {number, u"+3", u"3"}, {number, u"", u"0"}, {number, u"- 5", u"0"},
        {number, u"2147483647", u"2147483647"}, {number, u"2147483648", u"2147483647"}, // saturated at the end
        {number, u"99999999999999999999", u"2147483647"}, {number, u"-2147483648", u"-2147483648"}, // on the way
        {number, u"-2147483649", u"-2147483648"},
    });
}

// Every entry delivered, as "section/key=value|"; a key of throwOn makes the handler throw.
struct Recorder : ConfigHandler {
    bool onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override {
        if (key == throwOn) throw std::runtime_error("handler failed");
        paths.push_back(path);
        entries += section + u"/" + key + u"=" + value + u"|";
        return true;
    }
    std::u16string throwOn = u"\n";
    std::vector<std::u16string> paths;
    std::u16string entries;
};

Op parsed(Headers headers = Headers::Sections) {
    return [headers](std::u16string_view text) {
        const std::string bytes = test::utf16le(text);
        Recorder recorder;
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        return loadBytes(data, bytes.size(), u"f.conf", recorder, headers) ? recorder.entries : u"failed";
    };
}
// parseEntry as "key|value" or "refused".
Op entry(std::u16string_view separators) {
    return [separators](std::u16string_view line) {
        std::u16string key = u"unset", value = u"unset";
        return parseEntry(line, key, value, separators) ? key + u"|" + value : u"refused";
    };
}

TEST(ConfigParser, LinesEntriesAndEscapes) {
    const std::u16string a1021(1021, u'a'), b476(476, u'b'), a1025(1025, u'a'), b2000(2000, u'b');
    const Op file = parsed(), colon = entry(u":"), equals = entry(u"="), plain = unescape;
    check({
        {file, u"key=value\r\n key = value \n key=\"value\"\nkey=  \"value\"  ",
         u"/key=value|/key=value|/key=value|/key=value|"},
        {file, u"key=\nkey = \n=value\n", u"/=value|"},
        {file, u"a=b=c\na=b=\n\\==equals\n\\;=x\n\\#=y\n", u"/a=b=c|/a=b|/==equals|/;=x|/#=y|"},
        {file, u"# c=1\n  ; c=2\nx = 1 ; note\n", u"/x=1 ; note|"},
        {file, u"a=1\n[Numbers]\nb=2\n[a=b]\n[[Symbols]]\nc=3\n[ Letters ]\nd=4\n[]\ne=5\n[open\nf=6",
         u"/a=1|Numbers/b=2|Numbers/[a=b]|Symbols/c=3|Letters/d=4|/e=5|/f=6|"},
        {file, u"\uFEFF[Letters]\na=b\n", u"/a=b|"}, // a byte-order mark is part of the first line
        {file, u"say=\"a \"quoted\" word\"\ntab=\t x \t\n  K = V = W\r\n", u"/say=a \"quoted\" word|/tab=x|/K=V = W|"},
        {file, u"\\u0020sp\\u0041ce = x\n", u"/ spAce=x|"},
        // A line is read at most 1023 characters at a time; the rest is the next line.
        {file, u"k=" + a1021 + u"=" + b476 + u"\nx=y\n", u"/k=" + a1021 + u"|/=" + b476 + u"|/x=y|"},
        {parsed(Headers::None), u"[Replacements]\n[a]=b\nc=d\n", u"/[a]=b|/c=d|"},
        {colon, u"и т.д.:1", u"и т.д.|1"}, {colon, u"abc:", u"refused"}, {colon, u":x", u"|x"},
        {colon, u"\\u0020x\\u0020:0", u" x |0"}, {colon, u"\\::1", u":|1"}, {colon, u"a:b:c", u"a|b:c"},
        {colon, u"", u"refused"}, {entry(u""), u"a=b", u"refused"}, {equals, a1025, u"refused"},
        {equals, a1025 + u"=" + b2000, a1025 + u"|" + b2000}, // never cut
        {plain, u"plain", u"plain"}, {plain, u"\\;x", u";x"}, {plain, u"a\\\\b", u"a\\b"},
        {plain, u"\\u0451!", u"ё!"}, {plain, u"\\u00aB", u"«"}, {plain, u"\\u 41xy", u"Ay"}, // as wcstol reads
        {plain, u"\\u0x41", u"A"}, {plain, u"\\u-001", u"\uFFFF"}, {plain, u"\\u12zz", u"\u0012"},
        {plain, u"\\uzzzzq", std::u16string(u"\0q", 2)}, {plain, u"ab\\", u"ab"}, {plain, u"ab\\u12", u"ab"},
    });
}

TEST(ConfigParser, LoadFile) {
    test::TempFolder folder;
    const test::LogTail log;
    const std::u16string good = folder.writeUtf16("good.conf", u"[ru]\nключ=значение\n");
    const std::u16string utf8 = folder.writeBytes("utf8.conf", "[Letters]\nб=бэ\n");
    const std::u16string odd = folder.writeBytes("odd.conf", test::utf16le(u"a=b") + "x");
    Recorder recorder;
    for (const std::u16string& path : {good, utf8, odd, folder.writeBytes("empty.conf", "")})
        EXPECT_TRUE(loadFile(path, recorder));
    EXPECT_FALSE(loadFile(folder.file("missing.conf"), recorder));
    EXPECT_EQ(toUtf8(recorder.entries), "ru/ключ=значение|/a=b|");
    EXPECT_EQ(recorder.paths, (std::vector<std::u16string>{good, odd}));
    // Files in another encoding are still read, but named in the log.
    EXPECT_EQ(log.text(), u"* Not UTF-16LE text, its lines cannot be read as written: " + utf8 + u"\n"
                          u"* Not UTF-16LE text, its lines cannot be read as written: " + odd + u"\n");
    recorder.throwOn = u"bad"; // a failing handler ends the read
    EXPECT_FALSE(loadFile(folder.writeUtf16("a.conf", u"c=1\nbad=2\nd=3\n"), recorder));
    EXPECT_EQ(toUtf8(recorder.entries), "ru/ключ=значение|/a=b|/c=1|");
}

} // namespace
} // namespace vx
