#include "config/TextUtil.h"
#include "tests/text/LanguageFixture.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

// The words as the pipeline passes them on, with the extra spaces cleaned away.
std::u16string spoken(const Language& language, std::u16string_view digits) {
    return TextUtil::trim(TextUtil::collapseSpaces(language.numberToWords(digits)));
}

struct NumberCase {
    std::u16string digits;
    std::u16string words;
};

class RussianNumbers : public testing::TestWithParam<NumberCase> {
protected:
    static inline const std::unique_ptr<Language> russian = test::makeLanguage(test::kRussianDictionary);
};

TEST_P(RussianNumbers, ReadAsWords) {
    EXPECT_EQ(spoken(*russian, GetParam().digits), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(Table, RussianNumbers, testing::Values(
    NumberCase{u"0", u"ноль"},
    NumberCase{u"000", u"ноль ноль ноль"},
    NumberCase{u"007", u"ноль ноль семь"},
    NumberCase{u"7", u"семь"},
    NumberCase{u"15", u"пятнадцать"},
    NumberCase{u"42", u"сорок два"},
    NumberCase{u"100", u"сто"},
    NumberCase{u"311", u"триста одиннадцать"},
    NumberCase{u"999", u"девятьсот девяносто девять"},
    NumberCase{u"1000", u"одна тысяча"},
    NumberCase{u"2000", u"две тысячи"},
    NumberCase{u"5000", u"пять тысяч"},
    NumberCase{u"11000", u"одиннадцать тысяч"},
    NumberCase{u"14000", u"четырнадцать тысяч"},
    NumberCase{u"21000", u"двадцать одна тысяча"},
    NumberCase{u"22000", u"двадцать две тысячи"},
    NumberCase{u"25000", u"двадцать пять тысяч"},
    NumberCase{u"1001", u"одна тысяча один"},
    NumberCase{u"1000000", u"один миллион"},
    NumberCase{u"1000001", u"один миллион один"},
    NumberCase{u"3000000", u"три миллиона"},
    NumberCase{u"20000000", u"двадцать миллионов"},
    NumberCase{u"100000000", u"сто миллионов"},
    NumberCase{u"2000000000", u"два миллиарда"},
    NumberCase{u"012", u"ноль двенадцать"},
    NumberCase{u"999999999999",
               u"девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
               u"девятьсот девяносто девять тысяч девятьсот девяносто девять"},
    NumberCase{u"1234567890123", u"сто двадцать три четыреста пятьдесят шесть семьсот восемьдесят девять "
                                 u"ноль двенадцать три"}));

TEST(Numbers, MissingWordsAreReadAsTheirKeys) {
    const auto sparse = test::makeLanguage(u"[Numbers]\n1=one\n5=five\n");
    EXPECT_EQ(spoken(*sparse, u"300"), u"300");
    EXPECT_EQ(spoken(*sparse, u"1000"), u"1f thousand_s");
    EXPECT_EQ(spoken(*sparse, u"5000000"), u"five");
    EXPECT_EQ(spoken(*sparse, u"01"), u"one");
}

TEST(Numbers, HundredsFromTheHundredWord) {
    const auto english = test::makeLanguage(u"[Numbers]\n3=three\n4=four\nhundred=hundred\n20=twenty\n", {},
                                            u"en");
    EXPECT_EQ(spoken(*english, u"324"), u"three hundred twenty four");
}

TEST(Numbers, WithoutNumberWordsDigitsStay) {
    const auto empty = test::makeLanguage(u"");
    EXPECT_EQ(empty->numberToWords(u"2024"), u"2024");
    EXPECT_EQ(empty->numberToWords(u""), u"");
}

TEST(Numbers, LongRunsAreReadInGroupsOfTheLanguage) {
    const auto pairs = test::makeLanguage(test::kRussianDictionary, {{u"numgrp", u"2"}});
    EXPECT_EQ(spoken(*pairs, u"1234567890123"),
              u"двенадцать тридцать четыре пятьдесят шесть семьдесят восемь девяносто двенадцать три");
}

TEST(Numbers, GroupWords) {
    const auto russian = test::makeLanguage(test::kRussianDictionary);
    EXPECT_EQ(russian->groupWords(1000, 0), u"");
    EXPECT_EQ(russian->groupWords(512, 1), u"пятьсот двенадцать тысяч");
    EXPECT_EQ(russian->groupWords(0, 2), u" миллионов");
    EXPECT_EQ(russian->groupWords(1, 3), u" один миллиард");
}

} // namespace
} // namespace vx
