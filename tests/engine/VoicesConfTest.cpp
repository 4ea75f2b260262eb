#include "tests/engine/EngineFixture.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using test::journal;

class Voices : public testing::Test {
protected:
    Voices() : program(root) {
        test::useTemporaryHome(root);
        test::writeStandardTree(program);
        program.write("engines.conf", u"[tembra]\nword_pause=200\n[tembra_2]\nword_pause=300\n");
        program.write("langs.conf", u"[ru]\nalphabet=cyrillic\n[en]\nalphabet=latin\n");
        journal() = {};
    }

    // Loads voices.conf with the given text and returns the named voice (or null).
    Voice* load(std::u16string_view voices, const std::u16string& name = u"v") {
        program.write("voices.conf", voices);
        EXPECT_TRUE(manager.load(program.path, {program.path}));
        return manager.get(name);
    }

    test::TempFolder root;
    test::ConfigTree program;
    VoicesConf manager{test::makeRecordingModule};
};

struct KeyCase {
    std::u16string line;
    Punctuation punctuation;
    std::uint32_t digitSubvoice, punctuationSubvoice, maxPortion;
};

class VoiceKeys : public Voices, public testing::WithParamInterface<KeyCase> {};

TEST_P(VoiceKeys, SetTheVoice) {
    const Voice* voice = load(u"[v]\nru = tembra\n" + GetParam().line + u"\n");
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(voice->settings().punctuation, GetParam().punctuation);
    EXPECT_EQ(voice->settings().digitSubvoice, GetParam().digitSubvoice);
    EXPECT_EQ(voice->settings().punctuationSubvoice, GetParam().punctuationSubvoice);
    EXPECT_EQ(voice->settings().maxPortionSize, GetParam().maxPortion);
}

INSTANTIATE_TEST_SUITE_P(Table, VoiceKeys, testing::Values(
    KeyCase{u"digit_subvoice = 2", Punctuation::None, 1, 0, 512},
    KeyCase{u"digit_subvoice = 3", Punctuation::None, 0, 0, 512},
    KeyCase{u"digit_subvoice = 0", Punctuation::None, 0, 0, 512},
    KeyCase{u"digit_subvoice = -1", Punctuation::None, 0, 0, 512},
    KeyCase{u"digit_subvoice = two", Punctuation::None, 0, 0, 512},
    KeyCase{u"punctuation_subvoice = 2", Punctuation::None, 0, 1, 512},
    KeyCase{u"punctuation = some", Punctuation::Some, 0, 0, 512},
    KeyCase{u"punctuation = All", Punctuation::None, 0, 0, 512},
    KeyCase{u"max_portion_size = -1", Punctuation::None, 0, 0, 0xFFFFFFFF}));

TEST_F(Voices, ProsodyKeysActOnTheSubvoicesAboveThem) {
    Voice* voice = load(u"[v]\nspeed = 60\nru = tembra\nvolume = 150\nspeed = 150\npitch = 30\nen = tembra_2\n"
                        u"volume = -5\n");
    ASSERT_NE(voice, nullptr);
    const ModuleSettings& first = voice->subvoices()[0].module->settings();
    const ModuleSettings& second = voice->subvoices()[1].module->settings();
    EXPECT_EQ(first.rate, 100); // speed 60 came before it, 150 is out of range
    EXPECT_EQ(first.volume, 0); // 150 gave 100, then -5 gave 0
    EXPECT_EQ(first.pitch, 30);
    EXPECT_EQ(second.volume, 0);
    EXPECT_EQ(second.pitch, 50);
}

TEST_F(Voices, ABadLineDiscardsTheVoiceReadSoFar) {
    const Voice* voice = load(u"[v]\nru = tembra\nmax_portion_size = 7\nnonsense = 1\nen = tembra_2\n");
    ASSERT_NE(voice, nullptr);
    ASSERT_EQ(voice->subvoices().size(), 1u);
    EXPECT_EQ(voice->subvoices()[0].language->name(), u"en");
    EXPECT_EQ(voice->settings().maxPortionSize, 512u);
}

TEST_F(Voices, AnUnknownModuleDiscardsTheVoice) {
    EXPECT_EQ(load(u"[v]\nru = tembra\nen = espeak\n"), nullptr);
}

TEST_F(Voices, NamesAreCaseSensitiveAndEntriesNeedASection) {
    load(u"orphan = tembra\n[tembra]\nru = tembra\n[Tembra]\nen = tembra\n");
    ASSERT_NE(manager.get(u"tembra"), nullptr);
    ASSERT_NE(manager.get(u"Tembra"), nullptr);
    EXPECT_NE(manager.get(u"tembra"), manager.get(u"Tembra"));
    EXPECT_EQ(manager.items().size(), 2u);
}

TEST_F(Voices, ASharedModuleHearsEveryCallTwice) {
    Voice* voice = load(u"[v]\nru = tembra\nen = tembra\n");
    ASSERT_NE(voice, nullptr);
    EXPECT_TRUE(voice->speaksWithOneModule());
    voice->Stop();
    EXPECT_EQ(journal().lines, (std::vector<std::u16string>{u"stop", u"stop"}));
}

TEST_F(Voices, WithoutSubvoicesNothingIsSpoken) {
    Voice* voice = load(u"[v]\npunctuation = all\n");
    ASSERT_NE(voice, nullptr);
    WAVEFORMATEX format{};
    format.nChannels = 7;
    EXPECT_FALSE(voice->GetFormat(&format));
    EXPECT_EQ(format.nChannels, 7);
    EXPECT_FALSE(voice->SpeakText(u"да"));
    EXPECT_FALSE(voice->Silence(100));
}

TEST_F(Voices, ALoadedManagerIsNotReadAgain) {
    load(u"[v]\nru = tembra\n");
    program.write("voices.conf", u"[w]\nru = tembra\n");
    EXPECT_TRUE(manager.load(program.path, {program.path}));
    EXPECT_EQ(manager.get(u"w"), nullptr);
    manager.clear();
    EXPECT_EQ(manager.get(u"v"), nullptr);
    EXPECT_EQ(manager.languages().get(u"ru"), nullptr);
    EXPECT_EQ(manager.modules().get(u"tembra"), nullptr);
}

TEST_F(Voices, AMissingFileStopsTheLoad) {
    std::filesystem::remove(root.path() / "program" / "data" / "engines.conf");
    EXPECT_FALSE(manager.load(program.path, {program.path}));
    EXPECT_NE(manager.languages().get(u"ru"), nullptr);
    EXPECT_TRUE(manager.items().empty());
}

class UserFolder : public Voices {
protected:
    EngineFolders folders() const { return {program.path, root.file("home/VxTts")}; }
    std::filesystem::path userData() const { return root.path() / "home" / "VxTts" / "data"; }
};

TEST_F(UserFolder, IsSeededOnTheRunThatCreatesIt) {
    EXPECT_EQ(folders().searchFolders(), (std::vector<std::u16string>{folders().perUser, program.path + u"/"}));
    EXPECT_TRUE(std::filesystem::exists(userData() / "voices.conf"));
    EXPECT_TRUE(std::filesystem::exists(userData() / "ru.conf"));

    // From now on the copy is the user's: the program's changes no longer reach it.
    program.write("voices.conf", u"[changed]\nru = tembra\n");
    folders().searchFolders();
    ASSERT_TRUE(manager.load(program.path, folders().searchFolders()));
    EXPECT_NE(manager.get(u"tembra"), nullptr);
    EXPECT_EQ(manager.get(u"changed"), nullptr);
}

TEST_F(UserFolder, FilesMissingThereComeFromTheProgram) {
    folders().searchFolders();
    std::filesystem::remove(userData() / "voices.conf");
    root.writeUtf16("home/VxTts/data/engines.conf", u"[tembra]\nword_pause=1000\n");
    ASSERT_TRUE(manager.load(program.path, folders().searchFolders()));
    EXPECT_NE(manager.get(u"other"), nullptr);
    EXPECT_EQ(manager.modules().get(u"tembra")->settings().wordPause.value, 0u); // outside the base range
    EXPECT_EQ(manager.modules().get(u"tembra_2"), nullptr);
}

TEST_F(UserFolder, APlainFileInItsPlaceStillComesFirst) {
    root.writeBytes("home/VxTts", "not a folder");
    EXPECT_EQ(folders().searchFolders(), (std::vector<std::u16string>{folders().perUser, program.path + u"/"}));
    EXPECT_TRUE(manager.load(program.path, folders().searchFolders()));
}

TEST_F(UserFolder, NoneAtAll) {
    EXPECT_EQ((EngineFolders{program.path, u""}.searchFolders()), std::vector<std::u16string>{program.path + u"/"});
}

} // namespace
} // namespace vx
