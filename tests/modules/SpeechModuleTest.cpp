// The speech modules' common ground: the base class, engines.conf, and the audio blocks they
// build on (widening, resampling, format conversion, the tempo filter).

#include "modules/AudioBlocks.h"
#include "modules/EnginesConf.h"
#include "platform/AudioConversion.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

namespace vx {
namespace {

using test::pcm;

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
    using SpeechModule::closePortionStream;
    using SpeechModule::openPortionStream;
    using SpeechModule::sonicEnabled;
    using SpeechModule::writeConverted;
    ModuleKind madeAs;
};

TEST(ReadSetting, CommonKeysSpeedLimitAndLoad) {
    TestModule module;
    for (const auto& [key, value] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"path", u"/opt/vx"}, {u"module", u"libengine.so"}, {u"subname", u"ru"}, {u"content_type", u"audio/mpeg"},
             {u"phoneme_pause", u"3"}, {u"sonic.freq", u"16000"}, {u"sonic.freq", u"3999"}, {u"sonic.quality", u"0"},
             {u"sonic.tempo_gain", u"120"}, {u"sonic.anything", u"1"}, {u"convert", u"none"}})
        EXPECT_TRUE(module.ReadSetting(key, value)) << testing::PrintToString(key);
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

// A portion whose audio went into the conversion and came out as nothing was not said.
TEST(PortionStream, NothingOutOfSomethingIsAFailure) {
    const std::vector<unsigned char> block(100, 0x10);
    // output_format, bytes of 16-bit audio written, whether the portion counts as said
    for (const auto& [format, bytes, said] : std::vector<std::tuple<std::u16string, std::uint32_t, bool>>{
             {u"22050,1,8", 100, true}, {u"22050,1,8", 1, false}, {u"22050,1,8", 0, true}, {u"16000,1,16", 2, true}}) {
        TestModule module;
        module.ReadSetting(u"output_format", format);
        test::RecordingSink sink;
        module.SetSink(&sink);
        module.openPortionStream();
        module.writeConverted(block.data(), bytes, nullptr);
        EXPECT_EQ(module.closePortionStream(), said) << testing::PrintToString(format) << ", " << bytes;
    }
}

// Whole frames of silence in the output format, however long, in blocks of bounded size until the
// sink says stop. Any output_format value chooses conversion mode 2; only a PCM format replaces
// the native 22050 Hz 16-bit mono.
TEST(WriteSilence, WholeFramesOfTheOutputFormat) {
    for (const auto& [format, ms, bytes, silence] : std::vector<std::tuple<std::u16string, unsigned, std::size_t, unsigned char>>{
             {u"16000,1,16", 100, 3200, 0}, {u"44100,2,8", 100, 8820, 128}, {u"22050,1,8", 100, 2205, 128},
             {u"22050,1,16", 11, 484, 0}, /* not 485.1 */ {u"22050,1,8", 0, 0, 128}, {u"8000,1,8", 60000, 480000, 128},
             {u"8000,1", 100, 4410, 0}, {u"0,1,16", 100, 4410, 0}, {u"22050,3,16", 100, 4410, 0},
             {u"22050,1,12", 100, 4410, 0}, {u"999999,1,16", 100, 4410, 0}, {u"1,1,8", 100, 4410, 0}}) {
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
        Bytes out(in.size(), 0xEE);
        const auto size = static_cast<std::uint32_t>(in.size());
        const bool scaled = module.ApplyVolume(in.data(), out.data(), size, pcm(22050, 1, bits));
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
    for (const auto& [name, kind] : sections) text += u"[" + name + u"]\nsubname=" + name + u"\n";
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

TEST(WidenTo16, MapsBytesOntoTheSixteenBitRange) {
    const std::vector<unsigned char> bytes{128, 255, 1, 0, 129, 127};
    std::vector<std::int16_t> out(bytes.size(), 12345);
    ASSERT_TRUE(WidenTo16(bytes.data(), out.data(), static_cast<std::uint32_t>(bytes.size())));
    EXPECT_EQ(out, (std::vector<std::int16_t>{0, 32766, -32766, -32768, 258, -258}));
}

TEST(ResampleByInsertion, InsertsTheMeanOncePerDivisor) {
    // 2 divides 2, 4 and 6; 3 divides 3 and 6; 0 divides nothing. The mean is an arithmetic
    // shift (-2.5 gives -3), and the last sample is its own mean.
    const std::vector<std::int32_t> divisors{2, 3, 0};
    const std::vector<std::int16_t> in{0, 100, -2, -3, 400, 500, 600};
    std::vector<std::int16_t> out(12);
    ASSERT_EQ(ResampleByInsertion(nullptr, nullptr, 14, divisors), 24u);
    EXPECT_EQ(ResampleByInsertion(in.data(), out.data(), 14, divisors), 24u);
    EXPECT_EQ(out, (std::vector<std::int16_t>{0, 100, -2, -3, -3, 198, 400, 450, 500, 600, 600, 600}));
}

// The whole source comes out, at its level, however long it is.
TEST(ConvertAudio, KeepsLengthAndLevel) {
    for (const auto& [from, to] : {std::pair{22050U, 22050U}, {22050U, 16000U}, {16000U, 22050U}, {11025U, 44100U}}) {
        std::vector<std::int16_t> in(3 * from); // 3 s of 440 Hz
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<std::int16_t>(16384 * std::sin(2 * std::numbers::pi * 440 * i / from));
        const WAVEFORMATEX source = pcm(from), target = pcm(to);
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(ConvertAudio(reinterpret_cast<const unsigned char*>(in.data()),
                                 static_cast<std::uint32_t>(2 * in.size()), &bytes, &source, &target));
        const std::vector<int> out = test::decoded(bytes, 16);
        EXPECT_NEAR(static_cast<double>(out.size()), 3.0 * to, 4.0) << from << " Hz to " << to;
        EXPECT_NEAR(test::rms(out), test::rms(in), 0.02 * test::rms(in)) << from << " Hz to " << to;
        EXPECT_TRUE(from != to || std::ranges::equal(out, in));
    }
}

TEST(ConvertAudio, WidthAndChannels) {
    const WAVEFORMATEX mono8 = pcm(22050, 1, 8), stereo16 = pcm(22050, 2, 16);
    const std::vector<unsigned char> in{128, 255, 0, 192};
    std::vector<unsigned char> out;
    ASSERT_TRUE(ConvertAudio(in.data(), 4, &out, &mono8, &stereo16));
    EXPECT_EQ(out, (std::vector<unsigned char>{0, 0, 0, 0, 0, 0x7F, 0, 0x7F, 0, 0x80, 0, 0x80, 0, 0x40, 0, 0x40}));
    std::vector<unsigned char> back;
    ASSERT_TRUE(ConvertAudio(out.data(), 16, &back, &stereo16, &mono8));
    EXPECT_EQ(back, in);
    // Formats that cannot be converted leave nothing behind: MP3 must bring the fields of its
    // MPEGLAYER3WAVEFORMAT (cbSize 12), and is no target.
    WAVEFORMATEX adpcm = mono8;
    adpcm.wFormatTag = 2;
    EXPECT_FALSE(ConvertAudio(in.data(), 4, &back, &adpcm, &mono8));
    EXPECT_TRUE(back.empty());
    adpcm.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    EXPECT_FALSE(AudioConverter::open(adpcm, mono8) || AudioConverter::open(mono8, adpcm));
}

// A second of 440 Hz at half of full scale made MP3 by lame at build time (mono, rate in Hz, bit
// rate in kbit/s), with the record the online modules give such a stream.
std::pair<std::string, MPEGLAYER3WAVEFORMAT> lameMp3(std::uint32_t rate, int kbps) {
    const auto block = static_cast<std::uint16_t>(72 * 1000 * kbps / rate); // bytes of an unpadded frame
    return {test::readBytes(VX_TONE_FOLDER "/tone" + std::to_string(rate) + "-" + std::to_string(kbps) + ".mp3"),
            {{WAVE_FORMAT_MPEGLAYER3, 1, rate, 125U * kbps, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES}, MPEGLAYER3_ID_MPEG,
             MPEGLAYER3_FLAG_PADDING_OFF, block, 1, 0}};
}

// The bytes decoded whole by ConvertAudio (block 0), or through one converter in blocks of the size
// until it fails.
std::vector<unsigned char> decodeMp3(std::string_view mp3, const MPEGLAYER3WAVEFORMAT& f, const WAVEFORMATEX& to,
                                     std::size_t block) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(mp3.data());
    std::vector<unsigned char> out, part;
    const auto converter = block ? AudioConverter::open(f.wfx, to) : nullptr;
    if (!converter) ConvertAudio(bytes, static_cast<std::uint32_t>(mp3.size()), &out, &f.wfx, &to);
    for (std::size_t at = 0; converter && at < mp3.size(); at += block) {
        if (!converter->convert(bytes + at, static_cast<std::uint32_t>(std::min(block, mp3.size() - at)), part)) return out;
        out.insert(out.end(), part.begin(), part.end());
    }
    if (converter && converter->finish(part)) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// MP3 decoded as it comes and converted to the target's rate: the tone keeps its length, pitch and
// level, after the encoder's and decoder's delay (lead) unless a LAME tag has it trimmed, and the
// audio is the same however the stream was cut into blocks.
TEST(ConvertAudio, DecodesMp3AsAStreamAndNothingElse) {
    for (const auto& [rate, kbps, to, lead] : std::vector<std::tuple<std::uint32_t, int, std::uint32_t, double>>{
             {22050, 32, 22050, 1105}, // the Russian voice's stream: no LAME tag fits its 104-byte frames
             {16000, 24, 16000, 1105}, // the English voice's
             {16000, 24, 22050, 1105 * 22050 / 16000.0}, // decoded, then resampled
             {22050, 64, 22050, 0}}) { // with a LAME tag, by which gapless decoding trims delay and padding
        SCOPED_TRACE(testing::Message() << rate << " Hz " << kbps << " kbit/s to " << to << " Hz");
        const auto [mp3, format] = lameMp3(rate, kbps);
        const WAVEFORMATEX target = pcm(to);
        const std::vector<unsigned char> whole = decodeMp3(mp3, format, target, 0);
        const std::vector<int> s = test::decoded(whole, 16);
        const std::vector<int> tone = test::toneOf(s);
        const double frame = 576.0 * to / rate;
        const auto first = static_cast<double>(std::ranges::search(s, tone).begin() - s.begin());
        EXPECT_NEAR(first, lead, 8.0);
        EXPECT_NEAR(static_cast<double>(tone.size()), to, frame);
        EXPECT_LE(static_cast<double>(s.size() - tone.size()), first + frame); // padding of a frame at most
        EXPECT_NEAR(test::frequency(tone, to), 440.0, 8.8);
        EXPECT_NEAR(test::rms(tone) / (16384 / std::numbers::sqrt2), 1.0, 0.1);
        for (const std::size_t block : {8192U, 1000U, 1U})
            EXPECT_TRUE(decodeMp3(mp3, format, target, block) == whole) << "in blocks of " << block;
    }
    // Bytes that are not MP3 (an error page, noise, the start of one frame) give no audio and end.
    std::string noise(8192, '\0');
    std::minstd_rand random(7);
    std::ranges::generate(noise, [&random] { return static_cast<char>(random()); });
    const std::string page = "<html><body><h1>503 Service Unavailable</h1></body></html>";
    const auto [mp3, format] = lameMp3(22050, 32);
    for (const std::string& bytes : {page, noise, std::string(4096, '\xFF'), mp3.substr(0, 60)})
        for (const std::size_t block : {0U, 1000U, 1U})
            EXPECT_TRUE(decodeMp3(bytes, format, pcm(22050), block).empty()) << bytes.size() << " bytes in " << block;
}

// Rate and gain as SAPI and engines.conf give them. A speed sonic cannot take (0 or less, from a
// large gain at a low rate or a negative speed_limit) once crashed the host; it is clamped, and
// the log says so once for the rate and gain however often they are set.
TEST(TempoPitchFilter, RateAndGainGiveTheSpeed) {
    std::vector<unsigned char> in(2 * 22050 + 77);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<unsigned char>(128 + 60 * std::sin(2 * std::numbers::pi * i / 214));
    constexpr double kMin = TempoPitchFilter::kMinSpeed;
    for (const auto& [rate, gain, speed, logged] : std::vector<std::tuple<int, float, double, bool>>{
             {50, 2.5F, 1.0, false},   // the samples come back unchanged
             {100, 0.9F, 1.4, false},  // a gain below 1 is not taken: the default 0.8 stays
             {100, 3.0F, 1.4, false},  // nor one above 2.5
             {100, 1.0F, 1.5, false}, {0, 0.8F, 0.6, false},
             {0, 2.0F, kMin, true}, {0, 2.5F, kMin, true}, {-100, 0.8F, kMin, true}, // 0, -0.25; speed_limit -100
             {400, 1.0F, TempoPitchFilter::kMaxSpeed, true}}) {
        SCOPED_TRACE(testing::Message() << "rate " << rate << " gain " << gain);
        const test::LogTail log;
        auto filter = TempoPitchFilter::create(22050, 1);
        filter->SetTempoGain(gain);
        filter->SetSpeedFromRate(rate);
        filter->SetSpeedFromRate(rate);
        std::vector<unsigned char> out;
        for (std::size_t at = 0; at < in.size(); at += 4096) { // as a module feeds it, flushed with the last
            const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(4096, in.size() - at));
            filter->Process(in.data() + at, count, out, at + count == in.size());
        }
        EXPECT_TRUE(speed != 1 || out == in);
        EXPECT_NEAR(static_cast<double>(out.size()), in.size() / speed, in.size() / speed * 0.05);
        EXPECT_EQ(std::ranges::count(log.text(), u'\n'), logged ? 1 : 0) << testing::PrintToString(log.text());
        // What the stream still holds after Drain must not reach the next text.
        filter->Process(in.data(), 3000, out, false);
        filter->Drain();
        EXPECT_EQ(filter->Process(nullptr, 0, out = {}, true), 0u);
    }
}

} // namespace
} // namespace vx
