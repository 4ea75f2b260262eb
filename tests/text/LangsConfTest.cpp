#include "tests/support/TempFolder.h"
#include "text/LangsConf.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using test::TempFolder;

class LangsConfLoad : public testing::Test {
protected:
    // Writes a file into the program's data folder.
    void put(const char* name, std::u16string_view text) const {
        folder.writeUtf16(std::string("data/") + name, text);
    }
    bool load() { return langs.load(folder.path().u16string(), {folder.file("user"), folder.path().u16string()}); }

    TempFolder folder;
    LangsConf langs;
};

TEST_F(LangsConfLoad, MakesLanguagesWithTheirDictionaries) {
    put("langs.conf", u"[ru]\nalphabet = cyrillic\nnumgrp = 2\n[en]\nalphabet=latin\n");
    put("ru.conf", u"[Letters]\nб=бэ\n[Numbers]\n5=пять\n");
    ASSERT_TRUE(load());
    const Language* ru = langs.get(u"ru");
    const Language* en = langs.get(u"en");
    ASSERT_TRUE(ru && en);
    EXPECT_EQ(ru->name(), u"ru");
    EXPECT_EQ(ru->numberGroup(), 2u);
    EXPECT_EQ(ru->letterName(u"б"), u"бэ");
    EXPECT_EQ(ru->numberToWords(u"5"), u"  пять");
    EXPECT_EQ(en->alphabet(), Alphabet::Latin);
    EXPECT_EQ(en->letterName(u"b"), u"b"); // no en.conf: a language without dictionaries
    EXPECT_EQ(langs.get(u"Ru"), nullptr);
}

TEST_F(LangsConfLoad, ALanguageNeedsAnEntry) {
    put("langs.conf", u"[ru]\n[uk]\nlower=ї\n[en]\n; only a comment\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(langs.get(u"ru"), nullptr);
    EXPECT_NE(langs.get(u"uk"), nullptr);
    EXPECT_EQ(langs.get(u"en"), nullptr);
}

TEST_F(LangsConfLoad, UserDictionariesAddUp) {
    put("langs.conf", u"[ru]\ndictionary=one.dic\ndictionary = two.dic\ndictionary=missing.dic\n");
    put("one.dic", u"вкл=включено\n");
    put("two.dic", u"выкл=выключено\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(langs.get(u"ru")->applyUserDictionary(u"вкл выкл"), u"включено выключено");
}

TEST_F(LangsConfLoad, ARepeatedSectionContinuesItsLanguage) {
    put("langs.conf", u"[ru]\nvowels=і\n[en]\nalphabet=latin\n[ru]\nnumgrp=4\n");
    put("ru.conf", u"[Replacements]\nа=аа\n");
    ASSERT_TRUE(load());
    const Language* ru = langs.get(u"ru");
    EXPECT_TRUE(ru->hasVowel(u"і"));
    EXPECT_EQ(ru->numberGroup(), 4u);
    EXPECT_EQ(ru->applyReplacements(u"а"), u"аа"); // the dictionary was read once
}

TEST_F(LangsConfLoad, DictionariesComeFromTheFolderOfTheFileRead) {
    folder.writeUtf16("user/data/langs.conf", u"[ru]\nalphabet=cyrillic\n");
    put("ru.conf", u"[Letters]\nб=бэ\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(langs.get(u"ru")->letterName(u"б"), u"б");
}

TEST_F(LangsConfLoad, ClearDeletesTheLanguages) {
    put("langs.conf", u"[ru]\nalphabet=cyrillic\n");
    ASSERT_TRUE(load());
    langs.clear();
    EXPECT_EQ(langs.get(u"ru"), nullptr);
    EXPECT_FALSE(LangsConf().load(folder.file("nowhere"), {folder.file("nowhere")}));
}

} // namespace
} // namespace vx
