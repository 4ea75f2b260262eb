#include "tests/text/LanguageFixture.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using Keys = std::vector<std::pair<std::u16string, std::u16string>>;

std::unique_ptr<Language> configured(const Keys& keys) { return test::makeLanguage(u"", keys); }

struct LetterCase {
    Keys keys;
    char16_t c;
    bool letter;
};

class IsLetter : public testing::TestWithParam<LetterCase> {};

TEST_P(IsLetter, FollowsTheAlphabetAndTheLetterLists) {
    EXPECT_EQ(configured(GetParam().keys)->isLetter(GetParam().c), GetParam().letter);
}

INSTANTIATE_TEST_SUITE_P(Table, IsLetter, testing::Values(
    LetterCase{{}, u'Ж', true},                                  // Cyrillic by default
    LetterCase{{}, u'\u040A', true},                             // Њ
    LetterCase{{}, u'Ё', true},
    LetterCase{{}, u'ё', true},
    LetterCase{{}, u'\u0409', false},                            // Љ
    LetterCase{{}, u'\u0450', false},
    LetterCase{{}, u'a', false},
    LetterCase{{{u"alphabet", u"latin"}}, u'z', true},
    LetterCase{{{u"alphabet", u"latin"}}, u'é', false},
    LetterCase{{{u"alphabet", u"latin"}, {u"lower", u"é"}}, u'é', true},
    LetterCase{{{u"alphabet", u"latin"}, {u"upper", u"É"}}, u'É', true},
    LetterCase{{{u"alphabet", u"Latin"}}, u'z', false},           // values are case-sensitive
    LetterCase{{{u"alphabet", u"greek"}, {u"lower", u"αβ"}}, u'β', true},
    LetterCase{{{u"alphabet", u"greek"}}, u'Ж', false},
    LetterCase{{{u"alphabet", u"cyrillic"}, {u"lower", u"іїєґ"}, {u"upper", u"ІЇЄҐ"}}, u'ґ', true}));

struct LowerCase {
    Keys keys;
    std::u16string text;
    std::u16string lowered;
};

class ToLower : public testing::TestWithParam<LowerCase> {};

TEST_P(ToLower, LowersTheAlphabetAndThePairs) {
    EXPECT_EQ(configured(GetParam().keys)->toLower(GetParam().text), GetParam().lowered);
}

INSTANTIATE_TEST_SUITE_P(Table, ToLower, testing::Values(
    LowerCase{{}, u"ЁЛКА Abc", u"ёлка Abc"},
    LowerCase{{{u"alphabet", u"latin"}}, u"Abc ЖУК", u"abc ЖУК"},
    LowerCase{{{u"alphabet", u"latin"}, {u"lower", u"äöü"}, {u"upper", u"ÄÖÜ"}}, u"ÄRGER", u"ärger"},
    LowerCase{{{u"lower", u"ї"}, {u"upper", u"Ї"}}, u"ЇЖАК", u"їжак"},
    LowerCase{{{u"alphabet", u"none"}, {u"lower", u"ab"}, {u"upper", u"AB"}}, u"ABC Ж", u"abC Ж"},
    LowerCase{{{u"lower", u"ab"}, {u"upper", u"ABC"}}, u"ABC", u"abC"},  // unpaired capitals stay
    LowerCase{{}, u"", u""}));

TEST(Language, Prepositions) {
    EXPECT_TRUE(configured({})->isPreposition(u"с"));
    EXPECT_FALSE(configured({})->isPreposition(u"и"));
    EXPECT_FALSE(configured({{u"alphabet", u"latin"}})->isPreposition(u"с"));
    EXPECT_TRUE(configured({{u"preposition", u"иа"}})->isPreposition(u"и"));
    EXPECT_TRUE(configured({{u"preposition", u"иа"}})->isPreposition(u"в"));
    EXPECT_FALSE(configured({{u"alphabet", u"latin"}, {u"preposition", u"a"}})->isPreposition(u"a"));
}

TEST(Language, Vowels) {
    EXPECT_TRUE(configured({})->hasVowel(u"мвд и"));
    EXPECT_FALSE(configured({})->hasVowel(u"мвд"));
    EXPECT_FALSE(configured({})->hasVowel(u"ЖУК")); // vowels are small letters
    EXPECT_TRUE(configured({{u"alphabet", u"latin"}})->hasVowel(u"xyz"));
    EXPECT_FALSE(configured({{u"alphabet", u"latin"}})->hasVowel(u"мама"));
    EXPECT_TRUE(configured({{u"vowels", u"іїє"}})->hasVowel(u"ії"));
    EXPECT_FALSE(configured({{u"alphabet", u"none"}})->hasVowel(u"aео"));
}

struct GroupCase {
    std::u16string numgrp;
    unsigned group;
};

class NumberGroup : public testing::TestWithParam<GroupCase> {};

TEST_P(NumberGroup, KeepsOnlyOneToTwelve) {
    EXPECT_EQ(configured({{u"numgrp", GetParam().numgrp}})->numberGroup(), GetParam().group);
}

INSTANTIATE_TEST_SUITE_P(Table, NumberGroup, testing::Values(
    GroupCase{u"2", 2}, GroupCase{u"12", 12}, GroupCase{u"1", 1}, GroupCase{u"13", 3}, GroupCase{u"0", 3},
    GroupCase{u"-2", 3}, GroupCase{u"two", 3}, GroupCase{u"99999999999999999999", 3}, GroupCase{u"4x", 4}));

TEST(Language, SplitDigits) {
    std::vector<std::u16string> groups;
    EXPECT_EQ(configured({{u"numgrp", u"2"}})->splitDigits(u"12345", groups), 3u);
    EXPECT_EQ(groups, (std::vector<std::u16string>{u"12", u"34", u"5"}));
}

} // namespace
} // namespace vx
