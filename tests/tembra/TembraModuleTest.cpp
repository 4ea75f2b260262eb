// The built-in voice: its portions streamed, converted and filtered; its words as sound units
// (which units each letter rule chooses, that no join of units clicks, and that every unit is
// heard at a sensible level).

#include "tembra/TembraModule.h"
#include "tembra/VowelGrades.h"

#include "modules/AudioBlocks.h"
#include "modules/TempoPitchFilter.h"
#include "platform/AudioConversion.h"
#include "platform/Utf.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <span>
#include <sstream>

namespace vx {
namespace {

const std::u16string kPhrase = u"мама мыла раму";

const std::u16string kLongText = [] {
    std::u16string text;
    for (int i = 0; i < 20; ++i) text += kPhrase + u", ";
    return text;
}();

// A portion streams in chunks of 4096 bytes. Stop (called inside the sink, as another thread
// would call it) or the sink's own answer ends it before the next chunk; the next starts afresh.
TEST(TembraStreaming, ChunksUntilStopOrTheSinkEndsThePortion) {
    for (const std::u16string_view prosody : {u"", u"natural"})
    for (const std::string_view end : {"nothing", "Stop", "the sink"}) {
        SCOPED_TRACE(std::string(end) + " " + toUtf8(std::u16string(prosody)));
        TembraModule module;
        module.ReadSetting(u"prosody", std::u16string(prosody));
        test::RecordingSink sink;
        sink.stopAfter = end == "the sink" ? 2 : 0;
        sink.onCall = [&module, end](std::size_t call) {
            if (end == "Stop" && call == 2) module.Stop();
        };
        const auto blocks = test::spoken(module, kLongText, sink).blocks;
        EXPECT_TRUE(end == "nothing" ? blocks.size() > 2 : blocks.size() == 2) << blocks.size();
        for (std::size_t i = 0; i + 1 < blocks.size(); ++i) EXPECT_EQ(blocks[i], TembraModule::kChunkBytes);
        EXPECT_FALSE(test::spoken(module, u"да").audio.empty());
    }
}

// Asked for them, the voice marks each word right before its sound, at the natural pace too (where
// a word's sound depends on the words around it); at the fixed pace the audio before each mark is
// the sound of the text before its word.
TEST(TembraStreaming, MarksWordsBeforeTheirSound) {
    const std::u16string text = u"мама мыла  раму";
    for (const std::u16string_view prosody : {u"", u"natural"}) {
        TembraModule module;
        module.ReadSetting(u"prosody", std::u16string(prosody));
        const test::WordMarks marks = test::wordMarks(module, text);
        test::expectMarksInOrder(marks, {0, 5, 11});
        TembraModule plain;
        for (std::size_t i = 0; prosody.empty() && i < marks.size(); ++i) {
            const std::size_t before = i + 1 < marks.size() ? marks[i].first : text.size();
            EXPECT_EQ(marks[i].second, test::spoken(plain, text.substr(0, before)).audio.size()) << before;
        }
    }
}

// At the natural pace a pitch setting beyond 0..100 is said as the nearest end of the range, and
// с held twice (adjust_duration) lasts twice as long as the stretched с.
TEST(TembraNatural, KeepsPitchInRangeAndHoldsСTwice) {
    const auto said = [](std::int32_t pitch, const std::u16string& adjust, const std::u16string& text) {
        TembraModule module;
        module.ReadSetting(u"prosody", u"natural");
        module.ReadSetting(u"adjust_duration", adjust);
        module.SetPitch(pitch);
        return test::spoken(module, text).audio;
    };
    EXPECT_EQ(said(-1000, u"no", kPhrase), said(0, u"no", kPhrase));
    EXPECT_EQ(said(400, u"no", kPhrase), said(100, u"no", kPhrase));
    const double longer = static_cast<double>(said(50, u"yes", u"сто").size()) - static_cast<double>(said(50, u"no", u"сто").size());
    EXPECT_NEAR(longer, 1700, 300) << "с is stretched to 1700 samples (less its cross-fades), twice when held twice";
}

TEST(TembraStreaming, AFullLastChunkStillFlushesTheFilter) {
    TembraModule module;
    module.ReadSetting(u"word_pause", u"1024");
    module.SetRate(100);
    const auto audio = test::spoken(module, std::u16string(40, u' ')).audio; // exactly ten chunks of silence
    EXPECT_NEAR(static_cast<double>(audio.size()), 40 * 1024 / 1.4, 40 * 1024 * 0.02);
}

// Chunk by chunk, a portion comes out as the plain output converted whole: widened exactly for
// "vxtts", resampled for an output format (a resampler restarted at every chunk would leave a
// tick at each join).
TEST(TembraConversion, APortionIsConvertedAsOneStream) {
    TembraModule plain;
    const std::vector<unsigned char> bytes = test::spoken(plain, kLongText).audio;
    WAVEFORMATEX from{};
    plain.GetOutputFormat(&from);
    ASSERT_EQ(from.nSamplesPerSec, 22050u);
    ASSERT_EQ(from.wBitsPerSample, 8);
    std::vector<std::int16_t> wide(bytes.size());
    WidenTo16(bytes.data(), wide.data(), static_cast<std::uint32_t>(wide.size()));
    for (const bool widened : {true, false}) {
        SCOPED_TRACE(widened ? "vxtts" : "44100,1,16");
        TembraModule module;
        module.ReadSetting(widened ? u"convert" : u"output_format", widened ? u"vxtts" : u"44100,1,16");
        const std::vector<unsigned char> out = test::spoken(module, kLongText).audio;
        WAVEFORMATEX to{};
        module.GetOutputFormat(&to);
        EXPECT_EQ(to.wBitsPerSample, 16);
        std::vector<unsigned char> whole;
        ASSERT_TRUE(widened || ConvertAudio(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &whole, &from, &to));
        EXPECT_TRUE(widened ? std::ranges::equal(test::decoded(out, 16), wide) : out == whole) << out.size() << " bytes";
    }
}

// The phrase's length and level relative to the default rate 50 and volume 100. The filter's
// speed is (rate - 50) * 0.8 / 100 + 1 by default. Configuration values that once reached sonic
// as a speed of zero or less, or as a rate it divides by, crashed the host: now the voice speaks
// at a speed the filter can take, and a log line names the key.
struct OutputCase {
    std::u16string key, value;
    std::int32_t rate, volume;
    double length, level;
};

const OutputCase kOutputs[] = {
    {u"", u"", 0, 100, 1 / 0.6, 1}, {u"", u"", 100, 100, 1 / 1.4, 1}, {u"", u"", 50, 50, 1, 0.5}, {u"", u"", 50, 0, 1, 0},
    {u"sonic.tempo_gain", u"200", 0, 100, 1 / TempoPitchFilter::kMinSpeed, 1},
    {u"speed_limit", u"-100", 50, 100, 1 / TempoPitchFilter::kMinSpeed, 1},
    {u"sonic.freq", u"0", 25, 100, 1 / 0.8, 1}, {u"sonic.freq", u"2000000", 75, 100, 1 / 1.2, 1}, // between the ends
};

TEST(TembraOutput, LengthAndLevelFollowRateVolumeAndFilterSettings) {
    TembraModule normal;
    const std::vector<unsigned char> reference = test::spoken(normal, kPhrase).audio;
    for (const OutputCase& c : kOutputs) {
        SCOPED_TRACE(testing::Message() << toUtf8(c.key + u"=" + c.value) << " rate " << c.rate << " volume " << c.volume);
        const test::LogTail log;
        TembraModule module;
        module.ReadSetting(c.key, c.value);
        module.SetRate(c.rate);
        module.SetVolume(c.volume);
        const std::vector<unsigned char> audio = test::spoken(module, kPhrase).audio;
        EXPECT_NEAR(static_cast<double>(audio.size()) / static_cast<double>(reference.size()), c.length, 0.05 * c.length);
        EXPECT_NEAR(test::rms(test::decoded(audio, 8)) / test::rms(test::decoded(reference, 8)), c.level, 0.1);
        EXPECT_TRUE(c.key.empty() || log.text().find(c.key) != std::u16string::npos) << "no log line names the key";
    }
}

std::span<const unsigned char> unitBytes(int u) {
    return {tembra::kUnits[u], std::strlen(reinterpret_cast<const char*>(tembra::kUnits[u]))};
}

// The units' names: the generator's groups in table order with the roles of their units
// (tools/gen_tembra_units.py). ' marks soft; a vowel's onset after a place is named by the place
// ("lab"), its codas by the place of the consonant after it ("lab" hard, "lab'" soft).
using Roles = std::vector<std::string_view>;
const Roles kPlain{"on", "st", "st2",  "end", "end'", "weak",   "vel", "vel'", "vel'on",
                   "l",  "l'", "l'on", "lab", "lab'", "lab'on", "den", "den'"};
const Roles kIotated{"st", "st2", "j", "l", "lab", "den"}; // then а о у's ending and coda
const Roles kI{"on", "st", "st2",    "end", "end-hard", "j",      "vel", "vel'", "l-on",
               "l",  "l'", "lab-on", "lab", "lab'",     "den-on", "den", "den'"};
const Roles kE{"st", "st2",    "st3", "j",    "vel",    "vel'", "l-on", "l",
               "l'", "lab-on", "lab", "lab'", "den-on", "den",  "den'"};
const Roles kVoiced{"bar", "rel", "rel-а", "rel-оу", "bar'", "rel'"};
const Roles kVoiceless{"rel", "rel-а", "rel-оу", "rel'"};
const Roles kPair{"", "'"}, kOne{""}, kJot{"1", "2"};
const std::pair<std::string_view, const Roles*> kInventory[] = {
    {"аоуыэ", &kPlain}, {"яёю", &kIotated}, {"и", &kI},      {"е", &kE},      {"м", &kPair},
    {"б", &kVoiced},    {"п", &kVoiceless}, {"вфн", &kPair}, {"д", &kVoiced}, {"т", &kVoiceless},
    {"жш", &kOne},      {"зср", &kPair},    {"цчщ", &kOne},  {"г", &kVoiced}, {"кх", &kVoiceless},
    {"й", &kJot},       {"л", &kPair},          {"ʌə", &kPlain}, {"ɪ", &kI}};

// "б.rel-а" is б's release before а; "м'" soft м.
int unitNamed(std::string_view name) {
    std::string_view role = name.substr(2);
    role.remove_prefix(role.starts_with('.') ? 1 : 0);
    int base = 0;
    for (const auto& [letters, roles] : kInventory) {
        const auto at = std::ranges::find(*roles, role);
        for (std::size_t i = 0; i < letters.size(); i += 2) { // two bytes a letter in UTF-8
            if (name.starts_with(letters.substr(i, 2)) && at != roles->end())
                return base + static_cast<int>(at - roles->begin());
            base += static_cast<int>(roles->size());
        }
    }
    ADD_FAILURE() << "no unit is named " << name;
    return -1;
}

// The largest difference between neighbouring samples inside a unit, away from its first sample
// and its last 13 (where a question cuts it); 0 for silence (-1).
int steepestStep(int u) {
    const auto bytes = u < 0 ? std::span<const unsigned char>{} : unitBytes(u);
    int steepest = 0;
    for (std::size_t i = 2; i + 13 < bytes.size(); ++i)
        steepest = std::max(steepest, std::abs(bytes[i] - bytes[i - 1]));
    return steepest;
}

// A unit's level in dB relative to a steady а.
double level(int u) {
    return 20 * std::log10(test::rms(test::decoded(unitBytes(u), 8)) / test::rms(test::decoded(unitBytes(1), 8)));
}

// The audio of named units ("м*3": three times) and silences ("_800": 800 samples), with from
// "gN" and "cN" on N samples of gap after, and N cut from the end of, every unit. Where a unit
// or silence meets the next, the step is no steeper than the wave inside them: a steeper one is
// heard as a click, repeated at the pitch as a buzz. Eight bits hold about 48 dB: every unit is
// within 30 dB below a steady а, and never louder.
std::vector<unsigned char> render(const std::string& units) {
    std::vector<unsigned char> out;
    int previous = -1;
    const auto add = [&out, &previous](int unit, std::span<const unsigned char> samples) {
        EXPECT_TRUE(out.empty() || samples.empty() ||
                    std::abs(samples.front() - out.back()) <= std::max(steepestStep(previous), steepestStep(unit)))
            << "unit " << previous << " then " << unit << " (-1 is silence)";
        EXPECT_TRUE(unit < 0 || (level(unit) >= -30 && level(unit) <= 1)) << "unit " << unit;
        out.insert(out.end(), samples.begin(), samples.end());
        previous = samples.empty() ? previous : unit;
    };
    std::size_t gap = tembra::kUnitGap, cut = 0;
    std::istringstream in{units};
    for (std::string token; in >> token;) {
        const std::size_t number = std::stoul("0" + token.substr(token.find_first_of("_gc*") + 1));
        if (token[0] == '_') {
            add(-1, std::vector<unsigned char>(number, 128));
        } else if (token[0] == 'g' || token[0] == 'c') {
            (token[0] == 'g' ? gap : cut) = number;
        } else {
            const int u = unitNamed(token.substr(0, token.find('*')));
            for (std::size_t i = 0; u >= 0 && i < std::max<std::size_t>(number, 1); ++i) {
                add(u, unitBytes(u).first(unitBytes(u).size() - cut));
                add(-1, std::vector<unsigned char>(gap, 128));
            }
        }
    }
    return out;
}

struct Word {
    std::string text, units;
    bool adjustDuration = false;
};

// The letter rules. A consonant is hard, or soft (') before е ё и ь ю я; м н л last three units.
// б д г: a voice bar twice, then the release for what follows (а, о у, a soft vowel, anything
// else); п т к х: the release for what follows after a closure (the phoneme pause, 100 samples;
// two thirds of it before к, none before х), as before ц ч. A vowel: the onset after the place
// of the consonant before it, two steady periods, an ending (' before a soft consonant) and the
// coda of the consonant after it; и ends a word on its ending twice. я ё ю: their own onset and
// steady periods, then the ending of а о у; at a word's start and after ь ъ й a jot comes first.
// After ч щ а о у sound as я ё ю, after ж ш ц я ё и е as а о ы э. After a soft consonant и е
// have no onset, nor have я ё ю unless the consonant is dental. A word pause is 800 samples,
// twice that at . ! ?; the last word of a statement has 18 samples of gap after every unit, of a
// question none and 12 samples cut from every unit, before a comma none.
// clang-format off
const std::vector<Word> kWords = {
    {"а", "а.on а.st а.st2 а.end"}, {"ба", "б.bar*2 б.rel-а а.lab а.st а.st2 а.end"},
    {"гу", "г.bar*2 г.rel-оу у.vel у.st у.st2 у.end"}, {"дно", "д.bar*2 д.rel н*3 о.den о.st о.st2 о.end"},
    {"дя", "д.bar'*2 д.rel' я.den я.st я.st2 а.end"}, {"йод", "й1 й2 ё.j ё.st ё.st2 о.end о.den д.bar*2 д.rel"},
    {"гид", "г.bar'*2 г.rel' и.st и.st2 и.end-hard и.den д.bar*2 д.rel"},
    {"пук", "_100 п.rel-оу у.lab у.st у.st2 у.end у.vel _66 к.rel"},
    {"так", "_100 т.rel-а а.den а.st а.st2 а.end а.vel _66 к.rel"},
    {"кот", "_66 к.rel-оу о.vel о.st о.st2 о.end о.den _100 т.rel"},
    {"хам", "х.rel-а а.vel а.st а.st2 а.end а.lab м*3"}, {"пью", "_100 п.rel' й1 й2 ю.j ю.st ю.st2 у.end"},
    {"тихо", "_100 т.rel' и.st и.st2 и.end-hard и.vel х.rel-оу о.vel о.st о.st2 о.end"},
    {"руки", "р у.den у.st у.st2 у.end' у.vel' _66 к.rel' и.st и.st2 и.end*2"},
    {"мыла", "м*3 ы.lab ы.st ы.st2 ы.end ы.l л*3 а.l а.st а.st2 а.end"},
    {"вафли", "в а.lab а.st а.st2 а.end а.lab ф л'*3 и.st и.st2 и.end*2"},
    {"зверь", "з в' е.st е.st2 е.st3 е.den' р'"},
    {"бульон", "б.bar*2 б.rel-оу у.lab у.st у.st2 у.end' у.l' л'*3 й1 й2 о.st о.st2 о.end о.den н*3"},
    {"ель", "й1 й2 е.j е.st е.st2 е.st3 е.l' л'*3"}, {"век", "в' е.st е.st2 е.st3 е.vel _66 к.rel"},
    {"мой", "м*3 о.lab о.st о.st2 о.end' о.vel' й1 й2"},
    {"объём", "о.on о.st о.st2 о.end о.lab б.bar*2 б.rel й1 й2 ё.j ё.st ё.st2 о.end о.lab м*3"},
    {"ими", "и.on и.st и.st2 и.end и.lab' м'*3 и.st и.st2 и.end*2"},
    {"ал-и", "а.on а.st а.st2 а.end а.l л*3 и.l-on и.st и.st2 и.end*2"}, // - keeps л hard
    {"чьи", "_100 ч й1 й2 и.j и.st и.st2 и.end*2"}, {"уши", "у.on у.st у.st2 у.end у.den ш ы.den ы.st ы.st2 ы.end"},
    {"же", "ж э.den э.st э.st2 э.end"}, {"жёны", "ж о.den о.st о.st2 о.end о.den н*3 ы.den ы.st ы.st2 ы.end"},
    {"ця", "_100 ц а.den а.st а.st2 а.end"},
    {"чащу", "_100 ч я.den я.st я.st2 а.end' а.den' щ ю.den ю.st ю.st2 у.end"},
    {"чох", "_100 ч ё.den ё.st ё.st2 о.end о.vel х.rel"},
    {"тюю", "_100 т.rel' ю.den ю.st ю.st2 у.end ю.den ю.st ю.st2 у.end"}, // ю keeps т soft
    {"сто", "с _100 т.rel-оу о.den о.st о.st2 о.end"}, {"сто", "с*2 _100 т.rel-оу о.den о.st о.st2 о.end", true},
    {"ДАx1", ""}, // capitals, Latin letters and digits have no sound
    {"да, ну нет.", "g0 д.bar*2 д.rel-а а.den а.st а.st2 а.end g6 _1600 н*3 у.den у.st у.st2 у.end _800 "
                    "g18 н'*3 е.st е.st2 е.st3 е.den _100 т.rel _1600"},
    {"а?!", "g0 c12 а.on а.st а.st2 а.end _3200"},
};
// clang-format on

// Each word is said plainly, before a comma (its units join without a gap) and as a question
// (its units, cut by 12 samples, join without a gap).
TEST(TembraWords, SoundAsTheLetterRulesSayWithoutClicks) {
    ASSERT_EQ(unitNamed("л'"), tembra::kUnitCount - 1) << "the names do not fill the inventory";
    const std::string endings[][3] = {{"", "", ""}, {",", "g0 ", " _800"}, {"?", "g0 c12 ", " _1600"}};
    for (const Word& word : kWords) {
        for (const auto& [end, before, after] : endings) {
            if (!end.empty() && word.text.find_first_of(" ,.?!") != std::string::npos) continue;
            SCOPED_TRACE(word.text + end + (word.adjustDuration ? " (adjust_duration)" : ""));
            TembraModule module;
            module.ReadSetting(u"adjust_duration", word.adjustDuration ? u"yes" : u"no");
            EXPECT_TRUE(test::spoken(module, fromUtf8(word.text + end)).audio ==
                        render(before + word.units + after));
        }
    }
}

// Said with the stress a dictionary gives ("+" before the stressed vowel), unstressed о and а are
// ʌ right before the stress or first in the word and ə elsewhere, е and я are ɪ (after a jot
// where the letter has one), а after ч is ɪ, е after ж is ə; stressed vowels keep their units.
TEST(TembraWords, UnstressedVowelsAreReduced) {
    const test::TempFolder folder;
    const std::string words[][2] = {
        {"молок+о", "м*3 ə.lab ə.st ə.st2 ə.end ə.l л*3 ʌ.l ʌ.st ʌ.st2 ʌ.end ʌ.vel _66 к.rel-оу о.vel о.st о.st2 о.end"},
        {"яз+ык", "й1 й2 ɪ.j ɪ.st ɪ.st2 ɪ.end-hard ɪ.den з ы.den ы.st ы.st2 ы.end ы.vel _66 к.rel"},
        {"час+ы", "_100 ч ɪ.st ɪ.st2 ɪ.end-hard ɪ.den с ы.den ы.st ы.st2 ы.end"},
        {"жен+а", "ж ə.den ə.st ə.st2 ə.end ə.den н*3 а.den а.st а.st2 а.end"},
        {"+окна", "о.on о.st о.st2 о.end о.vel _66 к.rel н*3 ə.den ə.st ə.st2 ə.end"},
    };
    std::string file;
    for (const auto& [stressed, units] : words) file += stressed + "\n";
    const std::u16string path = folder.writeBytes("stress.txt", file);
    tembra::StressDictionary stress;
    ASSERT_TRUE(stress.load(path));
    for (const auto& [stressed, units] : words) {
        std::string text = stressed;
        text.erase(text.find('+'), 1);
        SCOPED_TRACE(text);
        const std::u16string word = fromUtf8(text);
        const std::vector<tembra::VowelGrade> grades = tembra::gradeVowels(word, stress);
        struct Recorder final : tembra::SoundWriter {
            std::string said;
            void wordBegins(std::size_t) override {}
            void letter(std::size_t) override {}
            void unit(std::uint32_t u) override { said += " " + std::to_string(u); }
            void closure(std::uint32_t samples) override { said += " _" + std::to_string(samples); }
            void pause(std::uint32_t samples) override { said += " _" + std::to_string(samples); }
        } recorder;
        const std::atomic<bool> aborted{false};
        tembra::speakLetters(word, {}, grades, aborted, recorder);
        std::string expected;
        std::istringstream in{units};
        for (std::string token; in >> token;) {
            const std::size_t star = token.find('*');
            for (int i = 0; i < (star == std::string::npos ? 1 : std::stoi(token.substr(star + 1))); ++i)
                expected += " " + (token[0] == '_' ? token : std::to_string(unitNamed(token.substr(0, star))));
        }
        EXPECT_EQ(recorder.said, expected);
    }
}

} // namespace
} // namespace vx
