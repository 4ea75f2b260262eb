#include "modules/AudioBlocks.h"
#include "platform/AudioConversion.h"
#include "tests/modules/Signals.h"

#include <array>
#include <gtest/gtest.h>

namespace vx {
namespace {

struct WidenCase {
    unsigned char byte;
    std::int16_t sample;
};

class Widen : public testing::TestWithParam<WidenCase> {};

TEST_P(Widen, MapsBytesOntoTheSixteenBitRange) {
    std::int16_t out = 12345;
    ASSERT_TRUE(WidenTo16(&GetParam().byte, &out, 1));
    EXPECT_EQ(out, GetParam().sample);
}

INSTANTIATE_TEST_SUITE_P(Table, Widen, testing::Values(
    WidenCase{128, 0}, WidenCase{255, 32766}, WidenCase{1, -32766}, WidenCase{0, -32768},
    WidenCase{129, 258}, WidenCase{127, -258}));

TEST(Widen, RejectsMissingBuffers) {
    const unsigned char in = 1;
    std::int16_t out = 0;
    EXPECT_FALSE(WidenTo16(nullptr, &out, 1));
    EXPECT_FALSE(WidenTo16(&in, nullptr, 1));
    EXPECT_FALSE(WidenTo16(&in, &out, 0));
}

constexpr std::array<std::int32_t, 3> kRhvoiceDivisors{3, 25, 140};

TEST(ResampleByInsertion, AsksForTheFullSizeAndInsertsPerDivisor) {
    std::vector<std::int16_t> in(300);
    for (std::size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<std::int16_t>(100 * i);
    }
    const std::uint32_t needed = ResampleByInsertion(nullptr, nullptr, 600, kRhvoiceDivisors);
    EXPECT_EQ(needed, 2u * (300 + 100 + 12 + 2));
    std::vector<std::int16_t> out(needed / 2, 0);
    EXPECT_EQ(ResampleByInsertion(in.data(), out.data(), 600, kRhvoiceDivisors), 2u * (300 + 99 + 11 + 2));

    // Sample 0 gets nothing; 3 gets one mean; 75 (a multiple of 3 and of 25) gets two.
    EXPECT_EQ((std::vector<std::int16_t>(out.begin(), out.begin() + 6)), (std::vector<std::int16_t>{0, 100, 200, 300, 350, 400}));
    const auto at75 = std::find(out.begin(), out.end(), std::int16_t{7500});
    ASSERT_NE(at75, out.end());
    EXPECT_EQ((std::vector<std::int16_t>(at75, at75 + 4)), (std::vector<std::int16_t>{7500, 7550, 7550, 7600}));
}

TEST(ResampleByInsertion, EdgeSizes) {
    const std::int16_t one = -7;
    std::int16_t out[4] = {};
    EXPECT_EQ(ResampleByInsertion(&one, out, 2, kRhvoiceDivisors), 2u);
    EXPECT_EQ(out[0], -7);
    EXPECT_EQ(ResampleByInsertion(&one, out, 0, kRhvoiceDivisors), 0u);
    EXPECT_EQ(ResampleByInsertion(&one, out, 2, {}), 0u);
    // A divisor 0 adds nothing; the mean is an arithmetic shift (-2.5 gives -3), and the last
    // sample is its own mean.
    const std::array<std::int32_t, 2> withZero{0, 1};
    const std::int16_t three[3] = {10, -3, -2};
    std::int16_t five[6] = {};
    EXPECT_EQ(ResampleByInsertion(three, five, 6, withZero), 10u);
    EXPECT_EQ((std::vector<std::int16_t>(five, five + 5)), (std::vector<std::int16_t>{10, -3, -3, -2, -2}));
}

TEST(ConvertAudio, SameFormatKeepsTheSamples) {
    const WAVEFORMATEX format = test::pcm(22050, 1, 16);
    const std::vector<unsigned char> in = test::sine16(440.0, 22050, 1000, 0.5);
    std::vector<unsigned char> out;
    ASSERT_TRUE(ConvertAudio(in.data(), static_cast<std::uint32_t>(in.size()), &out, &format, &format));
    EXPECT_EQ(out, in);
}

TEST(ConvertAudio, ArgumentsAreCheckedFirst) {
    const WAVEFORMATEX format = test::pcm(22050, 1, 16);
    const unsigned char in[2] = {1, 2};
    std::vector<unsigned char> out{9};
    EXPECT_FALSE(ConvertAudio(in, 0, &out, &format, &format));
    EXPECT_FALSE(ConvertAudio(nullptr, 2, &out, &format, &format));
    EXPECT_FALSE(ConvertAudio(in, 2, &out, nullptr, &format));
    EXPECT_EQ(out, std::vector<unsigned char>{9});
    WAVEFORMATEX adpcm = format;
    adpcm.wFormatTag = 2;
    EXPECT_FALSE(ConvertAudio(in, 2, &out, &adpcm, &format));
    EXPECT_TRUE(out.empty());
}

TEST(ConvertAudio, RoundTripKeepsFrequencyAndLevel) {
    const WAVEFORMATEX high = test::pcm(22050, 1, 16);
    const WAVEFORMATEX low = test::pcm(16000, 1, 16);
    const std::vector<unsigned char> in = test::sine16(440.0, 22050, 22050, 0.5);
    std::vector<unsigned char> down;
    std::vector<unsigned char> up;
    ASSERT_TRUE(ConvertAudio(in.data(), static_cast<std::uint32_t>(in.size()), &down, &high, &low));
    EXPECT_NEAR(static_cast<double>(down.size()), 2.0 * 16000, 4.0);
    EXPECT_NEAR(test::frequency16(down, 16000), 440.0, 2.0);
    ASSERT_TRUE(ConvertAudio(down.data(), static_cast<std::uint32_t>(down.size()), &up, &low, &high));
    EXPECT_NEAR(static_cast<double>(up.size()), static_cast<double>(in.size()), 4.0);
    EXPECT_NEAR(test::frequency16(up, 22050), 440.0, 2.0);
    EXPECT_NEAR(test::rms16(up), test::rms16(in), 0.02 * test::rms16(in));
}

TEST(ConvertAudio, WidthAndChannels) {
    const WAVEFORMATEX mono8 = test::pcm(22050, 1, 8);
    const WAVEFORMATEX stereo16 = test::pcm(22050, 2, 16);
    const std::vector<unsigned char> in{128, 255, 0, 192};
    std::vector<unsigned char> out;
    ASSERT_TRUE(ConvertAudio(in.data(), 4, &out, &mono8, &stereo16));
    ASSERT_EQ(out.size(), 16u);
    const auto sample = [&out](std::size_t i) { return static_cast<std::int16_t>(out[2 * i] | (out[2 * i + 1] << 8)); };
    EXPECT_EQ(sample(0), 0);
    EXPECT_EQ(sample(2), 32512);
    EXPECT_EQ(sample(3), 32512);
    EXPECT_EQ(sample(4), -32768);
    EXPECT_EQ(sample(6), 16384);
    std::vector<unsigned char> back;
    ASSERT_TRUE(ConvertAudio(out.data(), 16, &back, &stereo16, &mono8));
    EXPECT_EQ(back, in);
}

TEST(ConvertAudio, ConvertsASourceOfAnyLengthWhole) {
    const WAVEFORMATEX from = test::pcm(22050, 1, 16);
    const WAVEFORMATEX to = test::pcm(44100, 1, 16);
    const std::vector<unsigned char> in = test::sine16(300.0, 22050, 5 * 22050, 0.3);
    std::vector<unsigned char> out;
    ASSERT_TRUE(ConvertAudio(in.data(), static_cast<std::uint32_t>(in.size()), &out, &from, &to));
    EXPECT_NEAR(static_cast<double>(out.size()), 2.0 * in.size(), 8.0);
}

} // namespace
} // namespace vx
