#include "modules/NewfonModule.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "tests/modules/RecordingSink.h"
#include "tests/modules/StandinLibrary.h"
#include "tests/support/TempFolder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace vx {
namespace {

const std::u16string kFolder = test::standinFolder("newfon");
std::string journal() { return test::journal(kFolder, u"newfon"); }

auto newfon(const test::Settings& settings = {}) { return test::standin<NewfonModule>(kFolder, u"newfon", settings); }

TEST(Newfon, JoinsOneLetterWordsToTheirNeighbours) {
    const struct {
        std::u16string text, expected;
    } rows[] = {
        {u"шёл в лес", u"шёл влес"},   {u"он ж сказал", u"онж сказал"}, {u"в лес", u"в лес"},
        {u"шёл   в  лес", u"шёл влес"}, {u"и в", u"и в"},                {std::u16string(u"а\0ж\0б", 5), u"аж б"},
        {u"я с ж", u"я сж"}, // a letter in both sets is a preposition
        {u"шёл к лесу", u"шёл к лесу"}, {u"ж ", u"ж "},               // not in a set; too short
    };
    for (const auto& row : rows) {
        EXPECT_EQ(toUtf8(JoinSingleLetterWords(row.text, u"вс", u"жс")), toUtf8(row.expected)) << toUtf8(row.text);
    }
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
        const std::string heard = journal();
        const std::size_t text = heard.find("speakText ");
        ASSERT_NE(text, heard.npos) << heard;
        EXPECT_EQ(heard.substr(heard.find("set_accel"), text - heard.find("set_accel")), row.heard);
        const std::size_t space = heard.find(' ', text + 10);
        EXPECT_EQ(heard.substr(space + 1), ToMultiByte(u"мир", 0) + "\n");
        const int sent = std::stoi(heard.substr(text + 10, space - text - 10));
        EXPECT_TRUE(index < 0 || sent == index + 1) << sent;
        index = sent;
    }
}

// How a portion ends: on its short last block; at the start time-out when no block comes; at the
// after time-out when the blocks stop, or the last one is a full one. A time-out cancels the
// engine and says so in the log. A sink slower than the after time-out is not a stall.
TEST(Newfon, WaitsForTheLastBlockOrATimeOut) {
    const std::string abc = "abcdefghijklmnopqrst"; // 2000 samples
    const struct {
        std::string text;
        std::vector<std::size_t> blocks;
        const char16_t* logged; // after the module's address; null: nothing
        int slowSinkMilliseconds;
    } rows[] = {
        {abc + abc + "abcde", {2000, 2000, 500}, nullptr, 0},
        {abc + abc + "abcde", {2000, 2000, 500}, nullptr, 700},
        {"mute " + abc, {}, u": The callback start time is exceeded .", 0},
        {"stall " + abc, {2000}, u": The waiting time is exceeded.", 0},
        {abc, {2000}, u": The waiting time is exceeded.", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const test::LogTail log;
        const auto module = newfon();
        test::RecordingSink sink;
        sink.onCall = [&](std::size_t) { std::this_thread::sleep_for(std::chrono::milliseconds(row.slowSinkMilliseconds)); };
        EXPECT_EQ(test::spoken(*module, fromUtf8(row.text), sink).blocks, row.blocks);
        const std::u16string line = row.logged ? u"* NF: " + formatLogMessage(u"%p", {module.get()}) + row.logged + u"\n" : u"";
        EXPECT_EQ(toUtf8(log.text()), toUtf8(line));
        EXPECT_EQ(journal().find("cancel") != std::string::npos, row.logged != nullptr);
    }
}

// Conversion to 22050 Hz 16 bits by insertion: a full block of 2000 samples becomes 4410.
TEST(Newfon, WidensAndResamplesInItsOwnConversion) {
    const auto module = newfon({{u"convert", u"vxtts"}});
    const test::RecordingSink sink = test::spoken(*module, u"абвгдежзийклмнопрстуфх");
    EXPECT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks.at(0), 4410u * 2);
}

// The engine is started by the first instance that loads it and ended with the last one; without
// its companion libraries it cannot load at all.
TEST(Newfon, StartsTheEngineOnceAndEndsItWithTheLastInstance) {
    auto first = newfon();
    auto second = newfon();
    EXPECT_TRUE(first->Load() && second->Load());
    first.reset();
    EXPECT_EQ(journal(), "initialize 1\ncancel\n");
    second.reset();
    EXPECT_EQ(journal(), "cancel\nterminate\n");
    const test::LogTail log;
    auto lonely = newfon({{u"path", test::standinFolder("rhvoice")}});
    EXPECT_FALSE(lonely->Speak(u"да"));
    EXPECT_EQ(toUtf8(log.text()), "* Can't load newfon\n");
}

} // namespace
} // namespace vx
