#include "tests/text/LanguageFixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace vx {
namespace {

using Operation = std::function<std::u16string(const Language&, std::u16string_view)>;

const Operation kMapLetters = &Language::mapLetters;
const Operation kSingleLetters = &Language::spellSingleLetters;
const Operation kAbbreviations = &Language::spellAbbreviations;
const Operation kReplacements = &Language::applyReplacements;
const Operation kUserDictionary = &Language::applyUserDictionary;
const Operation kSymbolsNone = [](const Language& l, std::u16string_view t) { return l.spellSymbols(t, Punctuation::None); };
const Operation kSymbolsSome = [](const Language& l, std::u16string_view t) { return l.spellSymbols(t, Punctuation::Some); };
const Operation kSymbolsAll = [](const Language& l, std::u16string_view t) { return l.spellSymbols(t, Punctuation::All); };

constexpr std::u16string_view kRussian =
    u"[Letters]\nб=бэ\nв=вэ\nд=дэ\nм=эм\nф=ЭФ\nс=эс\na=эй\nb=БЭ\n"
    u"[Symbols]\n+=плюс\n\\==равно\n,=запятая\n\\u0020=пробел\n"
    u"[Replacements]\nт. е.=то есть\nруб.=рублей:1\nЖЖ=Живой журнал\n";

struct OperationCase {
    const char* what;
    std::u16string dictionary;
    Operation operation;
    std::u16string input;
    std::u16string output;
};

void PrintTo(const OperationCase& c, std::ostream* os) { *os << c.what; }

class DictionaryOperation : public testing::TestWithParam<OperationCase> {};

TEST_P(DictionaryOperation, GivesTheExpectedText) {
    const auto language = test::makeLanguage(GetParam().dictionary);
    EXPECT_EQ(GetParam().operation(*language, GetParam().input), GetParam().output) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Letters, DictionaryOperation, testing::Values(
    OperationCase{"names are stored lowercased", std::u16string(kRussian), kMapLetters, u"bф", u"бээф"},
    OperationCase{"unnamed letters stay", std::u16string(kRussian), kMapLetters, u"бык", u"бэык"},
    OperationCase{"single letters are named", std::u16string(kRussian), kSingleLetters, u"a б в", u"эй бэ в"},
    OperationCase{"one character alone", std::u16string(kRussian), kSingleLetters, u"б", u"бэ"},
    OperationCase{"even a preposition alone", std::u16string(kRussian), kSingleLetters, u"в", u"вэ"},
    OperationCase{"longer runs stay", std::u16string(kRussian), kSingleLetters, u"дом 5 и", u"дом 5 и"},
    OperationCase{"abbreviations are spelled", std::u16string(kRussian), kAbbreviations, u"мвд и фсб",
                  u"эм вэ дэ  и эф эс бэ "},
    OperationCase{"words with vowels stay", std::u16string(kRussian), kAbbreviations, u"дом мвд", u"дом эм вэ дэ "},
    OperationCase{"digit runs stay", std::u16string(kRussian), kAbbreviations, u"бв12", u"бэ вэ 12"},
    OperationCase{"foreign letters stay", std::u16string(kRussian), kAbbreviations, u"бbв", u"бbв"},
    OperationCase{"punctuation runs are spelled", std::u16string(kRussian), kAbbreviations, u"!!", u"! ! "},
    OperationCase{"empty text", std::u16string(kRussian), kAbbreviations, u"", u""}));

INSTANTIATE_TEST_SUITE_P(Symbols, DictionaryOperation, testing::Values(
    OperationCase{"a name follows a space", std::u16string(kRussian), kSymbolsAll, u"a+b", u"a плюсb"},
    OperationCase{"spaces are kept", u"[Symbols]\n+=плюс\n", kSymbolsAll, u"a + b", u"a  плюс b"},
    OperationCase{"none keeps punctuation", u"[Symbols]\n,=запятая\n", kSymbolsNone, u"да, нет", u"да, нет"},
    OperationCase{"none still names spaces", std::u16string(kRussian), kSymbolsNone, u"а б", u"а пробелб"},
    OperationCase{"some names punctuation", u"[Symbols]\n,=запятая\n", kSymbolsSome, u"да, нет", u"да запятая нет"},
    OperationCase{"escaped keys", std::u16string(kRussian), kSymbolsAll, u"=", u" равно"},
    OperationCase{"no symbols, no change", u"[Letters]\nб=бэ\n", kSymbolsAll, u"+", u"+"}));

INSTANTIATE_TEST_SUITE_P(Replacements, DictionaryOperation, testing::Values(
    OperationCase{"shorter keys come first", u"[Replacements]\na=x\nab=y\n", kReplacements, u"ab", u"xb"},
    OperationCase{"no rescan of the output", u"[Replacements]\naa=a\n", kReplacements, u"aaaa", u"aa"},
    OperationCase{"growing replacement ends", u"[Replacements]\na=aa\n", kReplacements, u"aa", u"aaaa"},
    OperationCase{"later entries see the output", u"[Replacements]\na=bc\nc=d\n", kReplacements, u"xax", u"xbdx"},
    OperationCase{"earlier entries do not", u"[Replacements]\nb=a\nc=b\n", kReplacements, u"c", u"b"},
    OperationCase{"inside words", std::u16string(kRussian), kReplacements, u"100 руб.", u"100 рублей"},
    OperationCase{"capitals are kept", std::u16string(kRussian), kReplacements, u"ЖЖ", u"Живой журнал"},
    OperationCase{"exact case", std::u16string(kRussian), kReplacements, u"жж", u"жж"},
    OperationCase{"empty replacement deletes", u"[Replacements]\nь=:1\n", kReplacements, u"мышь", u"мыш"},
    OperationCase{"a key straddling a replacement", u"[Replacements]\nb=c\ncd=X\n", kReplacements, u"abd", u"aX"},
    OperationCase{"other sections do not count", u"a=x\n[Other]\nb=y\n", kReplacements, u"ab", u"ab"},
    OperationCase{"user dictionary is separate", std::u16string(kRussian), kUserDictionary, u"т. е.", u"т. е."}));

struct StoredCase {
    std::u16string value;
    std::u16string replacement;
};

class ReplacementValue : public testing::TestWithParam<StoredCase> {};

TEST_P(ReplacementValue, DropsTheFlag) {
    ReplacementDictionary dictionary;
    dictionary.set(u"k", u"earlier");
    dictionary.set(u"k", GetParam().value);
    ASSERT_NE(dictionary.find(u"k"), nullptr);
    EXPECT_EQ(*dictionary.find(u"k"), GetParam().replacement);
}

INSTANTIATE_TEST_SUITE_P(Table, ReplacementValue, testing::Values(
    StoredCase{u"и т.д.:1", u"и т.д."}, StoredCase{u"abc:", u"abc:"}, StoredCase{u":x", u""},
    StoredCase{u"\\u0020x\\u0020:0", u" x "}, StoredCase{u"\\::1", u":"}, StoredCase{u"Рубль", u"Рубль"}));

TEST(ReplacementDictionary, IgnoresEmptyKeys) {
    ReplacementDictionary dictionary;
    dictionary.set(u"", u"x");
    EXPECT_TRUE(dictionary.empty());
    EXPECT_EQ(dictionary.apply(u"abc"), u"abc");
}

// The plain algorithm: every entry in key order searches the whole text.
std::u16string replaceEntryByEntry(const std::map<std::u16string, std::u16string>& entries, std::u16string text) {
    for (const auto& [key, replacement] : entries) {
        for (std::size_t pos = 0; pos < text.size();) {
            const auto at = text.find(key, pos);
            if (at == std::u16string::npos) {
                break;
            }
            text.replace(at, key.size(), replacement);
            pos = at + replacement.size();
        }
    }
    return text;
}

TEST(ReplacementDictionary, AgreesWithReplacingEntryByEntry) {
    std::mt19937 random(20261206);
    auto word = [&random](std::size_t maxLength) {
        std::u16string w(random() % (maxLength + 1), u'a');
        for (char16_t& c : w) {
            c = static_cast<char16_t>(u'a' + random() % 3);
        }
        return w;
    };
    for (int round = 0; round < 2000; ++round) {
        ReplacementDictionary dictionary;
        std::map<std::u16string, std::u16string> entries;
        for (int i = 0, n = static_cast<int>(random() % 8); i < n; ++i) {
            std::u16string key = word(3);
            const std::u16string replacement = word(4);
            if (key.empty()) {
                continue;
            }
            dictionary.set(key, replacement);
            entries[key] = replacement;
        }
        const std::u16string text = word(24);
        ASSERT_EQ(dictionary.apply(text), replaceEntryByEntry(entries, text)) << "round " << round;
    }
}

TEST(Dictionaries, UnreadableFilesAreSkipped) {
    test::TempFolder folder;
    Language language(u"ru");
    EXPECT_FALSE(language.loadDictionary(u""));
    EXPECT_FALSE(language.loadDictionary(folder.file("missing.conf")));
    EXPECT_FALSE(language.loadUserDictionary(folder.file("missing.dic")));
    EXPECT_TRUE(language.loadDictionary(folder.writeUtf16("ru.conf", u"[Letters]\nб=бэ\n")));
    EXPECT_EQ(language.letterName(u"б"), u"бэ");
}

TEST(Dictionaries, UserDictionaryTakesEveryLine) {
    test::TempFolder folder;
    Language language(u"ru");
    ASSERT_TRUE(language.loadUserDictionary(
        folder.writeUtf16("user.dic", u"# comment\n[Replacements]\nвкл=включено\n[x]=икс\n\\#=решётка\n")));
    EXPECT_EQ(language.applyUserDictionary(u"вкл [x] #"), u"включено икс решётка");
    EXPECT_EQ(language.applyReplacements(u"вкл"), u"вкл");
}

} // namespace
} // namespace vx
