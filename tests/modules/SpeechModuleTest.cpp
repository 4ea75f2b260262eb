#include "modules/SpeechModule.h"
#include "tests/modules/RecordingSink.h"
#include "tests/modules/Signals.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

// The base with the module-specific operations made trivial, and its settings open to the test.
class BareModule : public SpeechModule {
public:
    BareModule() {
        SetPcmFormat(&nativeFormat_, 22050, 1, 16);
        outputFormat_ = nativeFormat_;
        wordPause = BoundedValue::make(5, 1, 10);
    }
    bool Speak(const TextPortion&) override { return true; }
    bool Stop() override { return true; }
    void Resume() override {}
    bool SetConversion(const std::u16string& value) override {
        conversion = value == u"acm" ? ConversionMode::Convert : ConversionMode::None;
        if (conversion == ConversionMode::None) {
            outputFormat_ = nativeFormat_;
        }
        return true;
    }
    void setOutput(std::uint32_t samplesPerSecond, std::uint16_t bits) {
        SetPcmFormat(&outputFormat_, samplesPerSecond, 1, bits);
    }
    bool hasFilter() const { return tempoFilter != nullptr; }
    void enableSonic() { sonicEnabled = 1; }
    using SpeechModule::sink;
};

WAVEFORMATEX outputOf(const SpeechModule& module) {
    WAVEFORMATEX format{};
    module.GetOutputFormat(&format);
    return format;
}

TEST(BoundedValue, KeepsItsRange) {
    EXPECT_EQ(BoundedValue::make(800, 200, 2000).value, 800u);
    EXPECT_EQ(BoundedValue::make(100, 200, 2000).value, 200u);
    EXPECT_EQ(BoundedValue::make(3000, 200, 2000).value, 200u);
    BoundedValue pause = BoundedValue::make(800, 200, 2000);
    EXPECT_FALSE(pause.set(199));
    EXPECT_FALSE(pause.set(2001));
    EXPECT_EQ(pause.value, 800u);
    EXPECT_TRUE(pause.set(2000));
    EXPECT_EQ(pause.value, 2000u);
}

TEST(ReadSetting, CommonKeys) {
    BareModule module;
    for (const auto& [key, value] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"path", u"/opt/vx/modules"}, {u"module", u"libengine.so"}, {u"subname", u"ru"},
             {u"word_pause", u"7"}, {u"phoneme_pause", u"3"}, {u"content_type", u"audio/mpeg"},
             {u"sonic.freq", u"16000"}, {u"sonic.quality", u"0"}, {u"sonic.tempo_gain", u"120"},
             {u"sonic.anything", u"1"}}) {
        EXPECT_TRUE(module.ReadSetting(key, value)) << testing::PrintToString(key);
    }
    EXPECT_FALSE(module.ReadSetting(u"Path", u"x"));
    EXPECT_FALSE(module.ReadSetting(u"sonic", u"1"));
    const ModuleSettings& s = module.settings();
    EXPECT_EQ(s.path, u"/opt/vx/modules");
    EXPECT_EQ(s.module, u"libengine.so");
    EXPECT_EQ(s.subname, u"ru");
    EXPECT_EQ(s.wordPause.value, 7u);
    EXPECT_EQ(s.phonemePause.value, 0u); // outside the base's range 0..0
    EXPECT_EQ(s.contentType, u"audio/mpeg");
    EXPECT_EQ(s.sonicFrequency, 16000);
    EXPECT_EQ(s.sonicQuality, 0);
    EXPECT_FLOAT_EQ(s.tempoGain, 1.2F);
}

TEST(ReadSetting, OutOfRangePausesAreIgnored) {
    BareModule module;
    module.ReadSetting(u"word_pause", u"11");
    module.ReadSetting(u"word_pause", u"-3");
    module.ReadSetting(u"word_pause", u"many");
    EXPECT_EQ(module.settings().wordPause.value, 5u);
}

TEST(SetRate, NeverAboveTheSpeedLimit) {
    BareModule module;
    EXPECT_EQ(module.SetRate(80), 80);
    module.ReadSetting(u"speed_limit", u"60");
    EXPECT_EQ(module.settings().rate, 60);
    EXPECT_EQ(module.SetRate(80), 60);
    module.ReadSetting(u"speed_limit", u"40");
    EXPECT_EQ(module.settings().rate, 40);
    EXPECT_EQ(module.SetRate(10), 10);
}

struct FormatCase {
    std::u16string value;
    std::uint32_t rate;
    std::uint16_t channels, bits;
};

class OutputFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(OutputFormat, SetsConversionModeTwoWhateverTheValue) {
    BareModule module;
    module.ReadSetting(u"output_format", GetParam().value);
    EXPECT_EQ(module.settings().conversion, ConversionMode::Convert);
    const WAVEFORMATEX f = outputOf(module);
    EXPECT_EQ(f.nSamplesPerSec, GetParam().rate);
    EXPECT_EQ(f.nChannels, GetParam().channels);
    EXPECT_EQ(f.wBitsPerSample, GetParam().bits);
    EXPECT_EQ(f.nBlockAlign, GetParam().channels * GetParam().bits / 8);
    EXPECT_EQ(f.nAvgBytesPerSec, GetParam().rate * f.nBlockAlign);
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
}

INSTANTIATE_TEST_SUITE_P(Table, OutputFormat, testing::Values(
    FormatCase{u"16000,1,16", 16000, 1, 16},
    FormatCase{u"44100,2,8", 44100, 2, 8},
    FormatCase{u"8000,1", 22050, 1, 16},       // too few fields: the format stays
    FormatCase{u"0,1,16", 22050, 1, 16},       // values that are not PCM stay too
    FormatCase{u"22050,3,16", 22050, 1, 16},
    FormatCase{u"22050,1,12", 22050, 1, 16},
    FormatCase{u"999999,1,16", 22050, 1, 16}));

TEST(Conversion, AcmKeepsTheChosenFormatAndAnyOtherWordRestoresTheNative) {
    BareModule module;
    module.ReadSetting(u"output_format", u"16000,1,16");
    module.ReadSetting(u"convert", u"acm");
    EXPECT_EQ(module.settings().conversion, ConversionMode::Convert);
    EXPECT_EQ(outputOf(module).nSamplesPerSec, 16000u);
    module.ReadSetting(u"convert", u"none");
    EXPECT_EQ(module.settings().conversion, ConversionMode::None);
    EXPECT_EQ(outputOf(module).nSamplesPerSec, 22050u);
    EXPECT_FALSE(module.GetOutputFormat(nullptr));
}

struct SilenceCase {
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint32_t milliseconds;
    std::size_t bytes;
    unsigned char value;
};

class Silence : public testing::TestWithParam<SilenceCase> {};

TEST_P(Silence, WholeFramesOfTheSilenceValue) {
    BareModule module;
    module.setOutput(GetParam().rate, GetParam().bits);
    test::RecordingSink sink;
    module.SetSink(&sink);
    EXPECT_TRUE(module.WriteSilence(GetParam().milliseconds));
    EXPECT_EQ(sink.audio.size(), GetParam().bytes);
    EXPECT_EQ(std::count(sink.audio.begin(), sink.audio.end(), GetParam().value),
              static_cast<std::ptrdiff_t>(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Table, Silence, testing::Values(
    SilenceCase{22050, 16, 100, 4410, 0},
    SilenceCase{22050, 8, 100, 2205, 128},
    SilenceCase{22050, 16, 11, 484, 0},      // 485.1 bytes: cut to whole samples
    SilenceCase{22050, 8, 0, 0, 128},
    SilenceCase{8000, 8, 60000, 480000, 128}));

TEST(Silence, AHugeSilenceNeitherWrapsNorAllocatesItAll) {
    BareModule module;
    test::RecordingSink sink;
    sink.stopAfter = 3;
    module.SetSink(&sink);
    EXPECT_TRUE(module.WriteSilence(0xFFFFFFFF));
    ASSERT_EQ(sink.blocks.size(), 3u);
    EXPECT_LE(sink.blocks[0].size(), 65536u);
    EXPECT_EQ(sink.blocks[0].size() % 2, 0u);
    EXPECT_TRUE(BareModule().WriteSilence(1000)); // no sink: nothing to do
}

struct VolumeCase {
    std::int32_t volume;
    std::uint16_t bits;
    std::vector<unsigned char> in, out;
};

class Volume : public testing::TestWithParam<VolumeCase> {};

TEST_P(Volume, ScalesAroundTheSilenceValue) {
    BareModule module;
    module.SetVolume(GetParam().volume);
    std::vector<unsigned char> out(GetParam().in.size(), 0xEE);
    ASSERT_TRUE(module.ApplyVolume(GetParam().in.data(), out.data(), static_cast<std::uint32_t>(out.size()),
                                   test::pcm(22050, 1, GetParam().bits)));
    EXPECT_EQ(out, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Table, Volume, testing::Values(
    VolumeCase{100, 8, {0, 128, 255}, {0, 128, 255}},
    VolumeCase{0, 8, {0, 128, 255}, {128, 128, 128}},
    VolumeCase{50, 8, {0, 127, 255, 129}, {64, 127, 191, 128}},
    VolumeCase{200, 8, {0, 192}, {0, 255}},                     // louder than full saturates
    VolumeCase{0, 16, {0x34, 0x12, 0x00, 0x80}, {0, 0, 0, 0}},
    VolumeCase{50, 16, {0x00, 0x10, 0xFF, 0xFF, 0x01, 0x80}, {0x00, 0x08, 0x00, 0x00, 0x01, 0xC0}}));

TEST(Volume, RejectsWhatItCannotScale) {
    BareModule module;
    const unsigned char in[2] = {1, 2};
    unsigned char out[2] = {};
    EXPECT_FALSE(module.ApplyVolume(in, out, 2, test::pcm(22050, 1, 24)));
    EXPECT_FALSE(module.ApplyVolume(nullptr, out, 2, test::pcm(22050, 1, 8)));
    EXPECT_FALSE(module.ApplyVolume(in, out, 0, test::pcm(22050, 1, 8)));
}

TEST(Load, WithoutALibraryAndWithAMissingOne) {
    BareModule module;
    module.enableSonic();
    EXPECT_TRUE(module.Load());
    EXPECT_TRUE(module.hasFilter());
    EXPECT_FALSE(module.isLoaded());
    test::TempFolder folder;
    module.ReadSetting(u"path", folder.path().u16string());
    module.ReadSetting(u"module", u"libmissing.so");
    EXPECT_FALSE(module.Load());
}

} // namespace
} // namespace vx
