#include "modules/AudioBlocks.h"
#include "modules/SpeechModule.h"
#include "platform/AudioConversion.h"
#include "tests/support/ProcessLog.h"
#include "tests/support/Samples.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace vx {
namespace {

TEST(WidenTo16, MapsBytesOntoTheSixteenBitRange) {
    for (const auto& [byte, sample] : std::vector<std::pair<unsigned char, std::int16_t>>{
             {128, 0}, {255, 32766}, {1, -32766}, {0, -32768}, {129, 258}, {127, -258}}) {
        std::int16_t out = 12345;
        ASSERT_TRUE(WidenTo16(&byte, &out, 1));
        EXPECT_EQ(out, sample) << "byte " << int{byte};
    }
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

WAVEFORMATEX pcm(std::uint32_t rate, std::uint16_t channels = 1, std::uint16_t bits = 16) {
    WAVEFORMATEX format;
    SetPcmFormat(&format, rate, channels, bits);
    return format;
}

// The whole source comes out, at its level, however long it is.
TEST(ConvertAudio, KeepsLengthAndLevel) {
    for (const auto& [from, to] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {22050, 22050}, {22050, 16000}, {16000, 22050}, {11025, 44100}}) {
        std::vector<std::int16_t> in(3 * from); // 3 s of 440 Hz
        for (std::size_t i = 0; i < in.size(); ++i) {
            in[i] = static_cast<std::int16_t>(16384 * std::sin(2 * std::numbers::pi * 440 * i / from));
        }
        const WAVEFORMATEX source = pcm(from);
        const WAVEFORMATEX target = pcm(to);
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
    const WAVEFORMATEX mono8 = pcm(22050, 1, 8);
    const WAVEFORMATEX stereo16 = pcm(22050, 2, 16);
    const std::vector<unsigned char> in{128, 255, 0, 192};
    std::vector<unsigned char> out;
    ASSERT_TRUE(ConvertAudio(in.data(), 4, &out, &mono8, &stereo16));
    EXPECT_EQ(out, (std::vector<unsigned char>{0, 0, 0, 0, 0, 0x7F, 0, 0x7F, 0, 0x80, 0, 0x80, 0, 0x40, 0, 0x40}));
    std::vector<unsigned char> back;
    ASSERT_TRUE(ConvertAudio(out.data(), 16, &back, &stereo16, &mono8));
    EXPECT_EQ(back, in);
    // Formats that cannot be converted leave nothing behind.
    WAVEFORMATEX adpcm = mono8;
    adpcm.wFormatTag = 2;
    EXPECT_FALSE(ConvertAudio(in.data(), 4, &back, &adpcm, &mono8));
    EXPECT_TRUE(back.empty());
}

// Rate and gain as SAPI and engines.conf give them. A speed sonic cannot take (0 or less, from a
// large gain at a low rate or a negative speed_limit) once crashed the host; it is clamped, and
// the log says so once for the rate and gain however often they are set.
TEST(TempoPitchFilter, RateAndGainGiveTheSpeed) {
    std::vector<unsigned char> in(2 * 22050 + 77);
    for (std::size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<unsigned char>(128 + 60 * std::sin(2 * std::numbers::pi * i / 214));
    }
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
