#include "modules/RhvoiceModule.h"

#include "tests/modules/RecordingSink.h"
#include "tests/modules/StandinLibrary.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

const std::u16string kFolder = test::standinFolder("rhvoice");
std::string journal(const std::u16string& folder = kFolder) { return test::journal(folder, u"RHVoice"); }
auto rhvoice(const test::Settings& settings = {}) { return test::standin<RhvoiceModule>(kFolder, u"RHVoice", settings); }

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
        const std::string heard = journal();
        EXPECT_EQ(heard.substr(heard.find("f0_shift")), row.features + "synth абвгд\n");
    }
}

// The voice comes from the voice data below the module's folder; a dictionary named without a
// folder lies in the module's folder. Without a voice the module cannot speak, and does not try
// to load again; without its library neither.
TEST(Rhvoice, LoadsTheVoiceAndTheUserDictionary) {
    const std::u16string voice = platform::joinPath(platform::joinPath(kFolder, u"RHVoice-data"), u"voice");
    const std::u16string elsewhere = platform::joinPath(platform::joinPath(kFolder, u"dicts"), u"my.dic");
    const struct {
        std::u16string userDictionary;
        std::string loaded; // the journal's line; empty: none
    } rows[] = {{u"", ""},
                {u"my.dic", "load_user_dict " + toUtf8(platform::joinPath(kFolder, u"my.dic")) + "\n"},
                {elsewhere, "load_user_dict " + toUtf8(elsewhere) + "\n"}};
    for (const auto& row : rows) {
        const auto module = rhvoice({{u"user_dict", row.userDictionary}}); // kept until its journal is read
        EXPECT_TRUE(module->Load());
        EXPECT_EQ(journal(), "create_voice " + toUtf8(voice) + "\n" + row.loaded + "feat_set streaming_info\n");
    }
    const test::TempFolder voiceless;
    const std::u16string library = std::u16string(u"RHVoice") + platform::kLibrarySuffix;
    std::filesystem::copy_file(toUtf8(platform::joinPath(kFolder, library)), voiceless.path() / toUtf8(library));
    const std::u16string copy = fromUtf8(voiceless.path().string());
    const auto module = test::standin<RhvoiceModule>(copy, u"RHVoice");
    EXPECT_FALSE(module->Speak(u"да") || module->Speak(u"да"));
    EXPECT_EQ(journal(copy), "create_voice " + toUtf8(platform::joinPath(copy, u"RHVoice-data/voice")) + "\n");
    EXPECT_FALSE(test::standin<RhvoiceModule>(kFolder, u"missing")->Speak(u"да"));
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
        {{}, 1, false, {1600}},
        {{}, 0, true, {1600}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const auto module = rhvoice(row.settings);
        test::RecordingSink sink;
        sink.stopAfter = row.stopAfter;
        sink.onCall = [&](std::size_t) {
            if (row.stopInside) module->Stop();
        };
        sink = test::spoken(*module, u"!абвгдежзи", sink);
        if (row.blockBytes.empty()) {
            EXPECT_NEAR(sink.audio.size(), 1600.0 * 8000 / 16000 * 2, 8);
        } else {
            EXPECT_EQ(sink.blocks, row.blockBytes);
        }
        EXPECT_TRUE(sink.marks.empty());
        const std::string heard = journal();
        EXPECT_NE(heard.find("empty block: -1\n"), heard.npos);
        EXPECT_EQ(heard.find("stopped") != heard.npos, row.stopAfter != 0 || row.stopInside);
    }
}

} // namespace
} // namespace vx
