#include "config/TextUtil.h"

#include <climits>
#include <gtest/gtest.h>

namespace vx::TextUtil {
namespace {

using Pieces = std::vector<std::u16string>;

TEST(TextUtil, TrimAndTrimChars) {
    EXPECT_EQ(trim(u" \t\a\b\f\v\r\nkey \r\n"), u"key");
    EXPECT_EQ(trim(u" \u00A0x\u00A0 "), u"\u00A0x\u00A0"); // only the C white space set
    EXPECT_EQ(trim(u" \t "), u"");
    EXPECT_EQ(trimChars(u"[[Numbers]]", u"[]"), u"Numbers");
    EXPECT_EQ(trimChars(u"\"a \"b\" \"", u" \t\""), u"a \"b");
    EXPECT_EQ(trimChars(u"abc", u""), u"abc");
    EXPECT_EQ(trimChars(u"", u"x"), u"");
}

struct SplitCase {
    std::u16string text;
    std::u16string delimiters;
    std::size_t maxLength;
    bool keep;
    Pieces pieces;
};

class Split : public testing::TestWithParam<SplitCase> {};

TEST_P(Split, CutsAtDelimiters) {
    const SplitCase& c = GetParam();
    Pieces out{u"earlier"};
    EXPECT_EQ(split(c.text, c.delimiters, out, c.maxLength, c.keep), c.pieces.size());
    out.erase(out.begin());
    EXPECT_EQ(out, c.pieces);
}

INSTANTIATE_TEST_SUITE_P(Table, Split, testing::Values(
    SplitCase{u"a..b", u".", 0, true, {u"a.", u".", u"b"}},
    SplitCase{u"a==b", u"=", 0, false, {u"a", u"", u"b"}},
    SplitCase{u"=v", u"=", 0, false, {u"", u"v"}},
    SplitCase{u"k=v=", u"=", 0, false, {u"k", u"v"}},
    SplitCase{u"=", u"=", 0, false, {u"="}},
    SplitCase{u"", u"=", 0, false, {}},
    SplitCase{u"a b,c", u" ,", 0, false, {u"a", u"b", u"c"}},
    SplitCase{u"abcdef", u"", 4, false, {u"abcd", u"ef"}},
    SplitCase{u"aaaaaa,b", u",", 4, false, {u"aaaa", u"aa", u"b"}}));

struct ChunkCase {
    std::u16string text;
    std::size_t maxLength;
    bool fixed;
    Pieces pieces;
};

class Chunk : public testing::TestWithParam<ChunkCase> {};

TEST_P(Chunk, CutsToLength) {
    const ChunkCase& c = GetParam();
    Pieces out;
    EXPECT_EQ(chunk(c.text, out, c.maxLength, c.fixed), c.pieces.size());
    EXPECT_EQ(out, c.pieces);
}

INSTANTIATE_TEST_SUITE_P(Table, Chunk, testing::Values(
    ChunkCase{u"aaaaaaaaaa bbb ccc", 10, false, {u"aaaaaaaaaa", u" bbb", u" ccc"}},
    ChunkCase{u"Да. Нет! Ну?", 5, false, {u"Да.", u" Нет!", u" Ну", u"?"}}, // the tail is cut again
    ChunkCase{u"abcdefgh", 3, false, {u"abc", u"def", u"gh"}},
    ChunkCase{u"ab cd ef", 3, true, {u"ab ", u"cd ", u"ef"}},
    ChunkCase{u"12345", 2, true, {u"12", u"34", u"5"}},
    ChunkCase{u"abc", 0, false, {u"abc"}},
    ChunkCase{u"", 3, false, {}}));

struct RunsCase {
    std::u16string text;
    Pieces runs;
};

class SplitRuns : public testing::TestWithParam<RunsCase> {};

TEST_P(SplitRuns, CutsDigitsLettersAndTheRest) {
    Pieces out;
    EXPECT_EQ(splitRuns(GetParam().text, out), GetParam().runs.size());
    EXPECT_EQ(out, GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitRuns, testing::Values(
    RunsCase{u"", {}},
    RunsCase{u"x", {u"x"}},
    RunsCase{u"21 000 руб.", {u"21", u" ", u"000", u" ", u"руб", u"."}},
    RunsCase{u"abcЖЖ12!?x", {u"abcЖЖ", u"12", u"!?", u"x"}},
    RunsCase{u"..5", {u"..", u"5"}}));

TEST(TextUtil, CollapseSpaces) {
    EXPECT_EQ(collapseSpaces(u"a \u00A0\t b  "), u"a b");
    EXPECT_EQ(collapseSpaces(u"  a  b"), u" a b");
    EXPECT_EQ(collapseSpaces(std::u16string(u"a\0\0b", 4)), u"a b");
    EXPECT_EQ(collapseSpaces(u" "), u" ");
    EXPECT_EQ(collapseSpaces(u"  "), u"");
}

TEST(TextUtil, FilterChars) {
    EXPECT_EQ(filterChars(u"a-1,b", u",", u' ', true, false), u"a  ,b");
    EXPECT_EQ(filterChars(u"a-1,b", u"", 0, false, true), u"1");
    EXPECT_EQ(filterChars(u"Жук 7", u"", u'_', true, true), u"Жук_7");
    EXPECT_EQ(filterChars(u"abc", u"", u'_', false, false), u"");
    EXPECT_EQ(filterChars(u"", u"a", u'_', true, true), u"");
}

TEST(TextUtil, BlankAndDigits) {
    EXPECT_TRUE(isBlank(u""));
    EXPECT_TRUE(isBlank(u" \u00A0\t"));
    EXPECT_FALSE(isBlank(u" ."));
    EXPECT_TRUE(isAllDigits(u"0123"));
    EXPECT_FALSE(isAllDigits(u""));
    EXPECT_FALSE(isAllDigits(u"12a"));
}

TEST(TextUtil, LowerCyrillicLatin) {
    EXPECT_EQ(lowerCyrillicLatin(u"БЭ Ёж ABCxyz ÄЇ"), u"бэ ёж abcxyz ÄЇ");
}

struct IntCase {
    std::u16string text;
    int value;
};

class ToInt : public testing::TestWithParam<IntCase> {};

TEST_P(ToInt, ReadsLikeWtoiButSaturates) { EXPECT_EQ(toInt(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Table, ToInt, testing::Values(
    IntCase{u"12", 12}, IntCase{u"  -7x", -7}, IntCase{u"+3", 3}, IntCase{u"two", 0}, IntCase{u"", 0},
    IntCase{u"- 5", 0}, IntCase{u"2147483647", INT_MAX}, IntCase{u"99999999999999999999", INT_MAX},
    IntCase{u"-2147483648", INT_MIN}, IntCase{u"-99999999999999999999", INT_MIN}));

} // namespace
} // namespace vx::TextUtil
