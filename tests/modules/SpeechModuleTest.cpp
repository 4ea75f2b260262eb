#include "modules/EnginesConf.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

// The base with the module-specific operations made trivial: 22050 Hz 16-bit mono, word pauses
// of 1 to 10, and the kind it was made as.
class TestModule : public SpeechModule {
public:
    explicit TestModule(ModuleKind kind = ModuleKind::None) : madeAs(kind) {
        SetPcmFormat(&nativeFormat_, 22050, 1, 16);
        outputFormat_ = nativeFormat_;
        wordPause = BoundedValue::make(5, 1, 10);
    }
    bool Speak(const TextPortion&) override { return true; }
    bool Stop() override { return true; }
    void Resume() override {}
    bool SetConversion(const std::u16string&) override { return true; }
    using SpeechModule::sonicEnabled;
    ModuleKind madeAs;
};

TEST(ReadSetting, CommonKeysSpeedLimitAndLoad) {
    TestModule module;
    for (const auto& [key, value] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"path", u"/opt/vx"}, {u"module", u"libengine.so"}, {u"subname", u"ru"}, {u"content_type", u"audio/mpeg"},
             {u"phoneme_pause", u"3"}, {u"sonic.freq", u"16000"}, {u"sonic.freq", u"3999"}, {u"sonic.quality", u"0"},
             {u"sonic.tempo_gain", u"120"}, {u"sonic.anything", u"1"}, {u"convert", u"none"}}) {
        EXPECT_TRUE(module.ReadSetting(key, value)) << testing::PrintToString(key);
    }
    EXPECT_FALSE(module.ReadSetting(u"Path", u"x") || module.ReadSetting(u"sonic", u"1"));
    const ModuleSettings& s = module.settings();
    EXPECT_EQ((std::vector<std::u16string>{s.path, s.module, s.subname, s.contentType}),
              (std::vector<std::u16string>{u"/opt/vx", u"libengine.so", u"ru", u"audio/mpeg"}));
    EXPECT_EQ(s.phonemePause.value, 0u); // outside the base's range 0..0
    EXPECT_EQ(s.sonicFrequency, 16000);  // 3999 is too low for the filter
    EXPECT_EQ(s.sonicQuality, 0);
    EXPECT_FLOAT_EQ(s.tempoGain, 1.2F);
    // A pause takes only a value within its range, both ends included.
    for (const auto& [value, pause] : std::vector<std::pair<std::u16string, unsigned>>{
             {u"10", 10}, {u"11", 10}, {u"-3", 10}, {u"many", 10}, {u"1", 1}, {u"0", 1}}) {
        module.ReadSetting(u"word_pause", value);
        EXPECT_EQ(module.settings().wordPause.value, pause) << testing::PrintToString(value);
    }
    EXPECT_EQ(module.SetRate(80), 80);
    module.ReadSetting(u"speed_limit", u"60");
    EXPECT_EQ(module.settings().rate, 60);
    EXPECT_EQ(module.SetRate(80), 60);
    EXPECT_EQ(module.SetRate(10), 10);
    // Load makes the filter when sonic is enabled, and fails for a library that is not there.
    module.sonicEnabled = 1;
    EXPECT_FALSE(module.Load());
    EXPECT_NE(module.settings().tempoFilter, nullptr);
    EXPECT_FALSE(module.isLoaded());
    EXPECT_TRUE(TestModule().Load());
}

// Whole frames of silence in the output format, however long, in blocks of bounded size until the
// sink says stop. Any output_format value chooses conversion mode 2; only a PCM format replaces
// the native 22050 Hz 16-bit mono.
TEST(WriteSilence, WholeFramesOfTheOutputFormat) {
    for (const auto& [format, ms, bytes, silence] : std::vector<std::tuple<std::u16string, unsigned, std::size_t, unsigned char>>{
             {u"16000,1,16", 100, 3200, 0}, {u"44100,2,8", 100, 8820, 128}, {u"22050,1,8", 100, 2205, 128},
             {u"22050,1,16", 11, 484, 0}, /* not 485.1 */ {u"22050,1,8", 0, 0, 128}, {u"8000,1,8", 60000, 480000, 128},
             {u"8000,1", 100, 4410, 0}, {u"0,1,16", 100, 4410, 0}, {u"22050,3,16", 100, 4410, 0},
             {u"22050,1,12", 100, 4410, 0}, {u"999999,1,16", 100, 4410, 0}}) {
        TestModule module;
        module.ReadSetting(u"output_format", format);
        EXPECT_EQ(module.settings().conversion, ConversionMode::Convert);
        test::RecordingSink sink;
        module.SetSink(&sink);
        EXPECT_TRUE(module.WriteSilence(ms));
        EXPECT_EQ(sink.audio, std::vector<unsigned char>(bytes, silence)) << testing::PrintToString(format) << ", " << ms;
    }
    TestModule module;
    test::RecordingSink sink;
    sink.stopAfter = 3;
    module.SetSink(&sink);
    EXPECT_TRUE(module.WriteSilence(0xFFFFFFFF));
    ASSERT_EQ(sink.blocks.size(), 3u);
    EXPECT_TRUE(sink.blocks[0] <= 65536 && sink.blocks[0] % 2 == 0);
    EXPECT_TRUE(TestModule().WriteSilence(1000)); // no sink: nothing to do
    EXPECT_FALSE(module.GetOutputFormat(nullptr));
}

// Samples scaled around the silence value; nothing for sizes other than 8 and 16 bits or no input.
TEST(ApplyVolume, ScalesAroundTheSilenceValue) {
    using Bytes = std::vector<unsigned char>;
    for (const auto& [volume, bits, in, expected] : std::vector<std::tuple<int, std::uint16_t, Bytes, Bytes>>{
             {100, 8, {0, 128, 255}, {0, 128, 255}}, {0, 8, {0, 128, 255}, {128, 128, 128}},
             {50, 8, {0, 127, 255, 129}, {64, 127, 191, 128}}, {200, 8, {0, 192}, {0, 255}}, // louder saturates
             {0, 16, {0x34, 0x12, 0x00, 0x80}, {0, 0, 0, 0}},
             {50, 16, {0x00, 0x10, 0xFF, 0xFF, 0x01, 0x80}, {0x00, 0x08, 0x00, 0x00, 0x01, 0xC0}},
             {50, 24, {1, 2, 3}, {}}, {50, 8, {}, {}}}) {
        TestModule module;
        module.SetVolume(volume);
        WAVEFORMATEX format;
        SetPcmFormat(&format, 22050, 1, bits);
        Bytes out(in.size(), 0xEE);
        const bool scaled = module.ApplyVolume(in.data(), out.data(), static_cast<std::uint32_t>(in.size()), format);
        EXPECT_EQ(scaled ? out : Bytes{}, expected) << volume << "% of " << bits << " bits";
    }
}

// One module per section of a known kind, named by the section and given the default path
// before the section's entries; a section given twice adds to the same module.
TEST(EnginesConf, OneModulePerSectionOfAKnownKind) {
    using enum ModuleKind;
    const std::vector<std::pair<std::u16string, ModuleKind>> sections{
        {u"tembra", Tembra}, {u"espeak_slow", Espeak}, {u"newfon", Newfon}, {u"novofon_x", Newfon},
        {u"rhvoice_a_b", Rhvoice}, {u"gtranslator", GTranslator}, {u"Espeak", None}, {u"unknown", None},
        {u"eloq", None}, {u"mstranslator", None}}; // no Eloq module here; the factory makes no MsTranslator
    std::u16string text = u"orphan=1\n[espeak]\nsubname=ru\npath=/elsewhere\n[rhvoice_empty]\n";
    for (const auto& [name, kind] : sections) {
        text += u"[" + name + u"]\nsubname=" + name + u"\n";
    }
    test::TempFolder folder;
    folder.writeUtf16("data/engines.conf", text + u"[espeak]\nsubname=en\n");
    EnginesConf engines{[](ModuleKind kind) -> std::unique_ptr<SpeechModule> {
        return kind == MsTranslator ? nullptr : std::make_unique<TestModule>(kind);
    }};
    ASSERT_TRUE(engines.load(folder.path().u16string(), {folder.path().u16string()}));
    for (const auto& [name, kind] : sections) {
        const auto* module = dynamic_cast<const TestModule*>(engines.get(name));
        EXPECT_EQ(module ? module->madeAs : None, kind) << testing::PrintToString(name);
        EXPECT_TRUE(!module || (module->settings().subname == name && module->settings().path == folder.file("modules")));
    }
    const SpeechModule* espeak = engines.get(u"espeak");
    EXPECT_TRUE(espeak && espeak->settings().path == u"/elsewhere" && espeak->settings().subname == u"en");
    EXPECT_EQ(engines.items().size(), 7u); // a section without entries makes nothing
    EXPECT_EQ(moduleKindOf(u"eloq"), Eloq);
}

} // namespace
} // namespace vx
