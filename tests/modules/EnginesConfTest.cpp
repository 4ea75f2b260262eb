#include "modules/EnginesConf.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

// A module that remembers its kind and every setting in the order it came.
class KindModule : public SpeechModule {
public:
    explicit KindModule(ModuleKind kind) : madeAs(kind) {}
    bool Speak(const TextPortion&) override { return true; }
    bool Stop() override { return true; }
    void Resume() override {}
    bool SetConversion(const std::u16string&) override { return true; }
    bool ReadSetting(const std::u16string& key, const std::u16string& value) override {
        received.push_back(key + u"=" + value);
        return SpeechModule::ReadSetting(key, value);
    }
    ModuleKind madeAs;
    std::vector<std::u16string> received;
};

std::unique_ptr<SpeechModule> makeKindModule(ModuleKind kind) { return std::make_unique<KindModule>(kind); }

TEST(ModuleKind, LooksUpExactNames) {
    EXPECT_EQ(moduleKindOf(u"tembra"), ModuleKind::Tembra);
    EXPECT_EQ(moduleKindOf(u"espeak"), ModuleKind::Espeak);
    EXPECT_EQ(moduleKindOf(u"eloq"), ModuleKind::Eloq);
    EXPECT_EQ(moduleKindOf(u"newfon"), ModuleKind::Newfon);
    EXPECT_EQ(moduleKindOf(u"novofon"), ModuleKind::Newfon);
    EXPECT_EQ(moduleKindOf(u"rhvoice"), ModuleKind::Rhvoice);
    EXPECT_EQ(moduleKindOf(u"mstranslator"), ModuleKind::MsTranslator);
    EXPECT_EQ(moduleKindOf(u"gtranslator"), ModuleKind::GTranslator);
    EXPECT_EQ(moduleKindOf(u"Espeak"), ModuleKind::None);
    EXPECT_EQ(moduleKindOf(u""), ModuleKind::None);
}

class EnginesConfLoad : public testing::Test {
protected:
    bool load(std::u16string_view text) {
        folder.writeUtf16("data/engines.conf", text);
        return engines.load(folder.path().u16string(), {folder.path().u16string()});
    }
    const KindModule* module(const std::u16string& name) { return dynamic_cast<KindModule*>(engines.get(name)); }

    test::TempFolder folder;
    EnginesConf engines{makeKindModule};
};

TEST_F(EnginesConfLoad, OneModulePerSectionOfAKnownKind) {
    ASSERT_TRUE(load(u"orphan=1\n[espeak]\nsubname=ru\n[espeak_slow]\nsubname=ru\n[Espeak]\na=1\n"
                     u"[novofon_x]\na=1\n[eloq]\na=1\n[rhvoice_a_b]\na=1\n[unknown]\na=1\n[tembra]\n"));
    ASSERT_NE(module(u"espeak"), nullptr);
    ASSERT_NE(module(u"espeak_slow"), nullptr);
    EXPECT_NE(module(u"espeak"), module(u"espeak_slow"));
    EXPECT_EQ(module(u"espeak_slow")->madeAs, ModuleKind::Espeak);
    EXPECT_EQ(module(u"novofon_x")->madeAs, ModuleKind::Newfon);
    EXPECT_EQ(module(u"rhvoice_a_b")->madeAs, ModuleKind::Rhvoice);
    EXPECT_EQ(engines.get(u"Espeak"), nullptr);
    EXPECT_EQ(engines.get(u"eloq"), nullptr);
    EXPECT_EQ(engines.get(u"unknown"), nullptr);
    EXPECT_EQ(engines.get(u"tembra"), nullptr); // a section without entries makes nothing
    EXPECT_EQ(engines.items().size(), 4u);
}

TEST_F(EnginesConfLoad, PathComesFirstThenTheEntriesInOrder) {
    ASSERT_TRUE(load(u"[espeak]\nsubname=ru\npath=/elsewhere\n[gtranslator]\nsubname=x\n[espeak]\nsubname=en\n"));
    const std::u16string modules = folder.file("modules");
    EXPECT_EQ(module(u"espeak")->received,
              (std::vector<std::u16string>{u"path=" + modules, u"subname=ru", u"path=/elsewhere", u"subname=en"}));
    EXPECT_EQ(module(u"espeak")->settings().path, u"/elsewhere");
    EXPECT_EQ(module(u"espeak")->settings().subname, u"en");
    EXPECT_EQ(module(u"gtranslator")->settings().path, modules);
}

TEST(EnginesConf, KindsWithoutAClassMakeNothing) {
    EnginesConf engines{[](ModuleKind) -> std::unique_ptr<SpeechModule> { return nullptr; }};
    EXPECT_EQ(engines.CreateModule(u"espeak"), nullptr);
    EXPECT_TRUE(engines.items().empty());
}

} // namespace
} // namespace vx
