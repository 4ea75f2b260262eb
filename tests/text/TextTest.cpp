#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "fuzz/ReferenceReplacements.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "tests/support/RussianDictionary.h"
#include "tests/support/TempFolder.h"
#include "text/LangsConf.h"
#include "text/TextPipeline.h"

#include <algorithm>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <new>
#include <random>

namespace vx {
namespace {

using Keys = std::vector<std::pair<std::u16string, std::u16string>>;
using Op = std::function<std::u16string(const Language&, std::u16string_view)>;

// A few names of each kind; replacements whose input no letter name changes first.
constexpr std::u16string_view kSmallRussian =
    u"[Letters]\nб=бэ\nв=вэ\nд=дэ\nм=эм\nс=эс\nф=ЭФ\n@=эт\na=эй\n"
    u"[Numbers]\n2=два\n5=пять\n12=двенадцать\n50=пятьдесят\n"
    u"[Symbols]\n+=плюс\n%=процент\n,=запятая\n.=точка\n@=собака\n\\==равно\n"
    u"[Replacements]\nт.е.=то есть\nкг=килограмм\nруб.=рублей:1\nЖЖ=Живой журнал\n";

// A language with the langs.conf keys and the dictionary file text given.
std::shared_ptr<const Language> lang(std::u16string_view dictionary, const Keys& keys = {}) {
    auto language = std::make_shared<Language>(u"ru");
    for (const auto& [key, value] : keys) language->set(key, value);
    const std::string bytes = test::utf16le(dictionary);
    ConfigParser::loadBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), u"ru.conf", *language);
    return language;
}

const Op letters = [](const Language& l, std::u16string_view text) {
    std::u16string marks(text);
    std::ranges::transform(text, marks.begin(), [&](char16_t c) { return l.isLetter(c) ? u'+' : u'-'; });
    return marks;
};
const Op lower = &Language::toLower;
const Op preposition = [](const Language& l, std::u16string_view t) { return l.isPreposition(t) ? u"yes" : u"no"; };
const Op vowel = [](const Language& l, std::u16string_view t) { return l.hasVowel(t) ? u"yes" : u"no"; };
// The words as the pipeline passes them on, with the extra spaces cleaned away.
const Op number = [](const Language& l, std::u16string_view digits) {
    return TextUtil::trim(TextUtil::collapseSpaces(l.numberToWords(digits)));
};
const Op replace = [](const Language& l, std::u16string_view t) { return l.applyReplacements(t); };
Op symbols(Punctuation mode) {
    return [mode](const Language& l, std::u16string_view t) { return l.spellSymbols(t, mode); };
}

using Row = std::tuple<std::shared_ptr<const Language>, Op, std::u16string, std::u16string>;

void check(std::initializer_list<Row> rows) {
    for (const auto& [language, op, text, expected] : rows)
        EXPECT_EQ(toUtf8(op(*language, text)), toUtf8(expected)) << toUtf8(text);
}

TEST(Language, LettersVowelsAndPrepositions) {
    const auto ru = lang(u"");
    const auto en = lang(u"", {{u"alphabet", u"latin"}, {u"preposition", u"a"}});
    const auto de = lang(u"", {{u"alphabet", u"latin"}, {u"lower", u"äöüé"}, {u"upper", u"ÄÖÜÉ"}});
    const auto uk = lang(u"", {{u"lower", u"ї"}, {u"upper", u"Ї"}, {u"vowels", u"іїє"}, {u"preposition", u"иа"}});
    const auto none = lang(u"", {{u"alphabet", u"greek"}, {u"lower", u"ab"}, {u"upper", u"ABC"}});
    const auto caps = lang(u"", {{u"alphabet", u"Latin"}}); // values are case-sensitive
    check({
        {ru, letters, u"ЖЊЁё\u0409\u0450a", u"++++---"}, {en, letters, u"zZé", u"++-"}, {de, letters, u"éÉ", u"++"},
        {none, letters, u"aCЖ", u"++-"}, {caps, letters, u"z", u"-"},
        {ru, lower, u"ЁЛКА Abc", u"ёлка Abc"}, {en, lower, u"Abc ЖУК", u"abc ЖУК"}, {de, lower, u"ÄRGER", u"ärger"},
        {uk, lower, u"ЇЖАК", u"їжак"}, {none, lower, u"ABC Ж", u"abC Ж"}, // unpaired capitals stay
        {ru, preposition, u"с", u"yes"}, {ru, preposition, u"и", u"no"}, {en, preposition, u"a", u"no"},
        {en, preposition, u"с", u"no"}, {uk, preposition, u"и", u"yes"}, {uk, preposition, u"в", u"yes"},
        {ru, vowel, u"мвд и", u"yes"}, {ru, vowel, u"мвд", u"no"}, {ru, vowel, u"ЖУК", u"no"}, // small letters only
        {en, vowel, u"xyz", u"yes"}, {en, vowel, u"мама", u"no"}, {uk, vowel, u"ії", u"yes"},
        {none, vowel, u"aео", u"no"},
    });
    for (const auto& [value, group] : std::map<std::u16string, unsigned>{
             {u"2", 2}, {u"12", 12}, {u"1", 1}, {u"13", 3}, {u"0", 3}, {u"-2", 3}, {u"two", 3}, {u"4x", 4}})
        EXPECT_EQ(lang(u"", {{u"numgrp", value}})->numberGroup(), group) << toUtf8(value);
}

// The grammar of whole numbers is read back by the number fuzz target (its seeds run as a test)
// and the shipped data's tests read the Russian forms; here the longest whole number, digits in
// groups, and dictionaries that lack words.
TEST(Language, NumbersInWords) {
    const auto ru = lang(test::kRussianDictionary);
    const auto sparse = lang(u"[Numbers]\n1=one\n5=five\n"); // missing words are read as their keys
    check({
        {ru, number, u"999999999999", u"девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
                                      u"девятьсот девяносто девять тысяч девятьсот девяносто девять"},
        // 13 digits and more are read in groups of the language's length (3 in the shipped data's tests)
        {lang(test::kRussianDictionary, {{u"numgrp", u"2"}}), number, u"1234567890123",
         u"двенадцать тридцать четыре пятьдесят шесть семьдесят восемь девяносто двенадцать три"},
        {sparse, number, u"300", u"300"}, {sparse, number, u"1000", u"1f thousand_s"},
        {sparse, number, u"5000000", u"five"}, {lang(u""), number, u"2024", u"2024"},
        {lang(u"[Numbers]\n3=three\n4=four\nhundred=hundred\n20=twenty\n"), number, u"324",
         u"three hundred twenty four"},
    });
}

TEST(Language, Dictionaries) {
    const auto ru = lang(kSmallRussian);
    const auto spaces = lang(u"[Symbols]\n\\u0020=пробел\n,=запятая\n");
    check({
        {ru, &Language::mapLetters, u"aфк", u"эйэфк"}, {ru, &Language::spellSingleLetters, u"a б в", u"эй бэ в"},
        {ru, &Language::spellSingleLetters, u"б!", u"бэ!"},
        {ru, &Language::spellSingleLetters, u"в", u"вэ"}, // even a preposition when alone
        {ru, &Language::spellSingleLetters, u"дом 5 и", u"дом 5 и"},
        {ru, &Language::spellAbbreviations, u"дом мвд и фсб", u"дом эм вэ дэ  и эф эс бэ "},
        {ru, &Language::spellAbbreviations, u"бв12!!", u"бэ вэ 12! ! "},
        {ru, &Language::spellAbbreviations, u"бbв", u"бbв"}, // a foreign letter
        {ru, symbols(Punctuation::All), u"a+b", u"a плюсb"}, {ru, symbols(Punctuation::All), u"=", u" равно"},
        {spaces, symbols(Punctuation::None), u"да, нет", u"да, пробелнет"},
        {spaces, symbols(Punctuation::Some), u"да, нет", u"да запятая пробелнет"},
        {lang(u"[Letters]\nб=бэ\n"), symbols(Punctuation::All), u"+", u"+"},
        {ru, replace, u"100 руб.", u"100 рублей"}, {ru, replace, u"ЖЖ", u"Живой журнал"}, {ru, replace, u"жж", u"жж"},
        {lang(u"[Replacements]\nь=:1\nk=abc:\n"), replace, u"мышь k", u"мыш abc:"},
        {lang(u"a=x\n[Other]\nb=y\n"), replace, u"ab", u"ab"},
    });
}

// Against the plain algorithm, in which every entry in key order searches the whole text: no rescan
// of an entry's output, later entries see it and earlier ones do not, keys found across an edit.
TEST(Language, ReplacementsAgreeWithReplacingEntryByEntry) {
    std::mt19937 random(20261206);
    auto word = [&random](std::size_t maxLength) {
        std::u16string w(random() % (maxLength + 1), u'a');
        std::ranges::generate(w, [&] { return static_cast<char16_t>(u'a' + random() % 3); });
        return w;
    };
    for (int round = 0; round < 2000; ++round) {
        ReplacementDictionary dictionary;
        fuzz::Replacements entries;
        for (int i = 0, n = static_cast<int>(random() % 8); i < n; ++i) {
            const std::u16string key = word(3), replacement = word(4);
            dictionary.set(key, replacement); // an empty key is ignored
            if (!key.empty()) entries[key] = replacement;
        }
        const std::u16string text = word(24);
        ASSERT_EQ(dictionary.apply(text), fuzz::replaceOneByOne(text, entries)) << "round " << round;
    }
}

// Entries that feed each other would grow the text without end: each chain stops at the entry
// that would pass the limit, logged once, and a stop request ends the application between
// entries.
TEST(Language, ReplacementChainsStopAtTheGrowthLimit) {
    std::u16string fanOut = u"[Replacements]\n";
    for (const std::u16string entry : {u"ааа=б", u"б=в", u"в=г", u"г=д"})
        fanOut += entry + std::u16string(999, entry.back()) + u"\n";
    std::u16string doubling = u"[Replacements]\n";
    for (char16_t c = u'а'; c < u'а' + 21; ++c)
        doubling += std::u16string{c, u'=', static_cast<char16_t>(c + 1), static_cast<char16_t>(c + 1), u'\n'};
    // The dictionary, and the start of its log line.
    const std::pair<std::u16string, std::u16string> rows[] = {{fanOut, u"the entry 'б' would"}, {doubling, u"the entry '"}};
    for (const auto& [dictionary, entry] : rows) {
        const auto language = lang(dictionary);
        const test::LogTail log;
        const std::u16string text = u"а б в дом ааа";
        const std::u16string applied = language->applyReplacements(text);
        EXPECT_LE(applied.size(), ReplacementDictionary::kMinLimit);
        EXPECT_NE(log.text().find(u"the replacements of ru: " + entry), std::u16string::npos) << toUtf8(log.text());
        language->applyReplacements(text);
        EXPECT_EQ(log.text().find(u"the entry ", log.text().find(u"the entry ") + 1), std::u16string::npos);
    }
    ReplacementDictionary dictionary;
    dictionary.set(u"а", u"б");
    dictionary.set(u"б", u"в");
    int asked = 0;
    ReplacementDictionary::Cut cut;
    EXPECT_EQ(dictionary.apply(u"аб", [&] { return ++asked > 1; }, &cut), u"бб");
    EXPECT_EQ(cut.why, ReplacementDictionary::Cut::Why::Stop);
}

TEST(LangsConf, MakesLanguagesWithTheirDictionaries) {
    const test::TempFolder folder;
    const std::u16string user = folder.file("user"), program = folder.file("program");
    LangsConf langs;
    auto load = [&] { return langs.load(program, {user, program}); };
    EXPECT_FALSE(load());
    folder.writeUtf16("program/data/langs.conf", u"[ru]\nnumgrp = 2\ndictionary=one.dic\n[uk]\nlower=ї\n[de]\n"
                                                 u"[fr]\n; a comment\n[ru]\ndictionary = two.dic\ndictionary=no.dic\n");
    folder.writeUtf16("program/data/ru.conf", u"[Letters]\nб=бэ\n[Replacements]\nа=аа\n");
    folder.writeUtf16("program/data/one.dic", u"# comment\n[Replacements]\nвкл=включено\n[x]=икс\n\\#=решётка\n");
    folder.writeUtf16("program/data/two.dic", u"выкл=выключено\n");
    ASSERT_TRUE(load());
    Language* ru = langs.get(u"ru");
    ASSERT_TRUE(ru && langs.get(u"uk"));
    EXPECT_EQ(ru->numberGroup(), 2u);
    EXPECT_EQ(ru->letterName(u"б"), u"бэ");
    EXPECT_EQ(ru->applyReplacements(u"а вкл"), u"аа вкл"); // the dictionary was read once
    EXPECT_EQ(ru->applyUserDictionary(u"вкл выкл [x] # а"), u"включено выключено икс решётка а");
    EXPECT_FALSE(langs.get(u"de") || langs.get(u"fr") || langs.get(u"Ru")); // entries make languages; case counts
    // The per-user copy wins, adds to what is held, and has its dictionaries beside it.
    folder.writeUtf16("user/data/langs.conf", u"[ru]\nnumgrp=4\n[pl]\nalphabet=latin\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(ru->numberGroup(), 4u);
    EXPECT_TRUE(langs.get(u"pl") && langs.get(u"uk"));
    EXPECT_EQ(langs.loadedPath(), user + u"/data/langs.conf");
    langs.clear();
    ASSERT_TRUE(load());
    EXPECT_EQ(langs.get(u"ru")->letterName(u"б"), u"б");
    folder.writeUtf16("user/data/langs.conf", u"");
    langs.clear();
    EXPECT_TRUE(load() && langs.items().empty());
}

// How the modules behave: which exist, what they return, when a stop or a failure comes.
struct Modules {
    std::array<bool, 2> present{true, true}, results{true, true};
    int stopAfter = 0;           // the module call during which a stop is requested (0: none)
    bool stopAtSentence = false; // a stop comes with a sentence start (the engine lost its site)
    int throwAt = 0;             // the module call that runs out of memory (0: none)
};

// Writes each call it gets: "^3@0" for a sentence start of length 3 at offset 0, "1«text»" for a
// module call of subvoice 1; text: what the modules were given, one portion after another.
struct RecordingSink : PortionSink {
    bool stopRequested() const override { return stop; }
    void sentenceStart(std::uint32_t length, std::uint32_t offset) override {
        calls += "^" + std::to_string(length) + "@" + std::to_string(offset) + " ";
        stop = stop || modules.stopAtSentence;
    }
    bool hasModule(std::size_t subvoice) const override { return modules.present.at(subvoice); }
    // Each word of the portion with the source span it stands for: "слово[0,5) ".
    void wordsOf(std::span<const WordSpan> words) override {
        for (const WordSpan& w : words) {
            if (w.sentenceEnd > 0) spans += "^" + std::to_string(w.sentenceBegin) + "-" + std::to_string(w.sentenceEnd) + " ";
            spans += "[" + std::to_string(w.sourceBegin) + "," + std::to_string(w.sourceEnd) + ") ";
        }
    }
    bool speak(std::size_t subvoice, const TextPortion& portion) override {
        calls += std::to_string(subvoice) + "«" + toUtf8(portion) + "» ";
        text += portion;
        stop = stop || ++made == modules.stopAfter;
        if (made == modules.throwAt) throw std::bad_alloc();
        return modules.results.at(subvoice);
    }

    Modules modules;
    std::string calls;
    std::string spans;
    std::u16string text;
    int made = 0;
    bool stop = false;
};

// Its subvoices read Russian, then Latin words.
struct Voice {
    std::size_t subvoices = 1;
    bool sameModule = true;
    PipelineSettings settings{};
};
Voice russian(PipelineSettings settings = {}) { return {1, true, settings}; }
Voice shared(PipelineSettings settings = {}) { return {2, true, settings}; }
Voice apart(PipelineSettings settings = {}) { return {2, false, settings}; }
PipelineSettings spoken(Punctuation m, std::uint32_t p = 0) { return {.punctuation = m, .punctuationSubvoice = p}; }
PipelineSettings digitsBy(std::uint32_t d) { return {.digitSubvoice = d}; }
PipelineSettings portions(std::uint32_t max, std::uint32_t min) { return {.maxPortionSize = max, .minPortionSize = min}; }

struct Case {
    std::u16string text;
    Voice voice;
    std::string calls;
    bool result = true;
    Modules modules{};
};

void check(std::initializer_list<Case> cases) {
    const test::TempFolder folder;
    const auto first = std::make_shared<Language>(u"ru");
    ASSERT_TRUE(first->loadDictionary(folder.writeUtf16("ru.conf", kSmallRussian)));
    ASSERT_TRUE(first->loadUserDictionary(folder.writeUtf16("user.dic", u"вкл=включено\n")));
    const auto second = lang(u"[Letters]\nb=bi\nx=eks\n[Numbers]\n12=twelve\n[Symbols]\n,=comma\n.=dot\n+=plus\n"
                             u"[Replacements]\nok=okay\n", {{u"alphabet", u"latin"}});
    // A third subvoice takes no part: were its language asked, the second's words would show.
    const std::array<const Language*, 3> languages{first.get(), second.get(), second.get()};
    for (const Case& c : cases) {
        RecordingSink sink;
        sink.modules = c.modules;
        const bool result = speakText(c.text, std::span(languages).first(c.voice.subvoices), c.voice.sameModule,
                                      c.voice.settings, sink);
        EXPECT_EQ(sink.calls, c.calls) << toUtf8(c.text);
        EXPECT_EQ(result, c.result) << toUtf8(c.text);
    }
}

TEST(TextPipeline, PortionsAndSentences) {
    check({
        {u"Да. Нет.", russian(portions(512, 8)), "^8@0 0«да. нет. » "}, // up to the minimum stays whole
        {u"Да. Нет.", russian(portions(512, 7)), "^3@0 0«да. » ^5@3 0«нет. » "},
        {u"Да. Нет.", russian(portions(0xFFFFFFFF, 0)), "^8@0 0«да. нет. » "}, // no portioning
        // Every delimiter cuts, only . ! ? start a sentence; offsets count the normalized text.
        {u"  Да.  \t Нет? Ну! Итог: сон; день – свет", russian(portions(512, 0)),
         "^3@0 0«да. » ^5@3 0«нет? » ^4@8 0«ну! » ^6@12 0«итог: » 0«сон; » 0«день » 0«свет » "},
        {u"сон сон сон сонм", russian(portions(8, 0)), "^7@0 0«сон сон » 0«сон » 0«сонм » "}, // cut at breaks
        {u"сон сон сон сонм. Да", russian(portions(0, 0)), "^17@0 0«сон сон сон сонм. » ^3@17 0«да » "},
        {u"Да. OK", apart(portions(512, 0)), "^3@0 0«да.» ^3@3 1«okay» "},
    });
}

TEST(TextPipeline, RunsAreNormalizedForTheirSubvoices) {
    const Voice all = russian(spoken(Punctuation::All));
    check({
        {u"Глава 12", russian(), "^8@0 0«глава двенадцать » "}, {u"Глава 12", apart(), "^8@0 0«глава» 0«двенадцать» "},
        {u"Глава 12", apart(digitsBy(1)), "^8@0 0«глава» 1«twelve» "},
        {u"Глава 12", shared(digitsBy(1)), "^8@0 0«глава twelve » "},
        {u"Глава 12", russian(digitsBy(1)), "^8@0 0«глава двенадцать » "}, // no second subvoice
        {u"Глава 12", {3, false, digitsBy(2)}, "^8@0 0«глава» 0«двенадцать» "},
        {u"Это Hello world и всё", apart(), "^21@0 0«это» 1«hello world» 0«и всё» "},
        {u"Это Hello world и всё", shared(), "^21@0 0«это hello world и всё » "},
        {u"Это OK", russian(), "^6@0 0«это OK » "}, {u"Это OK", apart(), "^6@0 0«это» 1«okay» "},
        {u"буква B тут", apart(), "^11@0 0«буква» 1«bi» 0«тут» "}, {u"b", apart(), "^1@0 1«bi» "},
        {u"XB", apart(), "^2@0 1«eks bi» "},

        {u"Да, нет.", russian(), "^8@0 0«да, нет. » "},
        {u"Да, нет.", apart(spoken(Punctuation::None, 1)), "^8@0 0«да, нет.» "},
        {u"Да, нет.", all, "^8@0 0«да запятая нет точка » "},
        {u"Да, нет.", apart(spoken(Punctuation::All, 1)), "^8@0 0«да» 1«comma» 0«нет» 1«dot» "},
        {u"Да, нет.", shared(spoken(Punctuation::All, 1)), "^8@0 0«да comma нет dot » "},
        {u"Да, нет.", russian(spoken(Punctuation::All, 1)), "^8@0 0«да запятая нет точка » "},
        {u"Hello, world.", apart(spoken(Punctuation::All, 1)), "^13@0 1«hello comma world dot» "},
        {u"Hello, world.", apart(spoken(Punctuation::All)), "^13@0 1«hello» 0«запятая» 1«world» 0«точка» "},
        {u"2+2", all, "^3@0 0«два плюс два » "}, {u"2+2", russian(), "^3@0 0«два два » "},
        {u"5@5", all, "^3@0 0«пять собака пять » "}, {u"Дом #5", all, "^6@0 0«дом пять » "}, // # has no name
        {u"@", all, "^1@0 0«эт » "}, {u"+", all, "^1@0 0«плюс » "}, // alone: a letter name first
        {u"+", russian(), "^1@0 ", false},

        {u"В", russian(), "^1@0 0«вэ » "}, {u"12 в", russian(), "^4@0 0«двенадцать в » "}, // a lone letter is spelled
        {u"12 б", russian(), "^4@0 0«двенадцать бэ » "}, {u"т.е.", russian(), "^4@0 0«то есть » "},
        {u"Вкл", russian(), "^3@0 0«вэ к л » "}, {u"Вкл", russian({.userDictionary = true}), "^3@0 0«включено » "},
    });
}

TEST(TextPipeline, Failures) {
    check({
        {u"", russian(), "", false}, {u"Да", {0, true}, "", false}, {u" \t\u00A0 ", russian(), "", false},
        {u"###", russian(), "^3@0 ", false}, // nothing left to speak
        {u"Глава 12", apart(), "^8@0 0«глава» ", false, {.stopAfter = 1}},
        {u"Да. Нет.", russian(portions(512, 0)), "^3@0 0«да. » ", false, {.stopAfter = 1}},
        {u"Да", russian(), "^2@0 ", false, {.stopAtSentence = true}},
        {u"Глава 12", apart(digitsBy(1)), "^8@0 0«глава» 1«twelve» ", true, {.results = {false, true}}},
        {u"12 глава", apart(digitsBy(1)), "^8@0 1«twelve» 0«глава» ", false, {.results = {false, true}}},
        {u"Это Hello", apart(), "^9@0 0«это» ", true, {.present = {true, false}}}, // no module: skipped
        {u"Hello", apart(), "^5@0 ", false, {.present = {true, false}}},
        {u"Глава 12", apart(), "^8@0 0«глава» ", false, {.throwAt = 1}}, // out of memory ends the call
    });
}

// The shipped languages as the build encodes them into the program's data folder, run through the
// text pipeline as the shipped voices run them (their language first, English second, one module).
// Above all, whatever a text turns into, the built-in synthesizer must say all of it: it is silent
// on every character but the small Russian letters, space and . , ! ? ; : -.

// A shipped language, read once as the engine reads them: <program folder>/data/langs.conf.
const Language& language(std::u16string_view name) {
    static LangsConf langs;
    static const bool loaded = langs.load(u"", {platform::parentFolder(fromUtf8(VX_DATA_DIR))});
    static const Language none(u"none");
    EXPECT_TRUE(loaded) << "no langs.conf in " << VX_DATA_DIR;
    const Language* found = langs.get(std::u16string(name));
    return found ? *found : none;
}

enum class Mode { Read, Punct, Spell, Everyday };

// What the shipped voice of lang gives its module for text: read, read with punctuation spoken,
// spelled as the voice spells (each character by itself, punctuation spoken, spaces skipped;
// the names apart by '|'), or read with the reading stage on. reader: the subvoice that reads
// digits and symbols.
std::u16string given(std::u16string_view lang, std::u16string_view text, Mode mode = Mode::Read,
                      std::uint32_t reader = 0) {
    const Language* languages[] = {&language(lang), &language(u"en")};
    PipelineSettings settings;
    settings.punctuation = mode == Mode::Read || mode == Mode::Everyday ? Punctuation::None : Punctuation::All;
    settings.normalization = mode == Mode::Everyday ? Normalization::Full : Normalization::None;
    settings.digitSubvoice = settings.punctuationSubvoice = reader;
    RecordingSink listing;
    for (std::size_t i = 0; mode == Mode::Spell && i < text.size(); ++i)
        listing.text += text[i] == u' ' ? u"" : u"|" + given(lang, text.substr(i, 1), Mode::Punct, reader);
    if (mode != Mode::Spell) speakText(text, languages, true, settings, listing);
    return TextUtil::trim(listing.text.erase(0, mode == Mode::Spell ? 1 : 0));
}

struct Reading {
    std::u16string_view text, words;
    Mode mode = Mode::Read;
};

void expectRows(std::u16string_view lang, std::initializer_list<Reading> rows, Mode mode = Mode::Read) {
    for (const Reading& row : rows)
        EXPECT_EQ(toUtf8(given(lang, row.text, mode == Mode::Read ? row.mode : mode)), toUtf8(row.words))
            << toUtf8(row.text);
}

// Plural forms, and feminine one and two before тысяча (groups of three past twelve digits: in
// EverydayText, whose reading stage leaves them to the pipeline). Lone letters reach the
// replacements as their names ("т. е." as "тэ. е."), and keys that begin with a space match only at
// the start of a word; words without vowels are spelled unless replaced; a one-letter word is
// spelled only when it is the whole text.
TEST(ShippedData, Russian) {
    expectRows(u"ru", {
        {u"0 007 1000 2000 5000 11000 21000",
         u"ноль ноль ноль семь одна тысяча две тысячи пять тысяч одиннадцать тысяч двадцать одна тысяча"},
        {u"1000000 2000000 5000000 2000000000", u"один миллион два миллиона пять миллионов два миллиарда"},
        {u"1234567", u"один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь"},
        {u"Это, т. е. пример", u"это, то есть пример"}, {u"и т.д.", u"и так далее"}, {u"до н. э.", u"до нашей эры"},
        {u"в 2024 г.", u"в две тысячи двадцать четыре год"}, {u"Центральный р-н", u"центральный район"},
        {u"Новый министр сел на стул.", u"новый министр сел на стул."}, {u"МВД и ФСБ", u"эм вэ дэ и эф эс бэ"},
        {u"в", u"вэ"}, {u"я в дом", u"я в дом"}, {u"Київ", u"кийив"}, {u"5%", u"пять процент", Mode::Punct},
        {u"−-=#;\\«", u"минус дефис равно решётка точка с запятой обратная косая черта открывающая кавычка",
         Mode::Punct},
        {u"Съезд, йод!", u"эс|твёрдый знак|е|зэ|дэ|запятая|и краткое|о|дэ|восклицательный знак", Mode::Spell}});
}

// Lowering folds и to ы, е to э and the apostrophes to ъ; replacements turn і ї є ґ into Russian
// letters; й and з are words, not letters to spell.
TEST(ShippedData, Ukrainian) {
    expectRows(u"uk", {
        {u"0 21 2000 5000 21000", u"нуль двадцять одын дви тысячи пъять тысяч двадцять одна тысяча"},
        {u"1000000 3000000 12000000 5000000000", u"одын мильйон тры мильйоны дванадцять мильйонив пъять мильярдив"},
        {u"Привіт", u"прывит"}, {u"ЇЖАК", u"йижак"}, {u"Європа", u"европа"}, {u"Ґудзик", u"гудзык"},
        {u"синє небо", u"сыне нэбо"}, {u"м'ясо п’ять пʼять", u"мъясо пъять пъять"}, {u"з'їзд", u"зъйизд"},
        {u"Вона й він з ним", u"вона й вин з ным"}, {u"т. зв. реформа", u"так званый рэформа"}, {u"ЗСУ", u"зэ эс у"},
        {u"і т. д.", u"и так дали"}, {u"і т. ін.", u"и такэ иншэ"}, {u"у м. Київ", u"у мисто кыйив"}, {u"ї", u"йи"},
        {u"Нових систем.", u"новых сыстэм."}, {u"Так, так.", u"так кома так крапка", Mode::Punct}});
}

// English words inside Russian text, one row for each kind of letter group; words without vowels
// and lone letters are spelled.
TEST(ShippedData, English) {
    expectRows(u"ru", {
        {u"Hello, World!", u"хэлло, ворлд!"}, {u"the", u"зэ"}, {u"shop", u"шоп"}, {u"check", u"чэк"}, {u"box", u"бокс"},
        {u"files", u"файлс"}, {u"e-mail", u"и-мэйл"}, {u"updated", u"апдэйтид"}, {u"queen", u"квин"}, {u"yes", u"йэс"},
        {u"jazz", u"джаз"}, {u"school", u"скул"}, {u"night", u"найт"}, {u"what", u"ват"}, {u"phone", u"фоун"},
        {u"please", u"плис"}, {u"user", u"юзэр"}, {u"station", u"стэйшн"}, {u"question", u"квэсчн"}, {u"how", u"хау"},
        {u"picture", u"пикчэр"}, {u"twitter", u"твитэр"}, {u"show", u"шоу"}, {u"YouTube", u"ютюб"}, {u"don't", u"донт"},
        {u"it’s", u"итс"}, {u"PDF", u"пи ди эф"}, {u"Plan B", u"план би"}, {u"Wi", u"дабл ю|ай", Mode::Spell},
        {u"Linux.", u"линакс точка", Mode::Punct}});
}

// The reading stage with the shipped Russian rules, topic by topic: what the module is given.
TEST(EverydayText, RussianNumbersAgreeWithWhatTheyCount) {
    expectRows(u"ru", {
        {u"Население — 21 000 человек", u"население двадцать одна тысяча человек"},
        {u"21\u00A0000 и 1\u202F500 и 2 000 000", u"двадцать одна тысяча и тысяча пятьсот и два миллиона"},
        {u"Я прочитал 21 книгу и 2 статьи.", u"я прочитал двадцать одну книгу и две статьи."},
        {u"с 3 детьми, до 5 лет, около 100 человек, о 5 книгах", u"с тремя детьми, до пяти лет, около ста человек, о пяти книгах"},
        {u"видел 2 студентов, в 2 раза, 5 новых книг", u"видел двух студентов, в два раза, пять новых книг"},
        {u"24 км, 1 001 000, 5 10 15", u"двадцать четыре километра, один миллион одна тысяча, пять десять пятнадцать"},
        {u"007 и 1234567890123", u"ноль ноль семь и сто двадцать три четыреста пятьдесят шесть семьсот восемьдесят "
                                u"девять ноль двенадцать три"},
        {u"−5 °C, +3, -2", u"минус пять градусов, плюс три, минус два"}, {u"Ту-154", u"ту- сто пятьдесят четыре"},
        {u"3,14; 2,5 кг; 0,5", u"три целых четырнадцать сотых; две целых пять десятых килограмма; ноль целых пять десятых"},
        {u"15%, 21 %, на 3%, до 15%", u"пятнадцать процентов, двадцать один процент, на три процента, до пятнадцати процентов"},
        {u"$100, €5, 5 тыс. руб., $3 млн", u"сто долларов, пять евро, пять тысяч рублей, три миллиона долларов"},
        {u"Билет стоит 1 500 руб.", u"билет стоит тысяча пятьсот рублей."},
        {u"60 км/ч, 20 м², 1 кг, в 5 км от дома, в 1 890 руб.", u"шестьдесят километров в час, двадцать квадратных "
                                                          u"метров, один килограмм, в пяти километрах от дома, в тысячу восемьсот девяносто рублей."},
        {u"5–7 дней, 2-3 дня", u"пять семь дней, два три дня"}, {u"Дом № 5", u"дом номер пять"},
        {u"+7 495 123-45-67, 8 (800) 555-35-05", u"плюс семь четыреста девяносто пять сто двадцать три сорок пять "
                                              u"шестьдесят семь, восемь восемьсот пятьсот пятьдесят пять тридцать пять ноль пять"}},
        Mode::Everyday);
}

TEST(EverydayText, RussianOrdinalsDatesAndTimes) {
    expectRows(u"ru", {
        {u"на 2-м этаже, 2-й этаж, 5-го числа, 2-я глава", u"на втором этаже, второй этаж, пятого числа, вторая глава"},
        {u"в 2-х экземплярах, 5-ти", u"в двух экземплярах, пяти"},
        {u"В 1990-х годах и в 2000-х", u"в девяностых годах и в двухтысячных"},
        {u"в XIX веке, XX век, XXI века, XIX в.", u"в девятнадцатом веке, двадцатый век, двадцать первого века, девятнадцатый век."},
        {u"Пётр I, Екатерина II, глава III", u"пётр первый, екатерина вторая, глава третья"},
        {u"7 декабря 2026 г. Он", u"седьмого декабря две тысячи двадцать шестого года. он"},
        {u"15.03.2025, к 7 декабря, на 1 мая, с 1 по 5 мая", u"пятнадцатого марта две тысячи двадцать пятого года, к седьмому "
                                                         u"декабря, на первое мая, с первого по пятое мая"},
        {u"в 2005 году, в 1985 г., 2026 год, 2000 лет", u"в две тысячи пятом году, в тысяча девятьсот восемьдесят пятом году, "
                                                     u"две тысячи двадцать шестой год, две тысячи лет"},
        {u"в 1941–1945 гг.", u"в тысяча девятьсот сорок первом тысяча девятьсот сорок пятом годах."},
        {u"в 12:30, 8:05, с 9:00 до 18:00, 3:1", u"в двенадцать тридцать, восемь ноль пять, с девяти ноль ноль до "
                                              u"восемнадцати ноль ноль, три один"}},
        Mode::Everyday);
}

// Abbreviations are kept whole in texts long enough to be cut at every dot.
TEST(EverydayText, RussianAbbreviationsAcronymsSymbolsAddresses) {
    expectRows(u"ru", {
        {u"Это, т. е. новый закон, который приняли в этом году, вступает в силу и т. д. Потом т.к. и т.п.",
         u"это, то есть новый закон, который приняли в этом году, вступает в силу и так далее. потом так как и тому подобное."},
        {u"на ул. Ленина, проф. Иванов, см. рис. 5, до н. э.", u"на улице ленина, профессор иванов, смотри рисунок пять, до нашей эры."},
        {u"Президент США, МГУ, НАТО, ФСБ", u"президент сэ шэ а, эм гэ у, нато, эф эс бэ"},
        {u"2 + 2 = 4; ½; C++", u"два плюс два равно четыре; одна вторая; си плюс плюс"},
        {u"info@example.ru, https://www.gosuslugi.ru/help.", u"инфо собака эксампл точка ру, вэ вэ вэ точка госаслаги точка ру слэш хэлп."},
        {u"café, ударе\u0301ние, ком\u00ADпьютер, α, Ќоста", u"кафэ, ударение, компьютер, , коста"}},
        Mode::Everyday);
}

// The Ukrainian rules, written in Ukrainian spelling, reach the module lowered like any other text.
TEST(EverydayText, Ukrainian) {
    expectRows(u"uk", {
        {u"Я прочитала 21 книгу і 2 статті, з 3 дітьми, до 5 років.",
         u"я прочытала двадцять одну кныгу и дви статти, з трьома дитьмы, до пъяты рокив."},
        {u"1 500 грн, 21 000 осіб, 2,5 кг, 15%, −5 °C", u"тысяча пъятсот грывэнь, двадцять одна тысяча осиб, дви цилых "
                                                   u"пъять дэсятых килограма, пъятнадцять видсоткив, минус пъять градусив"},
        {u"у 2005 році, 7 грудня 2026 р. Він", u"у дви тысячи пъятому роци, сьомого грудня дви тысячи двадцять шостого року. вин"},
        {u"на 2-му поверсі, у XIX столітті, до 2-ї світової, 2-кімнатна, з 2-ма дітьми",
         u"на другому повэрси, у дэвъятнадцятому столитти, до другойи свитовойи, двокимнатна, з двома дитьмы"},
        {u"т. зв. реформа і т. д. Потім на вул. Хрещатик, ЗСУ, США",
         u"так званый рэформа и так дали. потим на вулыци хрэщатык, зэ эс у, эс шэ а"},
        {u"info@ukr.net, 2 + 2 = 4, x² і π", u"инфо равлык укр крапка нэт, два плюс два доривнюе чотыры, экс у квадрати и пи"}},
        Mode::Everyday);
}

// With exact events each word a module is given stands for a span of the text given to the
// pipeline (its punctuation left out), and a sentence starts at its own first character: through
// spaces collapsed, runs, replacements, numbers and the reading stage; "^length@offset" is a
// portion's first sentence.
TEST(EverydayText, WordsMapBackToTheText) {
    struct Mapped {
        std::u16string_view text;
        Normalization normalization;
        std::string sentences, spans;
    };
    const Mapped rows[] = {
        {u"Привет,   мир!", Normalization::None, "^14@0 ", "[0,6) [10,13) "},
        // Without the reading stage the dots of "т. е." end sentences, as they cut portions.
        {u"Глава 12 т. е. так", Normalization::None, "^11@0 ", "[0,5) [6,8) ^12-14 [9,13) [9,13) ^15-18 [15,18) "},
        {u"Население — 21 000 человек.", Normalization::Full, "^27@0 ", "[0,9) [12,18) [12,18) [12,18) [19,26) "},
        {u"Это первое предложение текста. А это уже второе предложение текста!", Normalization::Full,
         "^30@0 ^36@31 ", "[0,3) [4,10) [11,22) [23,29) [31,32) [33,36) [37,40) [41,47) [48,59) [60,66) "},
        {u"Пётр I и café", Normalization::Full, "^13@0 ", "[0,4) [5,6) [7,8) [9,13) "},
        // A short text is one portion; its second sentence begins at a word ("^begin-end").
        {u"Раз два.  Три!", Normalization::None, "^8@0 ", "[0,3) [4,7) ^10-14 [10,13) "},
    };
    for (const Mapped& row : rows) {
        const Language* languages[] = {&language(u"ru"), &language(u"en")};
        PipelineSettings settings;
        settings.normalization = row.normalization;
        settings.exactEvents = true;
        RecordingSink sink;
        speakText(row.text, languages, true, settings, sink);
        std::string sentences;
        for (std::size_t at = 0; (at = sink.calls.find('^', at)) != std::string::npos; ++at)
            sentences += sink.calls.substr(at, sink.calls.find(' ', at) - at + 1);
        EXPECT_EQ(sentences, row.sentences) << toUtf8(row.text);
        EXPECT_EQ(sink.spans, row.spans) << toUtf8(row.text);
    }
}

// Random texts, each a number or a word of random letters with now and then a symbol a screen
// reader meets: Russian, Ukrainian, or Latin (English words in Russian text, with capitals,
// apostrophes and hyphens); read, with punctuation spoken and spelled, with digits and symbols
// read by the voice's language or by English. A number, and each character spelled by the
// voice's language, must have a syllable to be heard.
TEST(ShippedData, EverythingComesOutSpeakable) {
    const std::u16string symbols = u"+\u2212-=%№$€₽£@#&*/\\<>«»\"“”„()[]{}…_|~^`§°©®™•·.,?!;:0123456789 ";
    const std::pair<std::u16string_view, std::u16string> kinds[] = {
        {u"ru", u"абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯіїєґ"},
        {u"uk", u"абвгґдеєжзиіїйклмнопрстуфхцчшщьюяАБВГҐДЕЄЖЗИІЇЙКЛМНОПРСТУФХЦЧШЩЬЮЯ'’ʼ"},
        {u"ru", u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'’-"}};
    std::mt19937_64 random(20240603);
    std::string report;
    for (int i = 0; i < 60000 && report.size() < 2000; ++i) {
        const auto& [lang, alphabet] = kinds[i % 3];
        const auto mode = static_cast<Mode>(i / 3 % 4);
        const std::uint32_t reader = i / 9 % 2;
        const bool isNumber = i % 4 == 0;
        std::u16string text = isNumber ? fromUtf8(std::to_string(random() % (i % 8 ? 2200 : 1000000000000000ULL))) : u"";
        for (auto n = isNumber ? 0 : random() % 12 + 1; n > 0; --n)
            text += random() % 10 ? alphabet[random() % alphabet.size()] : symbols[random() % symbols.size()];
        if (TextUtil::isBlank(text)) continue; // nothing to hear
        const std::u16string words = given(lang, text, mode, reader);
        bool heard = true;
        for (std::size_t at = 0; (isNumber || (mode == Mode::Spell && reader == 0)) && at <= words.size(); ++at) {
            const std::size_t end = std::min(words.find(u'|', at), words.size());
            heard = heard && language(u"ru").hasVowel(words.substr(at, end - at));
            at = end;
        }
        if (!heard || words.find_first_not_of(u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя .,!?;:-|") != words.npos)
            report += "\n  " + toUtf8(lang) + " \"" + toUtf8(text) + "\" -> \"" + toUtf8(words) + "\"";
    }
    EXPECT_TRUE(report.empty()) << report;
}

} // namespace
} // namespace vx
