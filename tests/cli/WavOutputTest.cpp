#include "cli/WavOutput.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vx::cli {
namespace {

WAVEFORMATEX pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

std::uint32_t number32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + i)))
                 << (8 * i);
    }
    return value;
}

std::uint16_t number16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

struct HeaderCase {
    WAVEFORMATEX format;
    std::uint64_t dataBytes;
    std::uint32_t riffSize;
    std::uint32_t dataSize;
};

class Headers : public testing::TestWithParam<HeaderCase> {};

TEST_P(Headers, DescribeFormatAndSizes) {
    const HeaderCase& c = GetParam();
    const auto header = wavHeader(c.format, c.dataBytes);
    const std::string bytes(header.begin(), header.end());
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(number32(bytes, 4), c.riffSize);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(number32(bytes, 16), 16U);
    EXPECT_EQ(number16(bytes, 20), WAVE_FORMAT_PCM);
    EXPECT_EQ(number16(bytes, 22), c.format.nChannels);
    EXPECT_EQ(number32(bytes, 24), c.format.nSamplesPerSec);
    EXPECT_EQ(number32(bytes, 28), c.format.nAvgBytesPerSec);
    EXPECT_EQ(number16(bytes, 32), c.format.nBlockAlign);
    EXPECT_EQ(number16(bytes, 34), c.format.wBitsPerSample);
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(number32(bytes, 40), c.dataSize);
}

INSTANTIATE_TEST_SUITE_P(
    WavOutput, Headers,
    testing::Values(HeaderCase{pcm(22050, 1, 8), 0, 36, 0},
                    HeaderCase{pcm(22050, 1, 8), 1000, 1036, 1000},
                    // An odd data chunk is padded, and the RIFF size counts the pad byte.
                    HeaderCase{pcm(22050, 1, 8), 1001, 1038, 1001},
                    HeaderCase{pcm(44100, 2, 16), 4, 40, 4},
                    HeaderCase{pcm(16000, 1, 16), kUnknownSize, kUnknownSize, kUnknownSize},
                    // The largest sizes that RIFF can hold, and one past them once padded.
                    HeaderCase{pcm(16000, 1, 16), 0xFFFFFFDA, 0xFFFFFFFE, 0xFFFFFFDA},
                    HeaderCase{pcm(16000, 1, 16), 0xFFFFFFDB, kUnknownSize, kUnknownSize}));

std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(WavFile, AppearsComplete) {
    test::TempFolder folder;
    const auto target = folder.path() / "out.wav";
    WavFile file(target);
    ASSERT_TRUE(file.begin(pcm(22050, 1, 8)));
    ASSERT_TRUE(file.write("abc", 3));
    EXPECT_FALSE(std::filesystem::exists(target));
    ASSERT_TRUE(file.write("de", 2));
    ASSERT_TRUE(file.finish());
    const std::string bytes = test::readBytes(target);
    ASSERT_EQ(bytes.size(), kWavHeaderBytes + 6);
    EXPECT_EQ(bytes.substr(kWavHeaderBytes), std::string("abcde\0", 6));
    EXPECT_EQ(number32(bytes, 40), 5U);
    EXPECT_EQ(filesIn(folder.path()), 1U);
}

TEST(WavFile, ReplacesAnOlderFile) {
    test::TempFolder folder;
    folder.writeBytes("out.wav", "old");
    WavFile file(folder.path() / "out.wav");
    ASSERT_TRUE(file.begin(pcm(22050, 1, 8)));
    ASSERT_TRUE(file.finish());
    EXPECT_EQ(test::readBytes(folder.path() / "out.wav").size(), kWavHeaderBytes);
}

TEST(WavFile, LeavesNothingWhenNotFinished) {
    test::TempFolder folder;
    {
        WavFile file(folder.path() / "out.wav");
        ASSERT_TRUE(file.begin(pcm(22050, 1, 8)));
        ASSERT_TRUE(file.write("abc", 3));
    }
    EXPECT_EQ(filesIn(folder.path()), 0U);
}

TEST(WavStream, WritesHeaderOfUnknownSizeThenAudio) {
    std::ostringstream out;
    WavStream stream(out, "the test stream");
    ASSERT_TRUE(stream.begin(pcm(22050, 1, 8)));
    ASSERT_TRUE(stream.write("xyz", 3));
    ASSERT_TRUE(stream.finish());
    const std::string bytes = out.str();
    ASSERT_EQ(bytes.size(), kWavHeaderBytes + 3);
    EXPECT_EQ(number32(bytes, 4), kUnknownSize);
    EXPECT_EQ(number32(bytes, 40), kUnknownSize);
    EXPECT_EQ(bytes.substr(kWavHeaderBytes), "xyz");
}

TEST(WavStream, FailsOnceTheStreamFails) {
    std::ostringstream out;
    WavStream stream(out, "the test stream");
    ASSERT_TRUE(stream.begin(pcm(22050, 1, 8)));
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(stream.write("xyz", 3));
    EXPECT_EQ(stream.error(), "cannot write to the test stream");
    out.clear();
    EXPECT_FALSE(stream.write("xyz", 3));
}

} // namespace
} // namespace vx::cli
