#include "config/ConfigParser.h"
#include "platform/Log.h"
#include "tests/support/ProcessLog.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vx::ConfigParser {
namespace {

using test::TempFolder;
using test::utf16le;

struct Entry {
    std::u16string section, key, value;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& e, std::ostream* os) {
    *os << testing::PrintToString(e.section) << " " << testing::PrintToString(e.key) << " = "
        << testing::PrintToString(e.value);
}

class Recorder : public ConfigHandler {
public:
    bool onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override {
        paths.push_back(path);
        entries.push_back({section, key, value});
        return true;
    }
    std::vector<std::u16string> paths;
    std::vector<Entry> entries;
};

std::vector<Entry> parse(std::u16string_view text, Headers headers = Headers::Sections) {
    const std::string bytes = utf16le(text);
    Recorder recorder;
    EXPECT_TRUE(loadBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), u"f.conf",
                          recorder, headers));
    return recorder.entries;
}

struct FileCase {
    std::u16string text;
    std::vector<Entry> entries;
};

class FileLines : public testing::TestWithParam<FileCase> {};

TEST_P(FileLines, DeliverTheirEntries) { EXPECT_EQ(parse(GetParam().text), GetParam().entries); }

INSTANTIATE_TEST_SUITE_P(Table, FileLines, testing::Values(
    FileCase{u"key=value\r\n key = value \n key=\"value\"\nkey=  \"value\"  ",
             {{u"", u"key", u"value"}, {u"", u"key", u"value"}, {u"", u"key", u"value"}, {u"", u"key", u"value"}}},
    FileCase{u"key=\nkey = \n=value\n", {{u"", u"", u"value"}}},
    FileCase{u"a=b=c\na=b=\n\\==equals\n\\;=x\n\\#=y\n",
             {{u"", u"a", u"b=c"}, {u"", u"a", u"b"}, {u"", u"=", u"equals"}, {u"", u";", u"x"}, {u"", u"#", u"y"}}},
    FileCase{u"# c=1\n  ; c=2\nx = 1 ; note\n", {{u"", u"x", u"1 ; note"}}},
    FileCase{u"a=1\n[Numbers]\nb=2\n[a=b]\n[[Symbols]]\nc=3\n[ Letters ]\nd=4\n[]\ne=5\n[open\nf=6",
             {{u"", u"a", u"1"}, {u"Numbers", u"b", u"2"}, {u"Numbers", u"[a", u"b]"},
              {u"Symbols", u"c", u"3"}, {u"Letters", u"d", u"4"}, {u"", u"e", u"5"}, {u"", u"f", u"6"}}},
    FileCase{u"\uFEFF# not a comment=1\n", {{u"", u"\uFEFF# not a comment", u"1"}}},
    FileCase{u"\uFEFF[Letters]\na=b\n", {{u"", u"a", u"b"}}},
    FileCase{u"say=\"a \"quoted\" word\"\ntab=\t x \t\n", {{u"", u"say", u"a \"quoted\" word"}, {u"", u"tab", u"x"}}},
    FileCase{u"  Key = Value with = sign\r\n", {{u"", u"Key", u"Value with = sign"}}},
    FileCase{u"\\u0020sp\\u0041ce = x\n", {{u"", u" spAce", u"x"}}}));

TEST(FileLines, AreReadAtMost1023CharactersAtATime) {
    const std::u16string first(1023, u'a');
    const std::u16string rest = u"=" + std::u16string(476, u'b');
    const auto entries = parse(u"k=" + first.substr(2) + rest + u"\nx=y\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (Entry{u"", u"k", first.substr(2)}));
    EXPECT_EQ(entries[1], (Entry{u"", u"", std::u16string(476, u'b')}));
    EXPECT_EQ(entries[2], (Entry{u"", u"x", u"y"}));
}

TEST(FileLines, WithoutSectionsBracketsAreOrdinaryText) {
    EXPECT_EQ(parse(u"[Replacements]\n[a]=b\nc=d\n", Headers::None),
              (std::vector<Entry>{{u"", u"[a]", u"b"}, {u"", u"c", u"d"}}));
}

struct ValueCase {
    std::u16string value;
    bool accepted;
    std::u16string key, rest;
};

class ValueEntries : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueEntries, SplitAtTheFirstColon) {
    std::u16string key = u"unset";
    std::u16string rest = u"unset";
    ASSERT_EQ(parseEntry(GetParam().value, key, rest, u":"), GetParam().accepted);
    if (GetParam().accepted) {
        EXPECT_EQ(key, GetParam().key);
        EXPECT_EQ(rest, GetParam().rest);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ValueEntries, testing::Values(
    ValueCase{u"и т.д.:1", true, u"и т.д.", u"1"},
    ValueCase{u"abc:", false, u"", u""},
    ValueCase{u"abc", false, u"", u""},
    ValueCase{u":x", true, u"", u"x"},
    ValueCase{u"\\u0020x\\u0020:0", true, u" x ", u"0"},
    ValueCase{u"\\::1", true, u":", u"1"},
    ValueCase{u"a:b:c", true, u"a", u"b:c"},
    ValueCase{u"", false, u"", u""}));

TEST(ParseEntry, RejectsAnEmptySeparatorSet) {
    std::u16string key, value;
    EXPECT_FALSE(parseEntry(u"a=b", key, value, u""));
}

TEST(ParseEntry, LongLinesAreNeverCut) {
    std::u16string key, value;
    EXPECT_FALSE(parseEntry(std::u16string(1025, u'a'), key, value, u"="));
    ASSERT_TRUE(parseEntry(std::u16string(1025, u'a') + u"=" + std::u16string(2000, u'b'), key, value, u"="));
    EXPECT_EQ(key, std::u16string(1025, u'a'));
    EXPECT_EQ(value, std::u16string(2000, u'b'));
}

struct EscapeCase {
    std::u16string key;
    std::u16string expected;
};

class Unescape : public testing::TestWithParam<EscapeCase> {};

TEST_P(Unescape, ResolvesBackslashes) { EXPECT_EQ(unescape(GetParam().key), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Table, Unescape, testing::Values(
    EscapeCase{u"plain", u"plain"},
    EscapeCase{u"\\;x", u";x"},
    EscapeCase{u"a\\\\b", u"a\\b"},
    EscapeCase{u"\\u0020", u" "},
    EscapeCase{u"\\u0451!", u"ё!"},
    EscapeCase{u"\\u 41xy", u"Ay"},       // leading blank, as wcstol reads it
    EscapeCase{u"\\u0x41", u"A"},         // 0x prefix
    EscapeCase{u"\\u-001", u"\uFFFF"},    // sign
    EscapeCase{u"\\u12zz", u"\u0012"},    // stops at the first other character
    EscapeCase{u"\\uzzzzq", std::u16string(u"\0q", 2)}, // no digit gives 0
    EscapeCase{u"ab\\", u"ab"},
    EscapeCase{u"ab\\u12", u"ab"}));

TEST(LoadFile, ReadsAFileAndReportsFailures) {
    TempFolder folder;
    const std::u16string path = folder.writeUtf16("langs.conf", u"[ru]\nalphabet=cyrillic\n");
    Recorder recorder;
    EXPECT_TRUE(loadFile(path, recorder));
    EXPECT_EQ(recorder.entries, (std::vector<Entry>{{u"ru", u"alphabet", u"cyrillic"}}));
    EXPECT_EQ(recorder.paths, std::vector<std::u16string>{path});
    EXPECT_FALSE(loadFile(folder.file("missing.conf"), recorder));
    EXPECT_TRUE(loadFile(folder.writeBytes("empty.conf", ""), recorder));
}

TEST(LoadFile, AFailingHandlerEndsTheRead) {
    struct Throwing : Recorder {
        bool onEntry(const std::u16string& p, const std::u16string& s, const std::u16string& k,
                     const std::u16string& v) override {
            if (k == u"bad") {
                throw std::runtime_error("handler failed");
            }
            return Recorder::onEntry(p, s, k, v);
        }
    } handler;
    TempFolder folder;
    EXPECT_FALSE(loadFile(folder.writeUtf16("a.conf", u"a=1\nbad=2\nc=3\n"), handler));
    EXPECT_EQ(handler.entries, (std::vector<Entry>{{u"", u"a", u"1"}}));
}

TEST(LoadFile, NamesAFileInAnotherEncodingInTheLog) {
    TempFolder folder;
    const test::LogTail log;
    ASSERT_TRUE(Log::Open(u"vxtts.log"));
    Recorder recorder;
    const std::u16string utf8 = folder.writeBytes("utf8.conf", "[Letters]\nб=бэ\n");
    const std::u16string odd = folder.writeBytes("odd.conf", utf16le(u"a=b") + "x");
    const std::u16string good = folder.writeUtf16("good.conf", u"ключ=значение\n");
    EXPECT_TRUE(loadFile(utf8, recorder));
    EXPECT_TRUE(loadFile(odd, recorder));
    EXPECT_TRUE(loadFile(good, recorder));
    EXPECT_EQ(log.text(), u"* Not UTF-16LE text, its lines cannot be read as written: " + utf8 + u"\n"
                          u"* Not UTF-16LE text, its lines cannot be read as written: " + odd + u"\n");
    EXPECT_EQ(recorder.entries, (std::vector<Entry>{{u"", u"a", u"b"}, {u"", u"ключ", u"значение"}}));
}

} // namespace
} // namespace vx::ConfigParser
