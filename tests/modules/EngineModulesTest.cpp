// The modules that drive engine libraries: the system's eSpeak NG, and RHVoice and Newfon through
// the test libraries that stand in for them.

#include "modules/EspeakModule.h"
#include "modules/NewfonModule.h"
#include "modules/RhvoiceModule.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "tests/modules/RecordingSink.h"
#include "tests/modules/StandinLibrary.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace vx {
namespace {

// The system's eSpeak NG, as engines.conf names it: the folder of the library and its data.
std::unique_ptr<EspeakModule> espeak(std::u16string voice, const std::u16string& library = u"libespeak-ng.so.1") {
    auto module = std::make_unique<EspeakModule>();
    module->ReadSetting(u"path", fromUtf8(VX_ESPEAK_FOLDER));
    module->ReadSetting(u"module", library);
    module->ReadSetting(u"subname", voice);
    module->SetRate(50);
    return module;
}

const std::u16string kRussian = u"съешь же ещё этих мягких французских булок, да выпей чаю";

// Rate, voice and format as the library hears them: the speech lasts as the rate says (rate 0
// is eSpeak's 80 words a minute, 50 its 125 and 100 its 250, though it speaks no faster than
// about 220), a converted portion keeps its length in the new format, and word events come with
// the audio.
TEST(Espeak, SpeaksTheVoiceAtTheRateInTheFormat) {
    const struct {
        std::u16string voice, text;
        std::int32_t rate;
        std::u16string format; // "output_format" in conversion mode "acm"; empty: the library's own
        double length;         // relative to the first row's
    } rows[] = {
        {u"ru", kRussian, 50, u"", 1.0},       {u"ru", kRussian, 0, u"", 1.33},
        {u"ru", kRussian, 100, u"", 0.58},     {u"ru", kRussian, 50, u"16000,1,16", 1.0},
        {u"en", u"the quick brown fox jumps over the lazy dog", 50, u"", 0.74},
    };
    double first = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << toUtf8(row.voice) << " rate " << row.rate << " " << toUtf8(row.format));
        const auto module = espeak(row.voice);
        module->SetRate(row.rate);
        if (!row.format.empty()) {
            module->ReadSetting(u"convert", u"acm");
            module->ReadSetting(u"output_format", row.format);
        }
        WAVEFORMATEX format{};
        module->GetOutputFormat(&format);
        const test::RecordingSink sink = test::spoken(*module, row.text);
        const double seconds = static_cast<double>(sink.audio.size()) / format.nAvgBytesPerSec;
        first = first == 0 ? seconds : first;
        EXPECT_EQ(format.nSamplesPerSec, row.format.empty() ? 22050u : 16000u);
        EXPECT_NEAR(seconds / first, row.length, 0.1);
        EXPECT_GT(test::peak(test::decoded(sink.audio, 16)), 3000);
        EXPECT_TRUE(std::ranges::any_of(sink.marks, [&row](const SentenceMark& mark) {
            return mark.kind == 1 && mark.second > 0 && mark.second <= row.text.size();
        }));
    }
}

// The library holds one synthesizer per process, which outlives its instances: each instance
// speaks its own voice whichever spoke before it (English spells "да" out, at more than twice
// the length), and a new one still speaks its own.
TEST(Espeak, InstancesShareTheSynthesizerEachWithItsVoice) {
    const auto length = [](EspeakModule& module) { return test::spoken(module, u"да").audio.size(); };
    auto russian = espeak(u"ru");
    const auto english = espeak(u"en");
    for (int round = 0; round < 2; ++round) EXPECT_LT(2 * length(*russian), length(*english)) << round;
    russian.reset();
    EXPECT_LT(2 * length(*espeak(u"ru")), length(*english));
}

// Asked for word marks, the module gives one for each word of the portion, in order, from its
// word events, each at the place of its word's sound.
TEST(Espeak, MarksTheWordsWhereTheLibrarySaysTheyBegin) {
    test::expectMarksInOrder(test::wordMarks(*espeak(u"ru"), u"один два три"), {0, 5, 9});
}

// The sink's "stop" ends the synthesis at once, and the next portion speaks whole. Without its
// library the module fails every portion, and has nothing to stop.
TEST(Espeak, StopsAtTheSinksAnswerAndFailsWithoutItsLibrary) {
    const auto module = espeak(u"ru");
    test::RecordingSink sink;
    sink.stopAfter = 1;
    EXPECT_EQ(test::spoken(*module, kRussian, sink).blocks.size(), 1u);
    EXPECT_GT(test::spoken(*module, kRussian).blocks.size(), 3u);
    const auto missing = espeak(u"ru", u"libespeak-missing.so");
    missing->SetSink(&sink);
    EXPECT_FALSE(missing->Speak(u"да") || missing->Speak(u"да") || missing->Stop());
    EXPECT_TRUE(sink.blocks.empty());
}

const std::u16string kRhvoiceFolder = test::standinFolder("rhvoice");
std::string rhvoiceJournal(const std::u16string& folder = kRhvoiceFolder) { return test::journal(folder, u"RHVoice"); }
auto rhvoice(const test::Settings& s = {}) { return test::standin<RhvoiceModule>(kRhvoiceFolder, u"RHVoice", s); }

// What the library hears before each portion, and how long the portion lasts: the stand-in speaks
// 160 samples a character at duration_stretch 1.0.
TEST(Rhvoice, SetsTheVoiceFeaturesBeforeEachPortion) {
    const struct {
        std::int32_t rate, pitch, volume;
        std::u16string pseudoEnglish;
        std::string features;
        std::size_t samples; // for five characters
    } rows[] = {
        {50, 50, 50, u"yes", "f0_shift=1.00\nduration_stretch=1.00\nvolume=1.00\npseudo_english=1\n", 800},
        {0, 0, 0, u"no", "f0_shift=0.50\nduration_stretch=1.90\nvolume=0.10\npseudo_english=0\n", 1520},
        {100, 100, 100, u"No", "f0_shift=1.50\nduration_stretch=0.10\nvolume=1.90\npseudo_english=1\n", 80},
        {50, 50, 101, u"", "f0_shift=1.00\nduration_stretch=1.00\nvolume=1.00\npseudo_english=1\n", 800}, // 101 and
        {50, 50, -1, u"", "f0_shift=1.00\nduration_stretch=1.00\nvolume=1.00\npseudo_english=1\n", 800},  // -1 not taken
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.features);
        const auto module = rhvoice({{u"pseudo_english", row.pseudoEnglish}});
        module->SetRate(row.rate);
        module->SetPitch(row.pitch);
        module->SetVolume(50); // kept where the row's is not taken
        module->SetVolume(row.volume);
        EXPECT_EQ(test::spoken(*module, u"абвгд").audio.size(), row.samples * 2);
        const std::string heard = rhvoiceJournal();
        EXPECT_EQ(heard.substr(heard.find("f0_shift")), row.features + "synth абвгд\n");
    }
}

// The voice comes from the voice data below the module's folder; a dictionary named without a
// folder lies in the module's folder. Without a voice the module cannot speak, and does not try
// to load again; without its library neither.
TEST(Rhvoice, LoadsTheVoiceAndTheUserDictionary) {
    const std::u16string voice = platform::joinPath(platform::joinPath(kRhvoiceFolder, u"RHVoice-data"), u"voice");
    const std::u16string elsewhere = platform::joinPath(platform::joinPath(kRhvoiceFolder, u"dicts"), u"my.dic");
    const struct {
        std::u16string userDictionary;
        std::string loaded; // the journal's line; empty: none
    } rows[] = {{u"", ""},
                {u"my.dic", "load_user_dict " + toUtf8(platform::joinPath(kRhvoiceFolder, u"my.dic")) + "\n"},
                {elsewhere, "load_user_dict " + toUtf8(elsewhere) + "\n"}};
    for (const auto& row : rows) {
        const auto module = rhvoice({{u"user_dict", row.userDictionary}}); // kept until its journal is read
        EXPECT_TRUE(module->Load());
        EXPECT_EQ(rhvoiceJournal(), "create_voice " + toUtf8(voice) + "\n" + row.loaded + "feat_set streaming_info\n");
    }
    const test::TempFolder voiceless;
    std::filesystem::copy_file(toUtf8(kRhvoiceFolder) + "/RHVoice.so", voiceless.path() / "RHVoice.so");
    const std::u16string copy = fromUtf8(voiceless.path().string());
    const auto module = test::standin<RhvoiceModule>(copy, u"RHVoice");
    EXPECT_FALSE(module->Speak(u"да") || module->Speak(u"да"));
    EXPECT_EQ(rhvoiceJournal(copy), "create_voice " + toUtf8(platform::joinPath(copy, u"RHVoice-data/voice")) + "\n");
    EXPECT_FALSE(test::standin<RhvoiceModule>(kRhvoiceFolder, u"missing")->Speak(u"да"));
}

// Blocks of 800 samples in each conversion mode; a stop from the sink, or from Stop inside it,
// ends the synthesis at the next block; an empty block is refused.
TEST(Rhvoice, DeliversBlocksInTheOutputFormatUntilStopped) {
    const struct {
        test::Settings settings;
        std::size_t stopAfter;
        bool stopInside;
        std::vector<std::size_t> blockBytes; // of two blocks of 800 samples
    } rows[] = {
        {{}, 0, false, {1600, 1600}},
        {{{u"convert", u"vxtts"}}, 0, false, {2204, 2204}}, // 800 + 266 + 32 + 5 samples: none after the first
        {{{u"convert", u"acm"}, {u"output_format", u"8000,1,16"}}, 0, false, {}}, // checked by length
        {{}, 1, false, {1600}}, {{}, 0, true, {1600}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const auto module = rhvoice(row.settings);
        test::RecordingSink sink;
        sink.stopAfter = row.stopAfter;
        sink.onCall = [&](std::size_t) { if (row.stopInside) module->Stop(); };
        sink = test::spoken(*module, u"!абвгдежзи", sink);
        if (row.blockBytes.empty()) {
            EXPECT_NEAR(sink.audio.size(), 1600.0 * 8000 / 16000 * 2, 8);
        } else {
            EXPECT_EQ(sink.blocks, row.blockBytes);
        }
        EXPECT_TRUE(sink.marks.empty());
        const std::string heard = rhvoiceJournal();
        EXPECT_NE(heard.find("empty block: -1\n"), heard.npos);
        EXPECT_EQ(heard.find("stopped") != heard.npos, row.stopAfter != 0 || row.stopInside);
    }
}

const std::u16string kNewfonFolder = test::standinFolder("newfon");
std::string newfonJournal() { return test::journal(kNewfonFolder, u"newfon"); }
auto newfon(const test::Settings& s = {}) { return test::standin<NewfonModule>(kNewfonFolder, u"newfon", s); }

TEST(Newfon, JoinsOneLetterWordsToTheirNeighbours) {
    const struct {
        std::u16string text, expected;
    } rows[] = {
        {u"шёл в лес", u"шёл влес"},   {u"он ж сказал", u"онж сказал"}, {u"в лес", u"в лес"},
        {u"шёл   в  лес", u"шёл влес"}, {u"и в", u"и в"},                {std::u16string(u"а\0ж\0б", 5), u"аж б"},
        {u"я с ж", u"я сж"}, // a letter in both sets is a preposition
        {u"шёл к лесу", u"шёл к лесу"}, {u"ж ", u"ж "},               // not in a set; too short
    };
    for (const auto& row : rows)
        EXPECT_EQ(toUtf8(JoinSingleLetterWords(row.text, u"вс", u"жс")), toUtf8(row.expected)) << toUtf8(row.text);
    EXPECT_EQ(toUtf8(JoinSingleLetterWords(u"шёл  в лес", u"", u"")), "шёл  в лес");
}

// What the engine hears before the text, which reaches it in the legacy code page with a text
// number that counts up; a text without letters is not sent at all.
TEST(Newfon, SendsTheSettingsBeforeEachText) {
    const struct {
        test::Settings settings;
        std::int32_t pitch;
        std::string heard;
    } rows[] = {
        {{}, 50, "set_accel 5\nset_rate 50\nset_volume 100\nset_pitch_max 100\nset_pitch_min 50\nset_voice 0\nset_dictionary 1\n"},
        {{{u"subname", u"3"}, {u"acceleration", u"9"}, {u"internal_dict", u"no"}}, 0,
         "set_accel 5\nset_rate 50\nset_volume 100\nset_pitch_max 100\nset_pitch_min 1\nset_voice 2\nset_dictionary 0\n"},
        {{{u"subname", u"7"}, {u"acceleration", u"-1"}, {u"sonic", u"yes"}}, 101, // the filter takes the rate
         "set_accel 0\nset_rate 100\nset_volume 100\nset_pitch_max 100\nset_pitch_min 100\nset_voice 0\nset_dictionary 1\n"},
    };
    int index = -1;
    for (const auto& row : rows) {
        const auto module = newfon(row.settings);
        module->SetPitch(row.pitch);
        EXPECT_TRUE(test::spoken(*module, u"123 ...").audio.empty());
        EXPECT_EQ(test::spoken(*module, u" мир\t").audio.size(), 300u);
        const std::string journal = newfonJournal();
        std::smatch heard; // the settings, the text's number and the text
        ASSERT_TRUE(std::regex_match(journal, heard, std::regex("initialize 1\n([^]*)speakText (\\d+) (.*)\n"))) << journal;
        EXPECT_EQ(heard[1], row.heard);
        EXPECT_EQ(heard[3], ToMultiByte(u"мир", 0));
        const int sent = std::stoi(heard[2]);
        EXPECT_TRUE(index < 0 || sent == index + 1) << sent;
        index = sent;
    }
}

// How a portion ends: on its short last block; at the start time-out when no block comes; at the
// after time-out when the blocks stop, or the last one is a full one. A time-out cancels the
// engine and says so in the log; a text the engine never began is not said. A sink slower than
// the after time-out is not a stall. The module's own conversion to 22050 Hz 16 bits inserts
// samples: a full block of 2000 becomes 4410, the last one of 200 becomes 439.
TEST(Newfon, WaitsForTheLastBlockOrATimeOut) {
    const std::string abc = "abcdefghijklmnopqrst"; // 2000 samples
    const struct {
        std::string text;
        std::vector<std::size_t> blocks;
        const char16_t* logged; // after the module's address; null: nothing
        int slowSinkMilliseconds;
        test::Settings settings = {};
    } rows[] = {
        {abc + abc + "abcde", {2000, 2000, 500}, nullptr, 0}, {abc + abc + "abcde", {2000, 2000, 500}, nullptr, 700},
        {"mute " + abc, {}, u": The callback start time is exceeded .", 0},
        {"stall " + abc, {2000}, u": The waiting time is exceeded.", 0},
        {abc, {2000}, u": The waiting time is exceeded.", 0},
        {"абвгдежзийклмнопрстуфх", {4410 * 2, 878}, nullptr, 0, {{u"convert", u"vxtts"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const test::LogTail log;
        const auto module = newfon(row.settings);
        test::RecordingSink sink;
        sink.onCall = [&](std::size_t) { std::this_thread::sleep_for(std::chrono::milliseconds(row.slowSinkMilliseconds)); };
        module->SetSink(&sink);
        EXPECT_EQ(module->Speak(fromUtf8(row.text)), !row.blocks.empty()) << "a text the engine never began is not said";
        EXPECT_EQ(sink.blocks, row.blocks);
        const std::u16string line = row.logged ? u"* NF: " + formatLogMessage(u"%p", {module.get()}) + row.logged + u"\n" : u"";
        EXPECT_EQ(toUtf8(log.text()), toUtf8(line));
        EXPECT_EQ(newfonJournal().find("cancel") != std::string::npos, row.logged != nullptr);
    }
}

// The engine is started by the first instance that loads it and ended with the last one; one
// instance's stop (its engine object's abort) leaves another's text whole. Without its companion
// libraries the engine cannot load at all.
TEST(Newfon, StartsTheEngineOnceAndEndsItWithTheLastInstance) {
    auto first = newfon(), second = newfon();
    EXPECT_TRUE(first->Load() && second->Load());
    test::RecordingSink sink;
    sink.onCall = [&](std::size_t) { second->Stop(); };
    EXPECT_EQ(test::spoken(*first, u"abcdefghijklmnopqrstabcde", sink).blocks, (std::vector<std::size_t>{2000, 500}));
    EXPECT_EQ(newfonJournal().find("cancel"), std::string::npos);
    first.reset();
    EXPECT_EQ(newfonJournal(), "cancel\n");
    second.reset();
    EXPECT_EQ(newfonJournal(), "cancel\nterminate\n");
    const test::LogTail log;
    auto lonely = newfon({{u"path", test::standinFolder("rhvoice")}});
    EXPECT_FALSE(lonely->Speak(u"да"));
    EXPECT_EQ(toUtf8(log.text()), "* Can't load newfon\n");
}

} // namespace
} // namespace vx
