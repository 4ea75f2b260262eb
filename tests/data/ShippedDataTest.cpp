// The shipped configuration as the engine finds it: the UTF-16LE files that the build writes into
// the program's data folder, read with LangsConf. The tables check what words become on their way
// to the built-in synthesizer, and the sweeps check the property that matters most: whatever a
// word, letter, symbol or number turns into, the synthesizer can say all of it (it is silent on
// every character but the small Russian letters, space and . , ! ? ; : -).

#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/LangsConf.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifndef VX_DATA_DIR
#error "VX_DATA_DIR must name the folder of the encoded data files"
#endif

namespace vx {
namespace {

const std::u16string kDataFolder = fromUtf8(VX_DATA_DIR);

// A shipped language, read once as the engine reads them: <program folder>/data/langs.conf.
const Language& language(const char16_t* name) {
    static LangsConf langs;
    static const bool loaded = langs.load(u"", {platform::parentFolder(kDataFolder)});
    EXPECT_TRUE(loaded) << "no langs.conf in " << VX_DATA_DIR;
    static const Language none(u"none");
    const Language* found = langs.get(name);
    EXPECT_NE(found, nullptr) << "langs.conf has no language " << toUtf8(name);
    return found ? *found : none;
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

bool contains(std::u16string_view text, char16_t c) { return text.find(c) != std::u16string_view::npos; }

// Collects inputs whose output fails a check and reports the first few at once.
class Failures {
public:
    void add(std::u16string_view input, std::u16string_view output, std::u16string_view why) {
        if (count_++ < 10) {
            text_ += "\n  \"" + toUtf8(input) + "\" -> \"" + toUtf8(output) + "\" (" + toUtf8(why) + ")";
        }
    }
    // The output has only characters that the built-in synthesizer says.
    void checkSpeakable(std::u16string_view input, std::u16string_view output) {
        for (const char16_t c : output) {
            if (!(c >= u'а' && c <= u'я') && c != u'ё' && !contains(u" .,!?;:-", c)) {
                return add(input, output, u"unspeakable: " + std::u16string(1, c));
            }
        }
    }
    // A name that the pipeline puts into a run before the replacements must come out as it is.
    void checkUnreplaced(const Language& lang, std::u16string_view input, const std::u16string& name) {
        if (lang.applyReplacements(name) != name) {
            add(input, lang.applyReplacements(name), u"changed by the replacements");
        }
    }
    void expectNone(const Language& lang) const {
        EXPECT_EQ(count_, 0u) << toUtf8(lang.name()) << ": " << count_ << " failures:" << text_;
    }

private:
    std::size_t count_ = 0;
    std::string text_;
};

// ---------------------------------------------------------------------------------------------
// The files

TEST(ShippedFiles, AreUtf16LittleEndianWithoutAByteOrderMark) {
    for (const char* name : {"langs.conf", "engines.conf", "voices.conf", "ru.conf", "uk.conf", "en.conf"}) {
        SCOPED_TRACE(name);
        const auto bytes = platform::readFileBytes(platform::joinPath(kDataFolder, fromUtf8(name)));
        ASSERT_TRUE(bytes.has_value()) << "missing from " << VX_DATA_DIR;
        ASSERT_GE(bytes->size(), 2u);
        EXPECT_EQ(bytes->size() % 2, 0u);
        EXPECT_FALSE((*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) << "starts with a byte-order mark";
        EXPECT_FALSE(ConfigParser::looksLikeOtherEncoding(bytes->data(), bytes->size()));
    }
}

// The voices and their modules are checked through `vxtts voices` (tests/cli/VxttsTest.cpp).
TEST(ShippedEngines, TheBuiltInSynthesizerUsesTheFastSonicQuality) {
    struct Entries : ConfigHandler {
        bool onEntry(const std::u16string&, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override {
            values[section + u"/" + key] = value;
            return true;
        }
        std::map<std::u16string, std::u16string> values;
    } engines;
    ConfigParser::loadFile(platform::joinPath(kDataFolder, u"engines.conf"), engines);
    EXPECT_EQ(engines.values[u"tembra/sonic.quality"], u"0");
}

// ---------------------------------------------------------------------------------------------
// Tables: what a number, a run of words, a symbol or a spelled text becomes

enum class Read { Number, Words, ForeignWords, Symbols, Spelled };

struct Case {
    const char16_t* lang;
    Read read;
    std::u16string input;
    std::u16string expected;
};

// gtest names a failing row by its input.
void PrintTo(const Case& c, std::ostream* os) { *os << '"' << toUtf8(c.input) << '"'; }

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

std::vector<Case> rows(const char16_t* lang, Read read, Pairs pairs) {
    std::vector<Case> cases;
    for (auto& [input, expected] : pairs) {
        cases.push_back({lang, read, std::move(input), std::move(expected)});
    }
    return cases;
}

std::u16string readAs(const Case& c) {
    const Language& lang = language(c.lang);
    switch (c.read) {
    case Read::Number: return numberRun(lang, c.input);
    case Read::Words: return wordRun(lang, c.input, Branch::First);
    case Read::ForeignWords: return wordRun(lang, c.input, Branch::Second);
    case Read::Symbols: return cleaned(lang.spellSymbols(c.input, Punctuation::All));
    case Read::Spelled: break;
    }
    // Each character by itself, as when the voice spells a text with punctuation spoken.
    std::u16string spelled;
    for (const char16_t ch : c.input) {
        spelled += wordRun(lang, std::u16string(1, ch), Branch::First, Punctuation::All, true) + u"|";
    }
    return spelled;
}

class Shipped : public testing::TestWithParam<Case> {};

TEST_P(Shipped, Reads) {
    const Case& c = GetParam();
    const std::u16string actual = readAs(c);
    EXPECT_EQ(actual, c.expected) << "input \"" << toUtf8(c.input) << "\": got \"" << toUtf8(actual)
                                  << "\", want \"" << toUtf8(c.expected) << "\"";
}

// Plural forms of thousands, millions and billions; feminine one and two before тысяча.
INSTANTIATE_TEST_SUITE_P(RussianNumbers, Shipped, testing::ValuesIn(rows(u"ru", Read::Number, {
    {u"0", u"ноль"}, {u"007", u"ноль ноль семь"}, {u"1000", u"одна тысяча"}, {u"2000", u"две тысячи"},
    {u"5000", u"пять тысяч"}, {u"11000", u"одиннадцать тысяч"}, {u"21000", u"двадцать одна тысяча"},
    {u"22000", u"двадцать две тысячи"}, {u"1000000", u"один миллион"}, {u"2000000", u"два миллиона"},
    {u"5000000", u"пять миллионов"}, {u"2000000000", u"два миллиарда"},
    {u"1234567", u"один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь"}})));

// Runs of words as they reach the first-language branch (a number before an abbreviation is a
// run of its own, so "в 2024 г." gives the run "г.").
INSTANTIATE_TEST_SUITE_P(RussianWords, Shipped, testing::ValuesIn(rows(u"ru", Read::Words, {
    {u"Это, т. е. пример", u"это, то есть пример"}, {u"и т.д.", u"и так далее"},
    {u"Т. к. он ушёл", u"так как он ушёл"}, {u"в т. ч. налоги", u"в том числе налоги"},
    {u"таким образом, т. о.", u"таким образом, таким образом"}, {u"г.", u"год"}, {u"гг.", u"годы"},
    {u"Живёт на ул. Ленина, кв.", u"живёт на улица ленина, квартира"},
    {u"млрд руб.", u"миллиардов рублей"}, {u"см. рис.", u"смотри рисунок"}, {u"и др.", u"и другие"},
    {u"до н. э.", u"до нашей эры"}, {u"И. о. директора", u"исполняющий обязанности директора"},
    {u"Центральный р-н", u"центральный район"},
    // Keys must not hit the same letters inside a word.
    {u"Сел на стул.", u"сел на стул."}, {u"Новый министр.", u"новый министр."}, {u"Скажи им.", u"скажи им."},
    {u"Он бодр.", u"он бодр."}, {u"Много вод.", u"много вод."}, {u"Гэс", u"гэс"},
    // Words without vowels are spelled after the replacements; Ukrainian letters read the Russian way.
    {u"МВД и ФСБ", u"эм вэ дэ и эф эс бэ"}, {u"ё", u"ё"}, {u"Київ", u"кийив"}})));

// Named when punctuation is spoken, each after a space; spaces are never named.
INSTANTIATE_TEST_SUITE_P(RussianSymbols, Shipped, testing::ValuesIn(rows(u"ru", Read::Symbols, {
    {u"\u2212", u"минус"}, {u"-", u"дефис"}, {u"=", u"равно"}, {u"#", u"решётка"}, {u";", u"точка с запятой"},
    {u"\\", u"обратная косая черта"}, {u"«", u"открывающая кавычка"}, {u"5%", u"5 процент"},
    {u"a+b", u"a плюсb"}, {u"a + b", u"a плюс b"}})));

INSTANTIATE_TEST_SUITE_P(RussianSpelling, Shipped, testing::ValuesIn(rows(u"ru", Read::Spelled, {
    {u"Съезд", u"эс|твёрдый знак|е|зэ|дэ|"}, {u"йод", u"и краткое|о|дэ|"}, {u"в", u"вэ|"},
    {u"Щ!", u"ща|восклицательный знак|"}, {u"Wi", u"дабл ю|ай|"}})));

// Lone letters arrive at the replacements as their names; a one-letter run between numbers or
// symbols ("5 і 6") is read by itself.
INSTANTIATE_TEST_SUITE_P(UkrainianWords, Shipped, testing::ValuesIn(rows(u"uk", Read::Words, {
    {u"Привіт", u"прывит"}, {u"ЇЖАК", u"йижак"}, {u"Європа", u"европа"}, {u"Ґудзик", u"гудзык"},
    {u"сьогодні", u"сьогодни"}, {u"Київ", u"кыйив"}, {u"синє небо", u"сыне нэбо"}, {u"м'ясо", u"мъясо"},
    {u"п’ять", u"пъять"}, {u"пʼять", u"пъять"}, {u"з'їзд", u"зъйизд"}, {u"Вона й він", u"вона й вин"},
    {u"т. зв. реформа", u"так званый рэформа"}, {u"і т. д.", u"и так дали"}, {u"і т.д.", u"и так дали"},
    {u"та ін.", u"та инши"}, {u"і т. ін.", u"и такэ иншэ"}, {u"тис. грн", u"тысяч грывэнь"},
    {u"у м. Київ", u"у мисто кыйив"}, {u"ЗСУ", u"зэ эс у"},
    {u"Нових систем.", u"новых сыстэм."}, {u"Тепер.", u"тэпэр."},
    {u"І", u"и"}, {u"й", u"й"}, {u"ї", u"йи"}, {u"ґ", u"гэ"}, {u"и", u"ы"}, {u"щ", u"шча"}})));

INSTANTIATE_TEST_SUITE_P(UkrainianNumbers, Shipped, testing::ValuesIn(rows(u"uk", Read::Number, {
    {u"0", u"нуль"}, {u"21", u"двадцять одын"}, {u"1000", u"одна тысяча"}, {u"2000", u"дви тысячи"},
    {u"5000", u"пъять тысяч"}, {u"21000", u"двадцять одна тысяча"}, {u"1000000", u"одын мильйон"},
    {u"3000000", u"тры мильйоны"}, {u"12000000", u"дванадцять мильйонив"}, {u"2000000000", u"два мильярды"},
    {u"5000000000", u"пъять мильярдив"}, {u"1234", u"одна тысяча двисти трыдцять чотыры"}})));

// English words inside Russian or Ukrainian text (the second-language branch): one row for each
// kind of letter group; words without vowels and lone letters are spelled.
INSTANTIATE_TEST_SUITE_P(EnglishWords, Shipped, testing::ValuesIn(rows(u"en", Read::ForeignWords, {
    {u"Hello, World!", u"хэлло, ворлд!"}, {u"the", u"зэ"}, {u"shop", u"шоп"}, {u"check", u"чэк"},
    {u"phone", u"фоун"}, {u"files", u"файлс"}, {u"e-mail", u"и-мэйл"}, {u"updated", u"апдэйтид"},
    {u"queen", u"квин"}, {u"box", u"бокс"}, {u"jazz", u"джаз"}, {u"school", u"скул"}, {u"night", u"найт"},
    {u"what", u"ват"}, {u"yes", u"йэс"}, {u"please", u"плис"}, {u"user", u"юзэр"}, {u"station", u"стэйшн"},
    {u"question", u"квэсчн"}, {u"picture", u"пикчэр"}, {u"twitter", u"твитэр"}, {u"how", u"хау"},
    {u"show", u"шоу"}, {u"YouTube", u"ютюб"}, {u"don't", u"донт"}, {u"it’s", u"итс"}, {u"PDF", u"пи ди эф"},
    {u"a", u"эй"}, {u"Plan B", u"план би"}})));

// ---------------------------------------------------------------------------------------------
// Sweeps: every output speakable

// The characters a screen reader meets that should have names in every language of a voice.
constexpr std::u16string_view kNamedSymbols = u"+\u2212-=%№$€₽£@#&*/\\<>«»\"“”„()[]{}…_|~^`§°©®™•·.,?!;:";
constexpr std::u16string_view kLatinLetters = u"abcdefghijklmnopqrstuvwxyz";

// English names symbols only for a voice that gives it spoken punctuation, and not all of them;
// what it names must be speakable all the same.
TEST(ShippedSymbols, AreNamedAndSpeakable) {
    for (const Language* lang : {&ru(), &uk(), &en()}) {
        Failures failures;
        for (const char16_t c : kNamedSymbols) {
            const std::u16string symbol(1, c);
            const std::u16string name = cleaned(lang->spellSymbols(symbol, Punctuation::All));
            failures.checkSpeakable(symbol, name);
            if (lang != &en()) {
                if (name.empty() || name == symbol) {
                    failures.add(symbol, name, u"no name");
                }
                failures.checkUnreplaced(*lang, symbol, name);
            }
        }
        failures.expectNone(*lang);
    }
}

// Every letter has a speakable name with a vowel to be heard, which the replacements leave alone;
// a Russian vowel is named by itself, and Russian and English name a Latin letter alike.
TEST(ShippedLetters, HaveSpeakableSyllableNames) {
    const std::u16string russian = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
    const std::vector<std::pair<const Language*, std::u16string>> alphabets = {
        {&ru(), russian + std::u16string(kLatinLetters)},
        {&uk(), u"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'"},
        {&en(), std::u16string(kLatinLetters)}};
    for (const auto& [lang, alphabet] : alphabets) {
        Failures failures;
        for (const char16_t c : alphabet) {
            const std::u16string letter = lang->toLower(std::u16string(1, c));
            const std::u16string name = lang->letterName(letter);
            failures.checkSpeakable(letter, name);
            failures.checkUnreplaced(*lang, letter, name);
            if (!ru().hasVowel(name)) {
                failures.add(letter, name, u"no syllable");
            }
            if (lang == &ru() && contains(u"аеёиоуыэюя", c) && name != letter) {
                failures.add(letter, name, u"a vowel is named by itself");
            }
            if (lang == &ru() && contains(kLatinLetters, c) && name != en().letterName(letter)) {
                failures.add(letter, en().letterName(letter), u"English names it differently");
            }
        }
        failures.expectNone(*lang);
    }
}

using Check = std::function<void(const std::u16string&)>;

// Every word of up to length letters of the alphabet.
void eachWord(std::u16string_view alphabet, std::size_t length, const Check& check,
              const std::u16string& prefix = {}) {
    for (const char16_t c : alphabet) {
        check(prefix + c);
        if (prefix.size() + 1 < length) {
            eachWord(alphabet, length, check, prefix + c);
        }
    }
}

// count words of random letters of the alphabet, of shortest to longest letters.
void randomWords(std::u16string_view alphabet, int count, int shortest, int longest, unsigned seed,
                 const Check& check) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(shortest, longest);
    for (int i = 0; i < count; ++i) {
        std::u16string word;
        for (int n = length(random); n > 0; --n) {
            word += alphabet[letter(random)];
        }
        check(word);
    }
}

// Every letter and pair of letters (also as initials "а. б."), and many longer words, read and
// spelled.
TEST(UkrainianSweep, EverythingComesOutSpeakable) {
    const std::u16string alphabet = u"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'’ʼАБВГҐДЕЄЖЗИІЇЙКЛМНОПРСТУФХЦЧШЩЬЮЯ";
    Failures failures;
    const auto check = [&](const std::u16string& word) {
        const std::u16string initials =
            word.size() == 2 ? std::u16string{word[0], u'.', u' ', word[1], u'.'} : std::u16string();
        for (const std::u16string& text : {word, initials}) {
            failures.checkSpeakable(text, wordRun(uk(), text, Branch::First));
            failures.checkSpeakable(text, wordRun(uk(), text, Branch::First, Punctuation::All, true));
        }
    };
    eachWord(alphabet, 2, check);
    randomWords(alphabet, 30000, 3, 12, 20240601, check);
    failures.expectNone(uk());
}

// Every Latin word of up to three letters, and many longer ones with capitals, apostrophes and
// hyphens: no Latin letter and nothing of the machinery of en.conf may reach the synthesizer.
TEST(EnglishSweep, EverythingComesOutSpeakable) {
    Failures failures;
    const auto check = [&](const std::u16string& word) {
        failures.checkSpeakable(word, wordRun(en(), word, Branch::Second));
    };
    eachWord(kLatinLetters, 3, check);
    randomWords(std::u16string(kLatinLetters) + u"AEIOUYCHTS'’-", 15000, 4, 14, 20240602, check);
    failures.expectNone(en());
}

// Numbers of every language, read by whichever subvoice a voice gives them to.
TEST(NumberSweep, EveryLanguageReadsNumbersSpeakably) {
    std::vector<std::u16string> numbers = {u"0000", u"12345678901234567890"};
    for (unsigned n = 0; n <= 2100; ++n) {
        numbers.push_back(fromUtf8(std::to_string(n)));
    }
    std::mt19937_64 random(20240603);
    for (int i = 0; i < 3000; ++i) {
        numbers.push_back(fromUtf8(std::to_string(random() % 1000000000000ULL)));
    }
    for (const Language* lang : {&ru(), &uk(), &en()}) {
        Failures failures;
        for (const std::u16string& number : numbers) {
            const std::u16string words = numberRun(*lang, number);
            if (words.empty()) {
                failures.add(number, words, u"nothing");
            }
            failures.checkSpeakable(number, words);
        }
        failures.expectNone(*lang);
    }
}

} // namespace
} // namespace vx
