#include "platform/CharClass.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

struct Classes {
    char16_t c;
    bool digit, letter, space, punct, spaceLike;
};

class CharClassTest : public testing::TestWithParam<Classes> {};

TEST_P(CharClassTest, ClassifiesAlikeOnEveryPlatform) {
    const Classes& expected = GetParam();
    const char16_t c = expected.c;
    EXPECT_EQ(isDigit(c), expected.digit);
    EXPECT_EQ(isLetter(c), expected.letter);
    EXPECT_EQ(isSpace(c), expected.space);
    EXPECT_EQ(isPunct(c), expected.punct);
    EXPECT_EQ(isSpaceLike(c), expected.spaceLike);
}

// digit, letter, space, punct, space-like
INSTANTIATE_TEST_SUITE_P(Table, CharClassTest, testing::Values(
    Classes{u'7', true, false, false, false, false},
    Classes{u'٣', false, false, false, true, false},    // Arabic-Indic three is no digit here
    Classes{u'a', false, true, false, false, false},
    Classes{u'Ж', false, true, false, false, false},
    Classes{u'ё', false, true, false, false, false},
    Classes{u'ї', false, true, false, false, false},
    Classes{u'é', false, true, false, false, false},
    Classes{u'ß', false, true, false, false, false},
    Classes{u'漢', false, true, false, false, false},
    Classes{u'ª', false, true, false, false, false},    // a letter of category Lo
    Classes{u' ', false, false, true, false, true},
    Classes{u'\t', false, false, true, false, true},
    Classes{u'\v', false, false, true, false, true},
    Classes{u'\u2003', false, false, true, false, true}, // em space
    Classes{u'\u3000', false, false, true, false, true}, // ideographic space
    Classes{u'\u00A0', false, false, false, true, true}, // no-break space: space-like only
    Classes{u'\u202F', false, false, false, true, false},
    Classes{u'\0', false, false, false, false, true},
    Classes{u'\x7F', false, false, false, false, false},
    Classes{u'\x9C', false, false, false, false, false},
    Classes{u'.', false, false, false, true, false},
    Classes{u'№', false, false, false, true, false},
    Classes{u'«', false, false, false, true, false},
    Classes{u'€', false, false, false, true, false},
    Classes{u'\u0301', false, false, false, true, false}, // combining acute (stress mark)
    Classes{char16_t{0xD800}, false, false, false, false, false}));

TEST(CharClass, EveryCodeUnitHasAtMostOneClass) {
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const auto unit = static_cast<char16_t>(c);
        const int classes = isDigit(unit) + isLetter(unit) + isSpace(unit) + isPunct(unit);
        ASSERT_LE(classes, 1) << std::hex << c;
    }
}

} // namespace
} // namespace vx
