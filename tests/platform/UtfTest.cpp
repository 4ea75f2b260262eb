#include "platform/Utf.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

struct RoundTrip {
    std::string utf8;
    std::u16string utf16;
};

class UtfRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(UtfRoundTrip, ConvertsBothWays) {
    EXPECT_EQ(fromUtf8(GetParam().utf8), GetParam().utf16);
    EXPECT_EQ(toUtf8(GetParam().utf16), GetParam().utf8);
    EXPECT_TRUE(isValidUtf8(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(Table, UtfRoundTrip, testing::Values(
    RoundTrip{"", u""},
    RoundTrip{"key=value", u"key=value"},
    RoundTrip{"Съешь ещё", u"Съешь ещё"},
    RoundTrip{"€ №", u"€ №"},
    RoundTrip{"\xF0\x9F\x98\x80", u"\U0001F600"},
    RoundTrip{std::string("a\0b", 3), std::u16string(u"a\0b", 3)}));

struct Malformed {
    std::string utf8;
    std::u16string decoded;
};

class UtfMalformed : public testing::TestWithParam<Malformed> {};

TEST_P(UtfMalformed, BecomesReplacementCharacters) {
    EXPECT_FALSE(isValidUtf8(GetParam().utf8));
    EXPECT_EQ(fromUtf8(GetParam().utf8), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(Table, UtfMalformed, testing::Values(
    Malformed{"\xFF", u"\uFFFD"},
    Malformed{"a\xD0", u"a\uFFFD"},                 // truncated two-byte sequence
    Malformed{"\xD0z", u"\uFFFDz"},                 // the byte after a bad lead is kept
    Malformed{"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong "/"
    Malformed{"\xED\xA0\x80", u"\uFFFD"},           // encoded surrogate
    Malformed{"\xF4\x90\x80\x80", u"\uFFFD"},       // past U+10FFFF
    Malformed{"\xCF\x80\x80", u"\u03C0\uFFFD"}));    // stray continuation byte

TEST(Utf, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(toUtf8(std::u16string{u'a', char16_t{0xD83D}}), "a\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(std::u16string{char16_t{0xDE00}, u'b'}), "\xEF\xBF\xBD" "b");
}

} // namespace
} // namespace vx
