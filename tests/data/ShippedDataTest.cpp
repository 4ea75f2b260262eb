// The shipped languages as the build encodes them into the program's data folder, run through the
// text pipeline as the shipped voices run them (their language first, English second, one module).
// Above all, whatever a text turns into, the built-in synthesizer must say all of it: it is silent
// on every character but the small Russian letters, space and . , ! ? ; : -.

#include "config/TextUtil.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/LangsConf.h"
#include "text/TextPipeline.h"

#include <gtest/gtest.h>
#include <random>

namespace vx {
namespace {

// A shipped language, read once as the engine reads them: <program folder>/data/langs.conf.
const Language& language(std::u16string_view name) {
    static LangsConf langs;
    static const bool loaded = langs.load(u"", {platform::parentFolder(fromUtf8(VX_DATA_DIR))});
    static const Language none(u"none");
    EXPECT_TRUE(loaded) << "no langs.conf in " << VX_DATA_DIR;
    const Language* found = langs.get(std::u16string(name));
    return found ? *found : none;
}

// Keeps what the voice's one module is given.
struct Listing final : PortionSink {
    bool stopRequested() const override { return false; }
    void sentenceStart(std::uint32_t, std::uint32_t) override {}
    bool hasModule(std::size_t) const override { return true; }
    bool speak(std::size_t, const TextPortion& portion) override { return text += portion, true; }
    std::u16string text;
};

enum class Mode { Read, Punct, Spell };

// What the shipped voice of lang gives its module for text: read, read with punctuation spoken,
// or spelled as the voice spells (each character by itself, punctuation spoken, spaces skipped;
// the names apart by '|'). reader: the subvoice that reads digits and symbols.
std::u16string spoken(std::u16string_view lang, std::u16string_view text, Mode mode = Mode::Read,
                      std::uint32_t reader = 0) {
    const Language* languages[] = {&language(lang), &language(u"en")};
    PipelineSettings settings;
    settings.punctuation = mode == Mode::Read ? Punctuation::None : Punctuation::All;
    settings.digitSubvoice = settings.punctuationSubvoice = reader;
    Listing listing;
    for (std::size_t i = 0; mode == Mode::Spell && i < text.size(); ++i) {
        listing.text += text[i] == u' ' ? u"" : u"|" + spoken(lang, text.substr(i, 1), Mode::Punct, reader);
    }
    if (mode != Mode::Spell) {
        speakText(text, languages, true, settings, listing);
    }
    return TextUtil::trim(listing.text.erase(0, mode == Mode::Spell ? 1 : 0));
}

struct Row {
    std::u16string_view text, words;
    Mode mode = Mode::Read;
};

void expectRows(std::u16string_view lang, std::initializer_list<Row> rows) {
    for (const Row& row : rows) {
        EXPECT_EQ(toUtf8(spoken(lang, row.text, row.mode)), toUtf8(row.words)) << toUtf8(row.text);
    }
}

// Plural forms, feminine one and two before тысяча, digits in groups of three past twelve. Lone
// letters reach the replacements as their names ("т. е." as "тэ. е."), and keys that begin with a
// space match only at the start of a word; words without vowels are spelled unless replaced; a
// one-letter word is spelled only when it is the whole text.
TEST(ShippedData, Russian) {
    expectRows(u"ru", {
        {u"0 007 1000 2000 5000 11000 21000",
         u"ноль ноль ноль семь одна тысяча две тысячи пять тысяч одиннадцать тысяч двадцать одна тысяча"},
        {u"1000000 2000000 5000000 2000000000", u"один миллион два миллиона пять миллионов два миллиарда"},
        {u"1234567", u"один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь"},
        {u"1234567890123", u"сто двадцать три четыреста пятьдесят шесть семьсот восемьдесят девять ноль "
                           u"двенадцать три"},
        {u"Это, т. е. пример", u"это, то есть пример"}, {u"и т.д.", u"и так далее"}, {u"гг.", u"годы"},
        {u"Т. к. он ушёл", u"так как он ушёл"}, {u"в 2024 г.", u"в две тысячи двадцать четыре год"},
        {u"Живёт на ул. Ленина", u"живёт на улица ленина"}, {u"млрд руб.", u"миллиардов рублей"},
        {u"до н. э.", u"до нашей эры"}, {u"Центральный р-н", u"центральный район"}, {u"Київ", u"кийив"},
        {u"Новый министр сел на стул.", u"новый министр сел на стул."}, {u"МВД и ФСБ", u"эм вэ дэ и эф эс бэ"},
        {u"в", u"вэ"}, {u"я в дом", u"я в дом"}, {u"Да, нет.", u"да, нет."}, {u"5%", u"пять процент", Mode::Punct},
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
        {u"і т. д.", u"и так дали"}, {u"та ін.", u"та инши"}, {u"і т. ін.", u"и такэ иншэ"}, {u"ґ", u"гэ"},
        {u"тис. грн", u"тысяч грывэнь"}, {u"у м. Київ", u"у мисто кыйив"}, {u"Нових систем.", u"новых сыстэм."},
        {u"щ", u"шча"}, {u"ї", u"йи"}, {u"Так, так.", u"так кома так крапка", Mode::Punct}});
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
        const auto& [lang, letters] = kinds[i % 3];
        const auto mode = static_cast<Mode>(i / 3 % 3);
        const std::uint32_t reader = i / 9 % 2;
        const bool number = i % 4 == 0;
        std::u16string text = number ? fromUtf8(std::to_string(random() % (i % 8 ? 2200 : 1000000000000000ULL))) : u"";
        for (auto n = number ? 0 : random() % 12 + 1; n > 0; --n) {
            text += random() % 10 ? letters[random() % letters.size()] : symbols[random() % symbols.size()];
        }
        const std::u16string words = spoken(lang, text, mode, reader);
        bool heard = true;
        for (std::size_t at = 0; (number || (mode == Mode::Spell && reader == 0)) && at <= words.size(); ++at) {
            const std::size_t end = std::min(words.find(u'|', at), words.size());
            heard = heard && language(u"ru").hasVowel(words.substr(at, end - at));
            at = end;
        }
        if (!heard || words.find_first_not_of(u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя .,!?;:-|") != words.npos) {
            report += "\n  " + toUtf8(lang) + " \"" + toUtf8(text) + "\" -> \"" + toUtf8(words) + "\"";
        }
    }
    EXPECT_TRUE(report.empty()) << report;
}

} // namespace
} // namespace vx
