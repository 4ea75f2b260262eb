#include "platform/Utf.h"
#include "tests/text/LanguageFixture.h"
#include "text/TextPipeline.h"

#include <array>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <vector>

namespace vx {
namespace {

// Names only for the letters, numbers and symbols the cases use, and replacements whose input
// no letter name can change first.
constexpr std::u16string_view kRussian =
    u"[Letters]\nб=бэ\nв=вэ\nд=дэ\nм=эм\n@=эт\n"
    u"[Numbers]\n2=два\n5=пять\n12=двенадцать\n50=пятьдесят\n"
    u"[Symbols]\n+=плюс\n%=процент\n,=запятая\n.=точка\n@=собака\n"
    u"[Replacements]\nт.е.=то есть\nкг=килограмм\n";
constexpr std::u16string_view kLatin =
    u"[Letters]\nb=bi\nx=eks\n[Numbers]\n12=twelve\n[Symbols]\n,=comma\n.=dot\n+=plus\n[Replacements]\nok=okay\n";
// A third subvoice, which must never be used.
constexpr std::u16string_view kGerman = u"[Numbers]\n12=zwölf\n";

// One call the pipeline made on its sink: a sentence start or a module call.
struct Call {
    bool sentence = false;
    std::uint32_t length = 0;
    std::uint32_t offset = 0;
    std::size_t subvoice = 0;
    std::u16string text;
    bool operator==(const Call&) const = default;
};

Call sentence(std::uint32_t length, std::uint32_t offset) { return {true, length, offset, 0, u""}; }
Call speak(std::size_t subvoice, std::u16string text) { return {false, 0, 0, subvoice, std::move(text)}; }

void PrintTo(const Call& call, std::ostream* os) {
    if (call.sentence) {
        *os << "sentence(" << call.length << ", " << call.offset << ")";
    } else {
        *os << "speak(" << call.subvoice << ", \"" << toUtf8(call.text) << "\")";
    }
}

// How the modules behave: which exist, what they return, when a stop or a failure comes.
struct Modules {
    std::array<bool, 2> present{true, true};
    std::array<bool, 2> results{true, true};
    std::size_t stopAfter = 0;   // the module call during which a stop is requested (0: none)
    bool stopAtSentence = false; // a stop comes with a sentence start (the engine lost its site)
    std::size_t throwAt = 0;     // the module call that runs out of memory (0: none)
};

class RecordingSink : public PortionSink {
public:
    explicit RecordingSink(const Modules& modules) : modules_(modules) {}

    bool stopRequested() const override { return stop_; }
    void sentenceStart(std::uint32_t length, std::uint32_t offset) override {
        calls.push_back(sentence(length, offset));
        stop_ = stop_ || modules_.stopAtSentence;
    }
    bool hasModule(std::size_t subvoice) const override { return modules_.present.at(subvoice); }
    bool speak(std::size_t subvoice, const TextPortion& portion) override {
        calls.push_back(vx::speak(subvoice, portion));
        ++made_;
        stop_ = stop_ || made_ == modules_.stopAfter;
        if (made_ == modules_.throwAt) {
            throw std::bad_alloc();
        }
        return modules_.results.at(subvoice);
    }

    std::vector<Call> calls;

private:
    Modules modules_;
    std::size_t made_ = 0;
    bool stop_ = false;
};

struct Voice {
    std::size_t subvoices = 1; // Russian, then Latin, then German
    bool sameModule = true;
    PipelineSettings settings{};
    std::u16string_view russian = kRussian;
};

Voice russian(PipelineSettings settings = {}) { return {1, true, settings}; }
Voice shared(PipelineSettings settings = {}) { return {2, true, settings}; }
Voice apart(PipelineSettings settings = {}) { return {2, false, settings}; }
PipelineSettings spoken(Punctuation mode, std::uint32_t p = 0) {
    return {.punctuation = mode, .punctuationSubvoice = p};
}
PipelineSettings digitsBy(std::uint32_t d) { return {.digitSubvoice = d}; }
PipelineSettings portions(std::uint32_t max, std::uint32_t min = 64) {
    return {.maxPortionSize = max, .minPortionSize = min};
}

struct Case {
    const char* what;
    std::u16string text;
    Voice voice;
    std::vector<Call> calls;
    bool result = true;
    bool sentences = false; // whether the sentence starts are part of calls
    Modules modules{};
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

std::u16string repeat(std::u16string_view text, std::size_t times) {
    std::u16string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

class TextPipeline : public testing::TestWithParam<Case> {};

TEST_P(TextPipeline, MakesTheExpectedCalls) {
    const Case& c = GetParam();
    const auto first = test::makeLanguage(c.voice.russian);
    const auto second = test::makeLanguage(kLatin, {{u"alphabet", u"latin"}}, u"en");
    const auto third = test::makeLanguage(kGerman, {{u"alphabet", u"latin"}}, u"de");
    const std::array<const Language*, 3> languages{first.get(), second.get(), third.get()};
    RecordingSink sink(c.modules);
    const bool result = speakText(c.text, std::span(languages).first(c.voice.subvoices), c.voice.sameModule,
                                  c.voice.settings, sink);
    if (!c.sentences) {
        std::erase_if(sink.calls, [](const Call& call) { return call.sentence; });
    }
    EXPECT_EQ(sink.calls, c.calls);
    EXPECT_EQ(result, c.result);
}

const std::u16string k64 = u"Утро тихое. Вечер? Ночь! Итог: сон; день – свет и снег у дверей.";
const std::u16string k65 = u"Утро тихое. Вечер? Ночь! Итог: сон; день – свет, и снег у дверей.";
const std::u16string kLong = repeat(u"Дом. ", 1999) + u"Конец";
const std::u16string k600 = repeat(u"сон ", 149) + u"сонм";
const std::vector<Call> k65Whole = {sentence(65, 0),
                                    speak(0, u"утро тихое. вечер? ночь! итог: сон; день свет, и снег у дверей. ")};

INSTANTIATE_TEST_SUITE_P(Portioning, TextPipeline, testing::Values(
    Case{"64 characters are one portion", k64, russian(),
         {sentence(64, 0), speak(0, u"утро тихое. вечер? ночь! итог: сон; день свет и снег у дверей. ")}, true, true},
    Case{"65 are cut after each delimiter", k65, russian(),
         {sentence(11, 0), speak(0, u"утро тихое. "), sentence(7, 11), speak(0, u"вечер? "), sentence(6, 18),
          speak(0, u"ночь! "), sentence(6, 24), speak(0, u"итог: "), speak(0, u"сон; "), speak(0, u"день "),
          speak(0, u"свет, и снег у дверей. ")}, true, true},
    Case{"up to the minimum stays whole", k65, russian(portions(512, 65)), k65Whole, true, true},
    Case{"-1 switches portioning off", k65, russian(portions(0xFFFFFFFF, 0)), k65Whole, true, true},
    Case{"10,000 characters, -1", kLong, russian(portions(0xFFFFFFFF)),
         {sentence(10000, 0), speak(0, repeat(u"дом. ", 1999) + u"конец ")}, true, true},
    Case{"a long sentence is cut at breaks", k600, russian(),
         {sentence(511, 0), speak(0, repeat(u"сон ", 128)), speak(0, repeat(u"сон ", 21)), speak(0, u"сонм ")},
         true, true},
    Case{"0 cuts only at delimiters", k600 + u". Конец.", russian(portions(0)),
         {sentence(601, 0), speak(0, repeat(u"сон ", 149) + u"сонм. "), sentence(7, 601), speak(0, u"конец. ")},
         true, true}));

INSTANTIATE_TEST_SUITE_P(Sentences, TextPipeline, testing::Values(
    Case{"a full stop starts the next", u"Да. Нет", russian(portions(512, 0)),
         {sentence(3, 0), speak(0, u"да. "), sentence(4, 3), speak(0, u"нет ")}, true, true},
    Case{"offsets count normalized text", u"  Да.  \t Нет  ", russian(portions(512, 0)),
         {sentence(3, 0), speak(0, u"да. "), sentence(4, 3), speak(0, u"нет ")}, true, true},
    Case{"a colon does not", u"Итог: да", russian(portions(512, 0)),
         {sentence(5, 0), speak(0, u"итог: "), speak(0, u"да ")}, true, true},
    Case{"! and ?", u"Да! Нет? Ну", russian(portions(512, 0)),
         {sentence(3, 0), speak(0, u"да! "), sentence(5, 3), speak(0, u"нет? "), sentence(3, 8), speak(0, u"ну ")},
         true, true},
    Case{"before the portion's first run", u"Да. OK", apart(portions(512, 0)),
         {sentence(3, 0), speak(0, u"да."), sentence(3, 3), speak(1, u"okay")}, true, true}));

INSTANTIATE_TEST_SUITE_P(Runs, TextPipeline, testing::Values(
    Case{"one subvoice joins", u"Глава 12", russian(), {speak(0, u"глава двенадцать ")}},
    Case{"a shared module joins", u"Глава 12", shared(), {speak(0, u"глава двенадцать ")}},
    Case{"two modules speak each run", u"Глава 12", apart(), {speak(0, u"глава"), speak(0, u"двенадцать")}},
    Case{"digits by the second", u"Глава 12", apart(digitsBy(1)), {speak(0, u"глава"), speak(1, u"twelve")}},
    Case{"digits by the second, joined", u"Глава 12", shared(digitsBy(1)), {speak(0, u"глава twelve ")}},
    Case{"no second subvoice to read digits", u"Глава 12", russian(digitsBy(1)), {speak(0, u"глава двенадцать ")}},
    Case{"a third subvoice takes no part", u"Глава 12", {3, false, digitsBy(2)},
         {speak(0, u"глава"), speak(0, u"двенадцать")}},
    Case{"Latin words go to the second", u"Это Hello world и всё", apart(),
         {speak(0, u"это"), speak(1, u"hello world"), speak(0, u"и всё")}},
    Case{"Latin words joined", u"Это Hello world и всё", shared(), {speak(0, u"это hello world и всё ")}},
    Case{"Latin with one subvoice stays as it is", u"Это OK", russian(), {speak(0, u"это OK ")}},
    Case{"a Latin letter inside text", u"буква B тут", apart(),
         {speak(0, u"буква"), speak(1, u"bi"), speak(0, u"тут")}},
    Case{"a Latin letter alone", u"b", apart(), {speak(1, u"bi")}}));

INSTANTIATE_TEST_SUITE_P(Punctuation, TextPipeline, testing::Values(
    Case{"none: one run", u"Да, нет.", russian(), {speak(0, u"да, нет. ")}},
    Case{"none: one run even for p = 1", u"Да, нет.", apart(spoken(Punctuation::None, 1)), {speak(0, u"да, нет.")}},
    Case{"all, p = 0: named by the first", u"Да, нет.", russian(spoken(Punctuation::All)),
         {speak(0, u"да запятая нет точка ")}},
    Case{"some, p = 0, two subvoices", u"Да, нет.", apart(spoken(Punctuation::Some)),
         {speak(0, u"да запятая нет точка")}},
    Case{"all, p = 1: named by the second", u"Да, нет.", apart(spoken(Punctuation::All, 1)),
         {speak(0, u"да"), speak(1, u"comma"), speak(0, u"нет"), speak(1, u"dot")}},
    Case{"all, p = 1, joined", u"Да, нет.", shared(spoken(Punctuation::All, 1)), {speak(0, u"да comma нет dot ")}},
    Case{"p = 1 without a second subvoice", u"Да, нет.", russian(spoken(Punctuation::All, 1)),
         {speak(0, u"да запятая нет точка ")}},
    Case{"all, p = 1: Latin keeps its own", u"Hello, world.", apart(spoken(Punctuation::All, 1)),
         {speak(1, u"hello comma world dot")}},
    Case{"all, p = 0: Latin is cut", u"Hello, world.", apart(spoken(Punctuation::All)),
         {speak(1, u"hello"), speak(0, u"запятая"), speak(1, u"world"), speak(0, u"точка")}}));

INSTANTIATE_TEST_SUITE_P(Prepositions, TextPipeline, testing::Values(
    Case{"alone: the letter name", u"в", russian(), {speak(0, u"вэ ")}},
    Case{"a capital alone", u"В", russian(), {speak(0, u"вэ ")}},
    Case{"before a word", u"в дом", russian(), {speak(0, u"в дом ")}},
    Case{"a run of its own", u"12 в", russian(), {speak(0, u"двенадцать в ")}},
    Case{"other letters are named", u"12 б", russian(), {speak(0, u"двенадцать бэ ")}}));

Voice fullRussian() { return {1, true, {}, test::kRussianDictionary}; }

INSTANTIATE_TEST_SUITE_P(Numbers, TextPipeline, testing::Values(
    Case{"1000", u"1000", fullRussian(), {speak(0, u"одна тысяча ")}},
    Case{"2000", u"2000", fullRussian(), {speak(0, u"две тысячи ")}},
    Case{"5000", u"5000", fullRussian(), {speak(0, u"пять тысяч ")}},
    Case{"21000", u"21000", fullRussian(), {speak(0, u"двадцать одна тысяча ")}},
    Case{"12345", u"12345", fullRussian(), {speak(0, u"двенадцать тысяч триста сорок пять ")}},
    Case{"3000000", u"3000000", fullRussian(), {speak(0, u"три миллиона ")}},
    Case{"leading zeros", u"007", fullRussian(), {speak(0, u"ноль ноль семь ")}},
    Case{"inside text", u"В 2000 году", fullRussian(), {speak(0, u"в две тысячи году ")}}));

INSTANTIATE_TEST_SUITE_P(Symbols, TextPipeline, testing::Values(
    Case{"named with all", u"2+2", russian(spoken(Punctuation::All)), {speak(0, u"два плюс два ")}},
    Case{"kept silent with none", u"2+2", russian(), {speak(0, u"два два ")}},
    Case{"after a number", u"50%", russian(spoken(Punctuation::All)), {speak(0, u"пятьдесят процент ")}},
    Case{"by the second", u"2+2", apart(spoken(Punctuation::All, 1)),
         {speak(0, u"два"), speak(1, u"plus"), speak(0, u"два")}},
    Case{"without a name", u"Дом #5", russian(spoken(Punctuation::All)), {speak(0, u"дом пять ")}},
    Case{"alone, named", u"+", russian(spoken(Punctuation::All)), {speak(0, u"плюс ")}},
    Case{"alone, a letter name first", u"@", russian(spoken(Punctuation::All)), {speak(0, u"эт ")}},
    Case{"inside text, its symbol name", u"5@5", russian(spoken(Punctuation::All)), {speak(0, u"пять собака пять ")}},
    Case{"alone, with none", u"+", russian(), {}, false}));

INSTANTIATE_TEST_SUITE_P(Abbreviations, TextPipeline, testing::Values(
    Case{"lowercased, then spelled", u"МВД", russian(), {speak(0, u"эм вэ дэ ")}},
    Case{"replaced before spelled", u"5 кг", russian(), {speak(0, u"пять килограмм ")}},
    Case{"replacements see punctuation", u"т.е.", russian(), {speak(0, u"то есть ")}},
    Case{"Latin: spelled", u"XB", apart(), {speak(1, u"eks bi")}},
    Case{"Latin: replaced", u"Это OK", apart(), {speak(0, u"это"), speak(1, u"okay")}}));

INSTANTIATE_TEST_SUITE_P(Failures, TextPipeline, testing::Values(
    Case{"empty text", u"", russian(), {}, false, true},
    Case{"no languages", u"Да", {0, true}, {}, false, true},
    Case{"only spaces", u" \t\u00A0 ", russian(), {}, false, true},
    Case{"nothing left to speak", u"###", russian(), {}, false},
    Case{"a stop in the first call", u"Глава 12", apart(), {speak(0, u"глава")}, false, false, {.stopAfter = 1}},
    Case{"a stop ends the portions", u"Да. Нет.", russian(portions(512, 0)), {sentence(3, 0), speak(0, u"да. ")},
         false, true, {.stopAfter = 1}},
    Case{"a stop as a sentence starts", u"Да", russian(), {sentence(2, 0)}, false, true, {.stopAtSentence = true}},
    Case{"a failed call goes on", u"Глава 12", apart(digitsBy(1)), {speak(0, u"глава"), speak(1, u"twelve")},
         true, false, {.results = {false, true}}},
    Case{"the last call decides", u"12 глава", apart(digitsBy(1)), {speak(1, u"twelve"), speak(0, u"глава")},
         false, false, {.results = {false, true}}},
    Case{"a subvoice without a module", u"Это Hello", apart(), {speak(0, u"это")}, true, false,
         {.present = {true, false}}},
    Case{"nothing with a module", u"Hello", apart(), {}, false, false, {.present = {true, false}}},
    Case{"out of memory ends the call", u"Глава 12", apart(), {speak(0, u"глава")}, false, false,
         {.throwAt = 1}}));

TEST(TextPipelineUserDictionary, ComesWithItsSwitch) {
    test::TempFolder folder;
    const auto russian = test::makeLanguage(kRussian);
    ASSERT_TRUE(russian->loadUserDictionary(folder.writeUtf16("user.dic", u"вкл=включено\n")));
    const std::array<const Language*, 1> languages{russian.get()};
    for (const bool on : {false, true}) {
        RecordingSink sink(Modules{});
        EXPECT_TRUE(speakText(u"Вкл", languages, true, {.userDictionary = on}, sink));
        EXPECT_EQ(sink.calls, (std::vector<Call>{sentence(3, 0), speak(0, on ? u"включено " : u"вэ к л ")}));
    }
}

} // namespace
} // namespace vx
