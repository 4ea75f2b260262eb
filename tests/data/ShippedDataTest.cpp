// The shipped configuration as the engine finds it: the UTF-16LE files that the build writes into
// the program's data folder, read with LangsConf. The tables check what words become on their way
// to the built-in synthesizer, and the sweeps check the property that matters most: whatever a
// Ukrainian or English word turns into, the synthesizer can say all of it (it is silent on every
// character but the small Russian letters, space and . , ! ? ; : -).

#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/LangsConf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#ifndef VX_DATA_DIR
#error "VX_DATA_DIR must name the folder of the encoded data files"
#endif

namespace vx {
namespace {

const std::u16string kDataFolder = fromUtf8(VX_DATA_DIR);

// The shipped languages, read once as the engine reads them: <program folder>/data/langs.conf.
LangsConf& shipped() {
    static LangsConf langs;
    static const bool loaded = langs.load(u"", {platform::parentFolder(kDataFolder)});
    EXPECT_TRUE(loaded) << "no langs.conf in " << VX_DATA_DIR;
    return langs;
}

const Language& language(const char16_t* name) {
    Language* found = shipped().get(name);
    if (!found) {
        ADD_FAILURE() << "langs.conf has no language " << toUtf8(name);
        static const Language empty(u"none");
        return empty;
    }
    return *found;
}

const Language& ru() { return language(u"ru"); }
const Language& uk() { return language(u"uk"); }
const Language& en() { return language(u"en"); }

// What the pipeline does to every run before a module gets it.
std::u16string cleaned(std::u16string_view text) {
    return TextUtil::trim(TextUtil::collapseSpaces(TextUtil::filterChars(text, u".,?!;:- ", u' ', true, true)));
}

enum class Branch { First, Second };

// A run of words as the pipeline normalizes it for the voice's first or second language: trimmed,
// lowered, symbols named; a run of one character becomes its letter name (a one-letter word of
// the first language stays, unless it is the whole text: single); a longer run has its lone
// letters named, then replacements and abbreviations in the order of its branch.
std::u16string wordRun(const Language& lang, std::u16string_view run, Branch branch,
                       Punctuation mode = Punctuation::None, bool single = false) {
    std::u16string text = lang.spellSymbols(lang.toLower(TextUtil::trim(run)), mode);
    if (text.size() == 1) {
        if (branch == Branch::Second || single || !lang.isPreposition(text)) {
            text = lang.mapLetters(text);
            if (text.size() == 1) {
                text = lang.spellSymbols(text, mode);
            }
        }
    } else if (branch == Branch::First) {
        text = lang.spellAbbreviations(lang.applyReplacements(lang.spellSingleLetters(text)));
    } else {
        text = lang.applyReplacements(lang.spellAbbreviations(lang.spellSingleLetters(text)));
    }
    return cleaned(text);
}

std::u16string numberRun(const Language& lang, std::u16string_view digits) {
    return cleaned(lang.numberToWords(digits));
}

bool speakableChar(char16_t c) {
    return (c >= u'а' && c <= u'я') || c == u'ё' || std::u16string_view(u" .,!?;:-").find(c) != std::u16string_view::npos;
}

// The characters of text that the built-in synthesizer does not say; empty when it says all.
std::u16string unspeakable(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        if (!speakableChar(c) && out.find(c) == std::u16string::npos) {
            out += c;
        }
    }
    return out;
}

// Collects inputs whose output fails a check and reports the first few at once.
class Failures {
public:
    void add(std::u16string_view input, std::u16string_view output, std::u16string_view why) {
        if (count_++ < 10) {
            text_ += "\n  \"" + toUtf8(input) + "\" -> \"" + toUtf8(output) + "\" (" + toUtf8(why) + ")";
        }
    }
    void checkSpeakable(std::u16string_view input, std::u16string_view output) {
        const std::u16string bad = unspeakable(output);
        if (!bad.empty()) {
            add(input, output, u"unspeakable: " + bad);
        }
    }
    std::size_t count() const { return count_; }
    std::string report() const { return std::to_string(count_) + " failures:" + text_; }

private:
    std::size_t count_ = 0;
    std::string text_;
};

struct Case {
    std::u16string input;
    std::u16string expected;
};

// gtest names a failing row by its input.
void PrintTo(const Case& c, std::ostream* os) { *os << '"' << toUtf8(c.input) << '"'; }

std::string describe(const Case& c, const std::u16string& actual) {
    return "input \"" + toUtf8(c.input) + "\": got \"" + toUtf8(actual) + "\", want \"" + toUtf8(c.expected) + "\"";
}

// ---------------------------------------------------------------------------------------------
// The files

class EncodedFile : public testing::TestWithParam<const char16_t*> {};

TEST_P(EncodedFile, IsUtf16LittleEndianWithoutAByteOrderMark) {
    const auto bytes = platform::readFileBytes(platform::joinPath(kDataFolder, GetParam()));
    ASSERT_TRUE(bytes.has_value()) << toUtf8(GetParam()) << " is missing from " << VX_DATA_DIR;
    ASSERT_GE(bytes->size(), 2u);
    EXPECT_EQ(bytes->size() % 2, 0u);
    EXPECT_FALSE((*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) << "starts with a byte-order mark";
    EXPECT_FALSE(ConfigParser::looksLikeOtherEncoding(bytes->data(), bytes->size()));
}

INSTANTIATE_TEST_SUITE_P(Shipped, EncodedFile,
                         testing::Values(u"langs.conf", u"engines.conf", u"voices.conf", u"ru.conf", u"uk.conf",
                                         u"en.conf"));

// Entries of one configuration file by section.
class Entries : public ConfigHandler {
public:
    explicit Entries(const char16_t* name) { ConfigParser::loadFile(platform::joinPath(kDataFolder, name), *this); }
    bool onEntry(const std::u16string&, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override {
        sections[section].emplace_back(key, value);
        return true;
    }
    std::map<std::u16string, std::vector<std::pair<std::u16string, std::u16string>>> sections;
};

TEST(ShippedVoices, NameOnlyDefinedLanguagesAndModules) {
    const Entries voices(u"voices.conf");
    const Entries engines(u"engines.conf");
    const std::set<std::u16string> voiceKeys = {u"punctuation", u"digit_subvoice", u"punctuation_subvoice", u"speed",
                                                u"pitch", u"volume", u"max_portion_size", u"min_portion_size"};
    // The voice tokens that the server registers, with the languages of their subvoices in order.
    const std::map<std::u16string, std::vector<std::u16string>> wanted = {{u"tembra", {u"ru", u"en"}},
                                                                          {u"tembra_uk", {u"uk", u"en"}}};
    for (const auto& [voice, languages] : wanted) {
        SCOPED_TRACE(toUtf8(voice));
        const auto section = voices.sections.find(voice);
        ASSERT_NE(section, voices.sections.end());
        std::vector<std::u16string> subvoices;
        for (const auto& [key, value] : section->second) {
            if (voiceKeys.count(key)) {
                continue;
            }
            // A line that names an unknown language or module would discard the voice.
            EXPECT_NE(shipped().get(key), nullptr) << "unknown language " << toUtf8(key);
            EXPECT_TRUE(engines.sections.count(value)) << "unknown module " << toUtf8(value);
            subvoices.push_back(key);
        }
        EXPECT_EQ(subvoices, languages);
    }
}

TEST(ShippedEngines, TheBuiltInSynthesizerUsesTheFastSonicQuality) {
    const Entries engines(u"engines.conf");
    const auto tembra = engines.sections.find(u"tembra");
    ASSERT_NE(tembra, engines.sections.end());
    const auto& entries = tembra->second;
    const auto quality = std::find_if(entries.begin(), entries.end(),
                                      [](const auto& entry) { return entry.first == u"sonic.quality"; });
    ASSERT_NE(quality, entries.end());
    EXPECT_EQ(quality->second, u"0");
}

// ---------------------------------------------------------------------------------------------
// Russian

class RussianNumbers : public testing::TestWithParam<Case> {};

TEST_P(RussianNumbers, HaveTheRightForms) {
    const std::u16string actual = numberRun(ru(), GetParam().input);
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, RussianNumbers, testing::Values(
    Case{u"0", u"ноль"},
    Case{u"7", u"семь"},
    Case{u"007", u"ноль ноль семь"},
    Case{u"21", u"двадцать один"},
    Case{u"100", u"сто"},
    Case{u"999", u"девятьсот девяносто девять"},
    Case{u"1000", u"одна тысяча"},
    Case{u"1001", u"одна тысяча один"},
    Case{u"2000", u"две тысячи"},
    Case{u"5000", u"пять тысяч"},
    Case{u"11000", u"одиннадцать тысяч"},
    Case{u"21000", u"двадцать одна тысяча"},
    Case{u"22000", u"двадцать две тысячи"},
    Case{u"1000000", u"один миллион"},
    Case{u"2000000", u"два миллиона"},
    Case{u"5000000", u"пять миллионов"},
    Case{u"1000000000", u"один миллиард"},
    Case{u"2000000000", u"два миллиарда"},
    Case{u"1234567", u"один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь"}));

// Runs of Russian words as they reach the first-language branch (a number before an abbreviation
// is a run of its own, so "в 2024 г." gives the run "г.").
class RussianAbbreviations : public testing::TestWithParam<Case> {};

TEST_P(RussianAbbreviations, AreSpokenInFull) {
    const std::u16string actual = wordRun(ru(), GetParam().input, Branch::First);
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, RussianAbbreviations, testing::Values(
    Case{u"Это, т. е. пример", u"это, то есть пример"},
    Case{u"т.е.", u"то есть"},
    Case{u"Яблоки, груши и т. д.", u"яблоки, груши и так далее"},
    Case{u"и т.д.", u"и так далее"},
    Case{u"и т. п.", u"и тому подобное"},
    Case{u"и т.п.", u"и тому подобное"},
    Case{u"Т. к. он ушёл", u"так как он ушёл"},
    Case{u"т.к.", u"так как"},
    Case{u"т. н. эффект", u"так называемый эффект"},
    Case{u"в т. ч. налоги", u"в том числе налоги"},
    Case{u"таким образом, т. о.", u"таким образом, таким образом"},
    Case{u"г.", u"год"},
    Case{u"гг.", u"годы"},
    Case{u"г. Москва", u"год москва"},
    Case{u"Живёт на ул. Ленина, кв.", u"живёт на улица ленина, квартира"},
    Case{u"тыс. руб.", u"тысяч рублей"},
    Case{u"руб. коп.", u"рублей копеек"},
    Case{u"млн", u"миллионов"},
    Case{u"млрд руб.", u"миллиардов рублей"},
    Case{u"см. рис.", u"смотри рисунок"},
    Case{u"на стр. десять", u"на страница десять"},
    Case{u"поэты, писатели и др.", u"поэты, писатели и другие"},
    Case{u"и пр.", u"и прочее"},
    Case{u"до н. э.", u"до нашей эры"},
    Case{u"И. о. директора", u"исполняющий обязанности директора"},
    Case{u"напр. так", u"например так"},
    Case{u"Тверская обл.", u"тверская область"},
    Case{u"Центральный р-н", u"центральный район"},
    // Keys must not hit the same letters inside a word.
    Case{u"Сел на стул.", u"сел на стул."},
    Case{u"Новый министр.", u"новый министр."},
    Case{u"Скажи им.", u"скажи им."},
    Case{u"Он бодр.", u"он бодр."},
    Case{u"Много вод.", u"много вод."},
    Case{u"Гэс", u"гэс"},
    // Words without vowels are spelled after the replacements.
    Case{u"МВД и ФСБ", u"эм вэ дэ и эф эс бэ"},
    Case{u"ё", u"ё"},
    // Ukrainian letters in Russian text are read the Russian way.
    Case{u"Привіт", u"привит"},
    Case{u"Київ", u"кийив"}));

class RussianSymbols : public testing::TestWithParam<Case> {};

TEST_P(RussianSymbols, AreNamedWhenPunctuationIsSpoken) {
    const std::u16string actual = cleaned(ru().spellSymbols(GetParam().input, Punctuation::All));
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, RussianSymbols, testing::Values(
    Case{u"+", u"плюс"},
    Case{u"\u2212", u"минус"},
    Case{u"-", u"дефис"},
    Case{u"=", u"равно"},
    Case{u"%", u"процент"},
    Case{u"№", u"номер"},
    Case{u"$", u"доллар"},
    Case{u"€", u"евро"},
    Case{u"₽", u"рубль"},
    Case{u"@", u"собака"},
    Case{u"#", u"решётка"},
    Case{u";", u"точка с запятой"},
    Case{u"\\", u"обратная косая черта"},
    Case{u"«", u"открывающая кавычка"},
    Case{u"»", u"закрывающая кавычка"},
    Case{u"…", u"многоточие"},
    Case{u".", u"точка"},
    Case{u",", u"запятая"},
    Case{u"?", u"вопросительный знак"},
    Case{u"!", u"восклицательный знак"},
    Case{u":", u"двоеточие"},
    Case{u"(", u"открывающая скобка"},
    Case{u"[", u"открывающая квадратная скобка"},
    Case{u"5%", u"5 процент"},
    Case{u"a+b", u"a плюсb"},
    // Spaces are never named.
    Case{u"a + b", u"a плюс b"}));

TEST(RussianPunctuation, StaysWhenItIsNotSpoken) {
    EXPECT_EQ(ru().spellSymbols(u"да, нет.", Punctuation::None), u"да, нет.");
}

// The characters a screen reader meets that should have names in every language of a voice.
constexpr std::u16string_view kNamedSymbols =
    u"+\u2212-=%№$€₽£@#&*/\\<>«»\"“”„()[]{}…_|~^`§°©®™•·.,?!;:";

TEST(ShippedSymbols, AreNamedAndSpeakableInRussianAndUkrainian) {
    for (const Language* lang : {&ru(), &uk()}) {
        Failures failures;
        for (const char16_t c : kNamedSymbols) {
            const std::u16string symbol(1, c);
            const std::u16string name = cleaned(lang->spellSymbols(symbol, Punctuation::All));
            if (name.empty() || name == symbol) {
                failures.add(symbol, name, u"no name");
            }
            failures.checkSpeakable(symbol, name);
            // Inside a run of words a name is put in before the replacements; it must come out
            // the same as when it is spoken by itself.
            if (lang->applyReplacements(name) != name) {
                failures.add(symbol, lang->applyReplacements(name), u"changed by the replacements");
            }
        }
        EXPECT_EQ(failures.count(), 0u) << toUtf8(lang->name()) << ": " << failures.report();
    }
}

// English names symbols only for a voice that gives it spoken punctuation; what it names must
// be speakable all the same.
TEST(ShippedSymbols, EnglishNamesAreSpeakable) {
    Failures failures;
    for (const char16_t c : kNamedSymbols) {
        failures.checkSpeakable(std::u16string(1, c), cleaned(en().spellSymbols(std::u16string(1, c), Punctuation::All)));
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

constexpr std::u16string_view kRussianLetters = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
constexpr std::u16string_view kRussianVowels = u"аеёиоуыэюя";
constexpr std::u16string_view kLatinLetters = u"abcdefghijklmnopqrstuvwxyz";

TEST(RussianLetters, EveryLetterHasASpeakableName) {
    Failures failures;
    for (const char16_t c : kRussianLetters) {
        const std::u16string letter(1, c);
        const std::u16string name = ru().letterName(letter);
        failures.checkSpeakable(letter, name);
        // A vowel is said as itself; a consonant needs a vowel to be heard; ъ and ь are silent.
        const bool vowel = kRussianVowels.find(c) != std::u16string_view::npos;
        if (vowel ? name != letter : name == letter || !ru().hasVowel(name)) {
            failures.add(letter, name, vowel ? u"a vowel is named by itself" : u"no syllable");
        }
        if (ru().applyReplacements(name) != name) {
            failures.add(letter, ru().applyReplacements(name), u"changed by the replacements");
        }
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

TEST(RussianLetters, EveryLatinLetterHasACyrillicName) {
    Failures failures;
    for (const char16_t c : kLatinLetters) {
        const std::u16string letter(1, c);
        const std::u16string name = ru().letterName(letter);
        if (name == letter || name.empty()) {
            failures.add(letter, name, u"no name");
        }
        failures.checkSpeakable(letter, name);
        // A Russian reader and the English voice name a Latin letter alike.
        if (name != en().letterName(letter)) {
            failures.add(letter, en().letterName(letter), u"English names it differently");
        }
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

class RussianSpelling : public testing::TestWithParam<Case> {};

TEST_P(RussianSpelling, NamesEachCharacterOfASpelledText) {
    std::u16string actual;
    for (const char16_t c : GetParam().input) {
        actual += wordRun(ru(), std::u16string(1, c), Branch::First, Punctuation::All, true) + u"|";
    }
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, RussianSpelling, testing::Values(
    Case{u"Съезд", u"эс|твёрдый знак|е|зэ|дэ|"},
    Case{u"йод", u"и краткое|о|дэ|"},
    Case{u"в", u"вэ|"},
    Case{u"Щ!", u"ща|восклицательный знак|"},
    Case{u"Wi", u"дабл ю|ай|"},
    Case{u"X", u"экс|"}));

// ---------------------------------------------------------------------------------------------
// Ukrainian

class UkrainianWords : public testing::TestWithParam<Case> {};

TEST_P(UkrainianWords, AreWrittenInTheLettersOfTheSynthesizer) {
    const std::u16string actual = wordRun(uk(), GetParam().input, Branch::First);
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, UkrainianWords, testing::Values(
    Case{u"привіт", u"прывит"},
    Case{u"Привіт", u"прывит"},
    Case{u"їжак", u"йижак"},
    Case{u"ЇЖАК", u"йижак"},
    Case{u"єдиний", u"едыный"},
    Case{u"Європа", u"европа"},
    Case{u"ґанок", u"ганок"},
    Case{u"Ґудзик", u"гудзык"},
    Case{u"сьогодні", u"сьогодни"},
    Case{u"Київ", u"кыйив"},
    Case{u"синє небо", u"сыне нэбо"},
    Case{u"м'ясо", u"мъясо"},
    Case{u"п’ять", u"пъять"},
    Case{u"пʼять", u"пъять"},
    Case{u"сім'я", u"симъя"},
    Case{u"об'єкт", u"объект"},
    Case{u"з'їзд", u"зъйизд"},
    Case{u"інтерв'ю", u"интэрвъю"},
    Case{u"комп'ютер", u"компъютэр"},
    Case{u"щастя", u"щастя"},
    Case{u"День Незалежності", u"дэнь нэзалэжности"},
    Case{u"Хліб і сіль", u"хлиб и силь"},
    Case{u"Вона й він", u"вона й вин"},
    Case{u"кава з молоком", u"кава з молоком"},
    // Abbreviations (lone letters arrive as their names).
    Case{u"т. зв. реформа", u"так званый рэформа"},
    Case{u"і т. д.", u"и так дали"},
    Case{u"і т.д.", u"и так дали"},
    Case{u"і т. п.", u"и тому подибнэ"},
    Case{u"та ін.", u"та инши"},
    Case{u"і т. ін.", u"и такэ иншэ"},
    Case{u"т. б. завжди", u"тобто завжды"},
    Case{u"тис. грн", u"тысяч грывэнь"},
    Case{u"млн", u"мильйонив"},
    Case{u"у м. Київ", u"у мисто кыйив"},
    Case{u"вул. Хрещатик", u"вулыця хрэщатык"},
    Case{u"див. вище", u"дывысь выщэ"},
    Case{u"ЗСУ", u"зэ эс у"},
    Case{u"МВС", u"эм вэ эс"},
    // Keys must not hit the same letters inside a word.
    Case{u"Нових систем.", u"новых сыстэм."},
    Case{u"Тепер.", u"тэпэр."}));

class UkrainianSingleLetters : public testing::TestWithParam<Case> {};

// A one-letter run between numbers or symbols ("5 і 6") is read by itself.
TEST_P(UkrainianSingleLetters, AreReadAsWordsOrLetterNames) {
    const std::u16string actual = wordRun(uk(), GetParam().input, Branch::First);
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, UkrainianSingleLetters, testing::Values(
    Case{u"і", u"и"},
    Case{u"І", u"и"},
    Case{u"й", u"й"},
    Case{u"з", u"з"},
    Case{u"ї", u"йи"},
    Case{u"є", u"йэ"},
    Case{u"ґ", u"гэ"},
    Case{u"и", u"ы"},
    Case{u"е", u"э"},
    Case{u"щ", u"шча"},
    Case{u"ь", u"мъякый знак"}));

class UkrainianNumbers : public testing::TestWithParam<Case> {};

TEST_P(UkrainianNumbers, HaveTheRightForms) {
    const std::u16string actual = numberRun(uk(), GetParam().input);
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, UkrainianNumbers, testing::Values(
    Case{u"0", u"нуль"},
    Case{u"1", u"одын"},
    Case{u"5", u"пъять"},
    Case{u"19", u"дэвъятнадцять"},
    Case{u"21", u"двадцять одын"},
    Case{u"1000", u"одна тысяча"},
    Case{u"2000", u"дви тысячи"},
    Case{u"5000", u"пъять тысяч"},
    Case{u"21000", u"двадцять одна тысяча"},
    Case{u"1000000", u"одын мильйон"},
    Case{u"3000000", u"тры мильйоны"},
    Case{u"12000000", u"дванадцять мильйонив"},
    Case{u"2000000000", u"два мильярды"},
    Case{u"5000000000", u"пъять мильярдив"},
    Case{u"1234", u"одна тысяча двисти трыдцять чотыры"}));

// Every letter and pair of letters, and many longer words built from the alphabet.
TEST(UkrainianSweep, EverythingComesOutSpeakable) {
    const std::u16string alphabet = u"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'’ʼАБВГҐДЕЄЖЗИІЇЙКЛМНОПРСТУФХЦЧШЩЬЮЯ";
    Failures failures;
    auto check = [&](const std::u16string& word) {
        failures.checkSpeakable(word, wordRun(uk(), word, Branch::First));
        failures.checkSpeakable(word, wordRun(uk(), word, Branch::First, Punctuation::All, true));
    };
    for (const char16_t a : alphabet) {
        check(std::u16string(1, a));
        for (const char16_t b : alphabet) {
            check(std::u16string{a, b});
            check(std::u16string{a, u'.', u' ', b, u'.'});
        }
    }
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(3, 12);
    for (int i = 0; i < 30000; ++i) {
        std::u16string word;
        for (int n = length(random); n > 0; --n) {
            word += alphabet[letter(random)];
        }
        check(word);
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

TEST(UkrainianNames, AreSpeakableAndUntouchedByTheReplacements) {
    Failures failures;
    for (const char16_t c : std::u16string_view(u"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'")) {
        const std::u16string letter = uk().toLower(std::u16string(1, c));
        const std::u16string name = uk().letterName(letter);
        failures.checkSpeakable(letter, name);
        if (uk().applyReplacements(name) != name) {
            failures.add(letter, uk().applyReplacements(name), u"changed by the replacements");
        }
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

// ---------------------------------------------------------------------------------------------
// English words inside Russian or Ukrainian text (the second-language branch)

class EnglishWords : public testing::TestWithParam<Case> {};

TEST_P(EnglishWords, AreReadInCyrillic) {
    const std::u16string actual = wordRun(en(), GetParam().input, Branch::Second);
    EXPECT_EQ(actual, GetParam().expected) << describe(GetParam(), actual);
}

INSTANTIATE_TEST_SUITE_P(Table, EnglishWords, testing::Values(
    Case{u"hello", u"хэлло"},
    Case{u"world", u"ворлд"},
    Case{u"Hello, World!", u"хэлло, ворлд!"},
    Case{u"the", u"зэ"},
    Case{u"shop", u"шоп"},
    Case{u"check", u"чэк"},
    Case{u"phone", u"фоун"},
    Case{u"thank you", u"зэнк ю"},
    Case{u"google", u"гугл"},
    Case{u"Windows", u"виндоус"},
    Case{u"file", u"файл"},
    Case{u"files", u"файлс"},
    Case{u"computer", u"компютэр"},
    Case{u"internet", u"интэрнэт"},
    Case{u"email", u"эмэйл"},
    Case{u"e-mail", u"и-мэйл"},
    Case{u"update", u"апдэйт"},
    Case{u"updated", u"апдэйтид"},
    Case{u"queen", u"квин"},
    Case{u"box", u"бокс"},
    Case{u"jazz", u"джаз"},
    Case{u"school", u"скул"},
    Case{u"chrome", u"кроум"},
    Case{u"night", u"найт"},
    Case{u"what", u"ват"},
    Case{u"who", u"ху"},
    Case{u"why", u"вай"},
    Case{u"they", u"зэй"},
    Case{u"yes", u"йэс"},
    Case{u"please", u"плис"},
    Case{u"release", u"рэлис"},
    Case{u"space", u"спэйс"},
    Case{u"make", u"мэйк"},
    Case{u"maker", u"мэйкэр"},
    Case{u"user", u"юзэр"},
    Case{u"delete", u"дэлит"},
    Case{u"complete", u"комплит"},
    Case{u"station", u"стэйшн"},
    Case{u"session", u"сэшн"},
    Case{u"question", u"квэсчн"},
    Case{u"picture", u"пикчэр"},
    Case{u"twitter", u"твитэр"},
    Case{u"panel", u"панэл"},
    Case{u"model", u"модэл"},
    Case{u"access", u"аксэс"},
    Case{u"account", u"аккаунт"},
    Case{u"office", u"оффис"},
    Case{u"download", u"даунлоуд"},
    Case{u"how", u"хау"},
    Case{u"show", u"шоу"},
    Case{u"know", u"ноу"},
    Case{u"wifi", u"вайфай"},
    Case{u"YouTube", u"ютюб"},
    Case{u"don't", u"донт"},
    Case{u"it’s", u"итс"},
    // Words without vowels and lone letters are spelled.
    Case{u"PDF", u"пи ди эф"},
    Case{u"www", u"дабл ю дабл ю дабл ю"},
    Case{u"a", u"эй"},
    Case{u"x", u"экс"},
    Case{u"Plan B", u"план би"}));

// Every Latin word of up to three letters, and many longer ones with capitals, apostrophes and
// hyphens: no Latin letter and nothing of the machinery of en.conf may reach the synthesizer.
TEST(EnglishSweep, EverythingComesOutSpeakable) {
    const std::u16string letters(kLatinLetters);
    Failures failures;
    auto check = [&](const std::u16string& word) {
        failures.checkSpeakable(word, wordRun(en(), word, Branch::Second));
    };
    for (const char16_t a : letters) {
        check(std::u16string(1, a));
        for (const char16_t b : letters) {
            check(std::u16string{a, b});
            for (const char16_t c : letters) {
                check(std::u16string{a, b, c});
            }
        }
    }
    const std::u16string alphabet = letters + u"AEIOUYCHTS'’-";
    std::mt19937 random(20240602);
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(4, 14);
    for (int i = 0; i < 15000; ++i) {
        std::u16string word;
        for (int n = length(random); n > 0; --n) {
            word += alphabet[letter(random)];
        }
        check(word);
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

TEST(EnglishNames, AreUntouchedByTheReplacements) {
    Failures failures;
    for (const char16_t c : kLatinLetters) {
        const std::u16string name = en().letterName(std::u16string(1, c));
        failures.checkSpeakable(std::u16string(1, c), name);
        if (en().applyReplacements(name) != name) {
            failures.add(name, en().applyReplacements(name), u"changed by the replacements");
        }
    }
    EXPECT_EQ(failures.count(), 0u) << failures.report();
}

// ---------------------------------------------------------------------------------------------
// Numbers of every language, read by whichever subvoice a voice gives them to

TEST(NumberSweep, EveryLanguageReadsNumbersSpeakably) {
    std::vector<std::u16string> numbers;
    for (unsigned n = 0; n <= 2100; ++n) {
        numbers.push_back(fromUtf8(std::to_string(n)));
    }
    std::mt19937_64 random(20240603);
    for (int i = 0; i < 3000; ++i) {
        numbers.push_back(fromUtf8(std::to_string(random() % 1000000000000ULL)));
    }
    numbers.push_back(u"0000");
    numbers.push_back(u"12345678901234567890");
    for (const Language* lang : {&ru(), &uk(), &en()}) {
        Failures failures;
        for (const std::u16string& number : numbers) {
            const std::u16string words = numberRun(*lang, number);
            if (words.empty()) {
                failures.add(number, words, u"nothing");
            }
            failures.checkSpeakable(number, words);
        }
        EXPECT_EQ(failures.count(), 0u) << toUtf8(lang->name()) << ": " << failures.report();
    }
}

} // namespace
} // namespace vx
