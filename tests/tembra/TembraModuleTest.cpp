#include "tembra/TembraModule.h"

#include "modules/AudioBlocks.h"
#include "modules/TempoPitchFilter.h"
#include "platform/AudioConversion.h"
#include "platform/Utf.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Samples.h"

#include <cstring>
#include <gtest/gtest.h>

namespace vx {
namespace {

const std::u16string kPhrase = u"мама мыла раму";

const std::u16string kLongText = [] {
    std::u16string text;
    for (int i = 0; i < 20; ++i) {
        text += kPhrase + u", ";
    }
    return text;
}();

// A portion streams in chunks of 4096 bytes. Stop (called inside the sink, as another thread
// would call it) or the sink's own answer ends it before the next chunk; the next starts afresh.
TEST(TembraStreaming, ChunksUntilStopOrTheSinkEndsThePortion) {
    for (const std::string_view end : {"nothing", "Stop", "the sink"}) {
        SCOPED_TRACE(std::string(end));
        TembraModule module;
        test::RecordingSink sink;
        sink.stopAfter = end == "the sink" ? 2 : 0;
        sink.onCall = [&module, end](std::size_t call) {
            if (end == "Stop" && call == 2) {
                module.Stop();
            }
        };
        const auto blocks = test::spoken(module, kLongText, sink).blocks;
        EXPECT_TRUE(end == "nothing" ? blocks.size() > 2 : blocks.size() == 2) << blocks.size();
        for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i], TembraModule::kChunkBytes);
        }
        EXPECT_FALSE(test::spoken(module, u"да").audio.empty());
    }
}

TEST(TembraStreaming, AFullLastChunkStillFlushesTheFilter) {
    TembraModule module;
    module.ReadSetting(u"word_pause", u"1024");
    module.SetRate(100);
    const auto audio =
        test::spoken(module, std::u16string(40, u' ')).audio; // exactly ten chunks of silence
    EXPECT_NEAR(static_cast<double>(audio.size()), 40 * 1024 / 1.4, 40 * 1024 * 0.02);
}

// Chunk by chunk, a portion comes out as the plain output converted whole: widened exactly for
// "vxtts", resampled for an output format (a resampler restarted at every chunk would leave a
// tick at each join).
TEST(TembraConversion, APortionIsConvertedAsOneStream) {
    TembraModule plain;
    const std::vector<unsigned char> bytes = test::spoken(plain, kLongText).audio;
    WAVEFORMATEX from{};
    plain.GetOutputFormat(&from);
    ASSERT_EQ(from.nSamplesPerSec, 22050u);
    ASSERT_EQ(from.wBitsPerSample, 8);
    for (const bool widened : {true, false}) {
        SCOPED_TRACE(widened ? "vxtts" : "44100,1,16");
        TembraModule module;
        module.ReadSetting(widened ? u"convert" : u"output_format",
                           widened ? u"vxtts" : u"44100,1,16");
        const std::vector<unsigned char> out = test::spoken(module, kLongText).audio;
        WAVEFORMATEX to{};
        module.GetOutputFormat(&to);
        EXPECT_EQ(to.wBitsPerSample, 16);
        std::vector<unsigned char> whole(2 * bytes.size());
        if (widened) {
            std::vector<std::int16_t> wide(bytes.size());
            WidenTo16(bytes.data(), wide.data(), static_cast<std::uint32_t>(wide.size()));
            std::memcpy(whole.data(), wide.data(), whole.size());
        } else {
            ASSERT_TRUE(ConvertAudio(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &whole,
                                     &from, &to));
        }
        EXPECT_TRUE(out == whole) << out.size() << " bytes, converted whole " << whole.size();
    }
}

// The phrase's length and level relative to the default rate 50 and volume 100. The filter's
// speed is (rate - 50) * 0.8 / 100 + 1 by default. Configuration values that once reached sonic
// as a speed of zero or less, or as a rate it divides by, crashed the host: now the voice speaks
// at a speed the filter can take, and a log line names the key.
struct OutputCase {
    std::u16string key, value;
    std::int32_t rate, volume;
    double length, level;
};

const OutputCase kOutputs[] = {
    {u"", u"", 0, 100, 1 / 0.6, 1},   {u"", u"", 25, 100, 1 / 0.8, 1}, {u"", u"", 75, 100, 1 / 1.2, 1},
    {u"", u"", 100, 100, 1 / 1.4, 1}, {u"", u"", 50, 50, 1, 0.5},      {u"", u"", 50, 0, 1, 0},
    {u"sonic.tempo_gain", u"200", 0, 100, 1 / TempoPitchFilter::kMinSpeed, 1},
    {u"speed_limit", u"-100", 50, 100, 1 / TempoPitchFilter::kMinSpeed, 1},
    {u"sonic.freq", u"0", 75, 100, 1 / 1.2, 1},  {u"sonic.freq", u"-5", 75, 100, 1 / 1.2, 1},
    {u"sonic.freq", u"2000000", 75, 100, 1 / 1.2, 1},
};

TEST(TembraOutput, LengthAndLevelFollowRateVolumeAndFilterSettings) {
    TembraModule normal;
    const std::vector<unsigned char> reference = test::spoken(normal, kPhrase).audio;
    for (const OutputCase& c : kOutputs) {
        SCOPED_TRACE(toUtf8(c.key + u"=" + c.value) + " rate " + std::to_string(c.rate) +
                     " volume " + std::to_string(c.volume));
        const test::LogTail log;
        TembraModule module;
        module.ReadSetting(c.key, c.value);
        module.SetRate(c.rate);
        module.SetVolume(c.volume);
        const std::vector<unsigned char> audio = test::spoken(module, kPhrase).audio;
        EXPECT_NEAR(static_cast<double>(audio.size()) / static_cast<double>(reference.size()),
                    c.length, 0.05 * c.length);
        EXPECT_NEAR(test::rms(test::decoded(audio, 8)) / test::rms(test::decoded(reference, 8)), c.level, 0.1);
        EXPECT_TRUE(c.key.empty() || log.text().find(c.key) != std::u16string::npos)
            << "no log line names the key";
    }
}

} // namespace
} // namespace vx
