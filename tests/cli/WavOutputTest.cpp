#include "cli/WavOutput.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx::cli {
namespace {

WAVEFORMATEX pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// The header's tags, then its little-endian numbers: RIFF size, fmt size, format tag, channels,
// rate, bytes a second, block align, bits, data size.
std::string fields(const std::string& header) {
    std::string out = header.substr(0, 4) + header.substr(8, 8) + header.substr(36, 4);
    for (const auto& [at, size] :
         {std::pair{4, 4}, {16, 4}, {20, 2}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}, {40, 4}}) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(header.at(at + i));
        }
        out += " " + std::to_string(value);
    }
    return out;
}

// An odd data chunk is padded and the RIFF size counts the pad byte; sizes that RIFF cannot hold
// are unknown (0xFFFFFFFF). A file appears under its name only once finished, and alone.
TEST(WavOutput, HeadersAndFilesAreComplete) {
    const std::tuple<WAVEFORMATEX, std::uint64_t, std::string> rows[] = {
        {pcm(22050, 1, 8), 1001, "RIFFWAVEfmt data 1038 16 1 1 22050 22050 1 8 1001"},
        {pcm(44100, 2, 16), 4, "RIFFWAVEfmt data 40 16 1 2 44100 176400 4 16 4"},
        {pcm(16000, 1, 16), 0xFFFFFFDA, "RIFFWAVEfmt data 4294967294 16 1 1 16000 32000 2 16 4294967258"},
        {pcm(16000, 1, 16), 0xFFFFFFDB, "RIFFWAVEfmt data 4294967295 16 1 1 16000 32000 2 16 4294967295"},
    };
    for (const auto& [format, dataBytes, expected] : rows) {
        const auto header = wavHeader(format, dataBytes);
        EXPECT_EQ(fields(std::string(header.begin(), header.end())), expected);
    }
    test::TempFolder folder;
    WavFile file(folder.path() / "out.wav");
    ASSERT_TRUE(file.begin(pcm(22050, 1, 8)) && file.write("abc", 3) && file.write("de", 2));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.wav"));
    ASSERT_TRUE(file.finish());
    const std::string bytes = test::readBytes(folder.path() / "out.wav");
    EXPECT_EQ(fields(bytes), "RIFFWAVEfmt data 42 16 1 1 22050 22050 1 8 5");
    EXPECT_EQ(bytes.substr(kWavHeaderBytes), std::string("abcde\0", 6));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

} // namespace
} // namespace vx::cli
