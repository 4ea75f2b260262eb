// Where the built-in voice puts the stress: the shipped stress files as the build writes them, and
// what a user's own file may hold.

#include "tembra/StressDictionary.h"

#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <string>

#ifndef VX_DATA_DIR
#error "VX_DATA_DIR must name the program's data folder (tests/CMakeLists.txt)"
#endif

namespace vx::tembra {
namespace {

constexpr std::size_t kNone = StressDictionary::kNone;

struct Stress {
    std::u16string_view word;
    std::size_t index;
    const char* why;
};

void expectStress(const StressDictionary& dictionary, std::initializer_list<Stress> rows) {
    for (const Stress& row : rows)
        EXPECT_EQ(dictionary.stressedVowel(row.word), row.index) << toUtf8(row.word) << ": " << row.why;
}

StressDictionary shipped(std::string_view name) {
    StressDictionary dictionary;
    const std::u16string path = fromUtf8(std::string(VX_DATA_DIR) + "/" + std::string(name));
    EXPECT_TRUE(dictionary.load(path)) << "cannot read " << toUtf8(path);
    EXPECT_EQ(dictionary.badLines(), 0u) << name;
    return dictionary;
}

TEST(StressDictionary, ShippedRussian) {
    expectStress(shipped("ru_stress.txt"),
                 {{u"абажур", 4, "listed"}, {u"абажурами", 4, "a stem's ending"}, {u"молоко", 5, "listed"},
                  {u"тишина", 5, "a common word before a surname"}, {u"ворота", 1, "the first of two stresses"},
                  {u"идет", 2, "a stress before its ё left out"}, {u"зелёнчики", 3, "ё"}, {u"шмурк", 2, "one vowel"},
                  {u"на", kNone, "unstressed"}, {u"через", kNone, "unstressed over the dictionary's stress"},
                  {u"про", kNone, "unstressed over the dictionary's stress"}, {u"кракозябрия", 6, "-ия 3"},
                  {u"бурдыщ", 1, "the default"}, {u"бздк", kNone, "no vowel"}});
}

TEST(StressDictionary, ShippedUkrainian) {
    expectStress(shipped("uk_stress.txt"),
                 {{u"йийи", 3, "listed (її)"}, {u"тысячамы", 1, "a stem's ending (тисячами)"}, {u"вин", 1, "one vowel (він)"},
                  {u"чэрэз", kNone, "unstressed (через)"}, {u"украйинського", 5, "-ого 3"}, {u"мова", 1, "the default"},
                  {u"бр", kNone, "no vowel"}});
}

TEST(StressDictionary, UsersFile) {
    test::TempFolder folder;
    const std::u16string path = folder.writeBytes(
        "stress.txt", "\xEF\xBB\xBF" "абаж+ур|а|ами ; after a byte-order mark\n; a comment\n  зам+ок  \r\nз+амок\nна\n-ция 2\n"
                      "-ия 9\n- 1\nАбажур\nм+олок+о\nм+локо\nмол|око+\nдва слова\n-ция\n-ция 0\n-ция2\n");
    StressDictionary dictionary;
    ASSERT_TRUE(dictionary.load(path));
    EXPECT_EQ(dictionary.badLines(), 8u);
    expectStress(dictionary, {{u"абажур", 4, "a form"}, {u"абажурами", 4, "a stem's ending"},
                              {u"замок", 1, "the later entry"}, {u"на", kNone, "unstressed"},
                              {u"революция", 7, "the longest rule"},
                              {u"магия", 4, "a rule that counts more vowels than the word has is passed over"},
                              {u"кошка", 4, "the default"}, {u"аэроплан", 6, "the default"}});
    EXPECT_FALSE(dictionary.load(folder.file("missing.txt")));
    ASSERT_TRUE(dictionary.load(folder.writeBytes("later.txt", "зам+ок\n- 5\n")));
    expectStress(dictionary, {{u"замок", 3, "a later file"},
                              {u"кошка", 1, "a default that counts more vowels than the word has: its first"},
                              {u"абажура", 4, "kept from the first file"}});
}

} // namespace
} // namespace vx::tembra
