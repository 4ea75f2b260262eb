#include "modules/AudioBlocks.h"
#include "platform/AudioConversion.h"
#include "platform/Log.h"
#include "tembra/TembraModule.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/ProcessLog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace vx {
namespace {

using tembra::kUnits;

// The audio that a sequence of units and silences makes, built from the unit table.
class Expected {
public:
    // The gap after, and the cut from, the units that follow.
    Expected& prosody(std::uint32_t gap, std::uint32_t cut) {
        gap_ = gap;
        cut_ = cut;
        return *this;
    }
    Expected& unit(std::uint32_t u, int times = 1) {
        const std::size_t length = std::strlen(reinterpret_cast<const char*>(kUnits[u]));
        for (int i = 0; i < times; ++i) {
            bytes.insert(bytes.end(), kUnits[u], kUnits[u] + length - cut_);
            silence(gap_);
        }
        return *this;
    }
    Expected& units(std::initializer_list<std::uint32_t> list) {
        for (const std::uint32_t u : list) {
            unit(u);
        }
        return *this;
    }
    Expected& silence(std::uint32_t samples) {
        bytes.insert(bytes.end(), samples, 128);
        return *this;
    }

    std::vector<unsigned char> bytes;

private:
    std::uint32_t gap_ = 6;
    std::uint32_t cut_ = 0;
};

struct SpokenCase {
    const char* what;
    std::u16string text;
    Expected expected;
    bool adjustDuration = false;
};

void PrintTo(const SpokenCase& c, std::ostream* os) { *os << c.what; }

class Spoken : public testing::TestWithParam<SpokenCase> {};

TEST_P(Spoken, UnitsAndSilencesFollowTheLetterRules) {
    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    module.ReadSetting(u"adjust_duration", GetParam().adjustDuration ? u"yes" : u"no");
    EXPECT_TRUE(module.Speak(GetParam().text));
    EXPECT_EQ(sink.audio, GetParam().expected.bytes) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Letters, Spoken, testing::Values(
    SpokenCase{"a lone vowel", u"а", Expected().units({0, 1, 2, 3})},
    SpokenCase{"labial onset", u"ма", Expected().unit(135, 3).units({12, 1, 2, 3})},
    SpokenCase{"soft н before я", u"ня", Expected().unit(152, 3).units({90, 85, 86, 3})},
    SpokenCase{"ши sounds as шы", u"ши", Expected().units({164, 66, 52, 53, 54})},
    SpokenCase{"же sounds as жэ", u"же", Expected().units({163, 83, 69, 70, 71})},
    SpokenCase{"jot before е, soft л coda", u"ель", Expected().units({188, 189, 123, 120, 121, 122, 128}).unit(191, 3)},
    SpokenCase{"с held before т", u"сто",
               Expected().unit(167, 2).silence(100).units({161, 32, 18, 19, 20}), true},
    SpokenCase{"с alone", u"сто", Expected().unit(167).silence(100).units({161, 32, 18, 19, 20})},
    SpokenCase{"closures before к and т", u"кот",
               Expected().silence(66).units({182, 23, 18, 19, 20, 32}).silence(100).unit(159)},
    SpokenCase{"voiced stop before а", u"да", Expected().unit(153, 2).units({155, 15, 1, 2, 3})},
    SpokenCase{"soft voiced stop", u"дя", Expected().unit(157, 2).units({158, 90, 85, 86, 3})},
    SpokenCase{"й makes а iotated", u"йа", Expected().units({188, 189, 87, 85, 86, 3})},
    SpokenCase{"ю keeps the context", u"тюю", Expected().silence(100).units({162, 102, 97, 98, 37, 102, 97, 98, 37})},
    SpokenCase{"о after ь gets a jot", u"ьо", Expected().units({188, 189, 18, 19, 20})},
    SpokenCase{"capitals are silent", u"ДА", Expected()},
    SpokenCase{"nothing to say", u"", Expected()}));

INSTANTIATE_TEST_SUITE_P(Prosody, Spoken, testing::Values(
    SpokenCase{"statement", u"да.", Expected().prosody(18, 0).unit(153, 2).units({155, 15, 1, 2, 3}).silence(1600)},
    SpokenCase{"question", u"да?", Expected().prosody(0, 12).unit(153, 2).units({155, 15, 1, 2, 3}).silence(1600)},
    SpokenCase{"comma then statement", u"да, нет.",
               Expected().prosody(0, 0).unit(153, 2).units({155, 15, 1, 2, 3}).silence(800).silence(800)
                   .prosody(18, 0).unit(152, 3).units({120, 121, 122, 133}).silence(100).unit(159)
                   .silence(1600)},
    SpokenCase{"only the last word", u"ну да.",
               Expected().unit(151, 3).units({49, 35, 36, 37}).silence(800).prosody(18, 0).unit(153, 2)
                   .units({155, 15, 1, 2, 3}).silence(1600)},
    SpokenCase{"leftmost mark decides", u"а?!", Expected().prosody(0, 12).units({0, 1, 2, 3}).silence(3200)}));

std::size_t lengthOf(std::uint32_t u) { return std::strlen(reinterpret_cast<const char*>(kUnits[u])); }

// The largest difference between neighbouring samples of a unit.
int steepestStep(std::uint32_t u) {
    int steepest = 0;
    for (std::size_t i = 1; i < lengthOf(u); ++i) {
        steepest = std::max(steepest, std::abs(kUnits[u][i] - kUnits[u][i - 1]));
    }
    return steepest;
}

struct QuestionCase {
    const char* what;
    std::u16string text;
};

void PrintTo(const QuestionCase& c, std::ostream* os) { *os << c.what; }

class QuestionJoins : public testing::TestWithParam<QuestionCase> {};

std::vector<unsigned char> spoken(const std::u16string& text) {
    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    module.Speak(text);
    return sink.audio;
}

// The last word of a question joins its units without a gap, each without its last 12 samples.
// Read back unit by unit, the step where a unit was cut, to the next unit or to silence, is no
// steeper than the wave inside the units it joins; a steeper one buzzes at the pitch.
TEST_P(QuestionJoins, NoCutIsSteeperThanTheUnitsItJoins) {
    const std::u16string& text = GetParam().text;
    const std::vector<unsigned char> audio = spoken(text);
    // The words before the last one sound as they do alone; the last one ends at the pause.
    const std::size_t space = text.rfind(u' ');
    const std::vector<unsigned char> before = space == std::u16string::npos
                                                  ? std::vector<unsigned char>{}
                                                  : spoken(text.substr(0, space + 1));
    ASSERT_GT(audio.size(), before.size() + 1600);
    ASSERT_TRUE(std::equal(before.begin(), before.end(), audio.begin()));
    const std::size_t end = audio.size() - 1600;

    std::size_t pos = before.size();
    int previous = -1; // the unit that ends at pos, or -1 after silence
    int joins = 0;
    // At pos, next (or silence, -1) follows the previous unit.
    const auto checkJoin = [&](int next) {
        int limit = steepestStep(static_cast<std::uint32_t>(previous));
        if (next >= 0) {
            limit = std::max(limit, steepestStep(static_cast<std::uint32_t>(next)));
        }
        EXPECT_LE(std::abs(audio[pos] - audio[pos - 1]), limit)
            << GetParam().what << ": unit " << previous << " then " << next << " (-1 is silence)";
        ++joins;
    };
    while (pos < end) {
        int found = -1;
        for (std::uint32_t u = 0; u < tembra::kUnitCount && found < 0; ++u) {
            const std::size_t kept = lengthOf(u) - 12;
            if (pos + kept <= end && std::equal(kUnits[u], kUnits[u] + kept,
                                                audio.begin() + static_cast<std::ptrdiff_t>(pos))) {
                found = static_cast<int>(u);
            }
        }
        ASSERT_TRUE(found >= 0 || audio[pos] == 128)
            << GetParam().what << ": no cut unit at sample " << pos;
        if (previous >= 0) {
            checkJoin(found);
        }
        previous = found;
        pos += found < 0 ? 1 : lengthOf(static_cast<std::uint32_t>(found)) - 12;
    }
    if (previous >= 0) {
        checkJoin(-1);
    }
    EXPECT_GT(joins, 3) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Prosody, QuestionJoins, testing::Values(
    QuestionCase{"a vowel last", u"мама мыла раму?"},
    QuestionCase{"one word", u"да?"},
    QuestionCase{"closures inside the word", u"кто это?"},
    QuestionCase{"a consonant last", u"ты здесь?"}));

std::u16string longText(int words) {
    std::u16string text;
    for (int i = 0; i < words; ++i) {
        text += u"мама мыла раму, ";
    }
    return text;
}

TEST(TembraStreaming, ChunksOf4096Bytes) {
    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    module.Speak(longText(20));
    ASSERT_GT(sink.blocks.size(), 2u);
    for (std::size_t i = 0; i + 1 < sink.blocks.size(); ++i) {
        EXPECT_EQ(sink.blocks[i].size(), TembraModule::kChunkBytes);
    }
    EXPECT_LE(sink.blocks.back().size(), TembraModule::kChunkBytes);
}

TEST(TembraStreaming, StopEndsBeforeTheNextChunk) {
    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    sink.onCall = [&module](std::size_t call) {
        if (call == 2) {
            module.Stop();
        }
    };
    module.Speak(longText(20));
    EXPECT_EQ(sink.blocks.size(), 2u);

    sink = {};
    module.Speak(u"да");
    EXPECT_FALSE(sink.audio.empty()); // the next portion starts afresh
}

TEST(TembraStreaming, TheSinkCanEndAPortion) {
    TembraModule module;
    test::RecordingSink sink;
    sink.stopAfter = 1;
    module.SetSink(&sink);
    EXPECT_TRUE(module.Speak(longText(20)));
    EXPECT_EQ(sink.blocks.size(), 1u);
}

TEST(TembraStreaming, AFullLastChunkStillFlushesTheFilter) {
    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    module.ReadSetting(u"word_pause", u"1024");
    module.SetRate(100);
    module.Speak(std::u16string(40, u' ')); // exactly ten chunks of silence
    EXPECT_NEAR(static_cast<double>(sink.audio.size()), 40 * 1024 / 1.4, 40 * 1024 * 0.02);
}

TEST(TembraConversion, WidensOrConvertsTheSamples) {
    const std::u16string text = u"мама";
    TembraModule plain;
    test::RecordingSink plainSink;
    plain.SetSink(&plainSink);
    plain.Speak(text);

    TembraModule widened;
    test::RecordingSink widenedSink;
    widened.ReadSetting(u"convert", u"vxtts");
    widened.SetSink(&widenedSink);
    widened.Speak(text);
    std::vector<std::int16_t> expected(plainSink.audio.size());
    WidenTo16(plainSink.audio.data(), expected.data(), static_cast<std::uint32_t>(expected.size()));
    ASSERT_EQ(widenedSink.audio.size(), 2 * expected.size());
    EXPECT_EQ(std::memcmp(widenedSink.audio.data(), expected.data(), widenedSink.audio.size()), 0);
    WAVEFORMATEX format{};
    widened.GetOutputFormat(&format);
    EXPECT_EQ(format.wBitsPerSample, 16);

    TembraModule converted;
    test::RecordingSink convertedSink;
    converted.ReadSetting(u"output_format", u"11025,1,16");
    converted.SetSink(&convertedSink);
    converted.Speak(text);
    EXPECT_NEAR(static_cast<double>(convertedSink.audio.size()), static_cast<double>(plainSink.audio.size()), 8.0);
}

// Converted chunk by chunk, a portion is what it is converted whole: a resampler restarted at
// every chunk would leave a tick at each join.
TEST(TembraConversion, ChunksOfAPortionAreOneStream) {
    const std::u16string text = longText(6);
    TembraModule plain;
    test::RecordingSink plainSink;
    plain.SetSink(&plainSink);
    plain.Speak(text);
    ASSERT_GT(plainSink.blocks.size(), 3u);

    TembraModule converted;
    test::RecordingSink convertedSink;
    converted.ReadSetting(u"output_format", u"44100,1,16");
    converted.SetSink(&convertedSink);
    converted.Speak(text);

    WAVEFORMATEX from{};
    WAVEFORMATEX to{};
    plain.GetOutputFormat(&from);
    converted.GetOutputFormat(&to);
    std::vector<unsigned char> whole;
    ASSERT_TRUE(ConvertAudio(plainSink.audio.data(), static_cast<std::uint32_t>(plainSink.audio.size()), &whole, &from, &to));
    ASSERT_EQ(convertedSink.audio.size(), whole.size());
    int largest = 0;
    for (std::size_t i = 0; i + 1 < whole.size(); i += 2) {
        const auto a = static_cast<std::int16_t>(whole[i] | (whole[i + 1] << 8));
        const auto b = static_cast<std::int16_t>(convertedSink.audio[i] | (convertedSink.audio[i + 1] << 8));
        largest = std::max(largest, std::abs(a - b));
    }
    EXPECT_LE(largest, 4);
}

// Configuration values that once reached sonic as a speed of zero or less, or as a rate it
// divides by, and crashed the host: the voice speaks, at a speed the filter can take.
struct TempoCase {
    std::u16string key;
    std::u16string value;
    std::int32_t rate;
    double length; // the audio's length relative to the normal rate's
};

void PrintTo(const TempoCase& c, std::ostream* os) { *os << std::string(c.key.begin(), c.key.end()); }

class TembraTempo : public testing::TestWithParam<TempoCase> {};

TEST_P(TembraTempo, UnusableValuesNeverReachTheFilter) {
    const test::LogTail log;
    Log::Open(u"vxtts.log");
    TembraModule normal;
    test::RecordingSink normalSink;
    normal.SetSink(&normalSink);
    normal.Speak(u"мама мыла раму");

    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    module.ReadSetting(GetParam().key, GetParam().value);
    module.SetRate(GetParam().rate);
    module.Speak(u"мама мыла раму");
    EXPECT_NEAR(static_cast<double>(sink.audio.size()) / static_cast<double>(normalSink.audio.size()),
                GetParam().length, 0.1 * GetParam().length);
    EXPECT_NE(log.text().find(GetParam().key), std::u16string::npos) << "no log line names the key";
}

INSTANTIATE_TEST_SUITE_P(Table, TembraTempo, testing::Values(
    TempoCase{u"sonic.tempo_gain", u"200", 0, 1 / TempoPitchFilter::kMinSpeed},
    TempoCase{u"sonic.tempo_gain", u"250", 0, 1 / TempoPitchFilter::kMinSpeed},
    TempoCase{u"speed_limit", u"-75", 50, 1 / TempoPitchFilter::kMinSpeed},
    TempoCase{u"speed_limit", u"-100", 50, 1 / TempoPitchFilter::kMinSpeed},
    TempoCase{u"sonic.freq", u"0", 75, 1 / 1.2},
    TempoCase{u"sonic.freq", u"10", 75, 1 / 1.2},
    TempoCase{u"sonic.freq", u"-5", 75, 1 / 1.2},
    TempoCase{u"sonic.freq", u"2000000", 75, 1 / 1.2}));

TEST(TembraSettings, DefaultsAndRanges) {
    TembraModule module;
    EXPECT_EQ(module.settings().wordPause.value, 800u);
    EXPECT_EQ(module.settings().phonemePause.value, 100u);
    EXPECT_EQ(module.settings().rate, 50);
    module.ReadSetting(u"word_pause", u"199");
    module.ReadSetting(u"phoneme_pause", u"1001");
    EXPECT_EQ(module.settings().wordPause.value, 800u);
    EXPECT_EQ(module.settings().phonemePause.value, 100u);
    EXPECT_TRUE(module.ReadSetting(u"adjust_duration", u"Yes"));
    WAVEFORMATEX format{};
    module.GetOutputFormat(&format);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);
    EXPECT_EQ(format.wBitsPerSample, 8);
}

TEST(TembraVolume, SilentAtZero) {
    TembraModule module;
    test::RecordingSink sink;
    module.SetSink(&sink);
    module.SetVolume(0);
    module.Speak(u"мама");
    ASSERT_FALSE(sink.audio.empty());
    EXPECT_EQ(std::count(sink.audio.begin(), sink.audio.end(), 128), static_cast<std::ptrdiff_t>(sink.audio.size()));
}

} // namespace
} // namespace vx
