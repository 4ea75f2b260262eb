#include "modules/EspeakModule.h"

#include "platform/Utf.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/Samples.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vx {
namespace {

// The system's eSpeak NG, as engines.conf names it: the folder of the library and its data.
std::unique_ptr<EspeakModule> espeak(std::u16string voice, const std::u16string& library = u"libespeak-ng.so.1") {
    auto module = std::make_unique<EspeakModule>();
    module->ReadSetting(u"path", fromUtf8(VX_ESPEAK_FOLDER));
    module->ReadSetting(u"module", library);
    module->ReadSetting(u"subname", voice);
    module->SetRate(50);
    return module;
}

const std::u16string kRussian = u"съешь же ещё этих мягких французских булок, да выпей чаю";

// Rate, voice and format as the library hears them: the speech lasts as the rate says (rate 0
// is eSpeak's 80 words a minute, 50 its 125 and 100 its 250, though it speaks no faster than
// about 220), a converted portion keeps its length in the new format, and word events come with
// the audio.
TEST(Espeak, SpeaksTheVoiceAtTheRateInTheFormat) {
    const struct {
        std::u16string voice, text;
        std::int32_t rate;
        std::u16string format; // "output_format" in conversion mode "acm"; empty: the library's own
        double length;         // relative to the first row's
    } rows[] = {
        {u"ru", kRussian, 50, u"", 1.0},       {u"ru", kRussian, 0, u"", 1.33},
        {u"ru", kRussian, 100, u"", 0.58},     {u"ru", kRussian, 50, u"16000,1,16", 1.0},
        {u"en", u"the quick brown fox jumps over the lazy dog", 50, u"", 0.74},
    };
    double first = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(toUtf8(row.voice + u" rate " + fromUtf8(std::to_string(row.rate)) + u" " + row.format));
        const auto module = espeak(row.voice);
        module->SetRate(row.rate);
        if (!row.format.empty()) {
            module->ReadSetting(u"convert", u"acm");
            module->ReadSetting(u"output_format", row.format);
        }
        WAVEFORMATEX format{};
        module->GetOutputFormat(&format);
        const test::RecordingSink sink = test::spoken(*module, row.text);
        const double seconds = static_cast<double>(sink.audio.size()) / format.nAvgBytesPerSec;
        first = first == 0 ? seconds : first;
        EXPECT_EQ(format.nSamplesPerSec, row.format.empty() ? 22050u : 16000u);
        EXPECT_NEAR(seconds / first, row.length, 0.1);
        EXPECT_GT(test::peak(test::decoded(sink.audio, 16)), 3000);
        EXPECT_TRUE(std::ranges::any_of(sink.marks, [&row](const SentenceMark& mark) {
            return mark.kind == 1 && mark.second > 0 && mark.second <= row.text.size();
        }));
    }
}

// The sink's "stop" ends the synthesis at once; the next portion speaks whole.
TEST(Espeak, TheSinksStopEndsThePortion) {
    const auto module = espeak(u"ru");
    test::RecordingSink stopping;
    stopping.stopAfter = 1;
    EXPECT_EQ(test::spoken(*module, kRussian, stopping).blocks.size(), 1u);
    EXPECT_GT(test::spoken(*module, kRussian).blocks.size(), 3u);
}

// The library holds one synthesizer per process, which outlives its instances: each instance
// speaks its own voice whichever spoke before it (English spells "да" out, at more than twice
// the length), and a new one still speaks its own.
TEST(Espeak, InstancesShareTheSynthesizerEachWithItsVoice) {
    const auto length = [](EspeakModule& module) { return test::spoken(module, u"да").audio.size(); };
    auto russian = espeak(u"ru");
    const auto english = espeak(u"en");
    for (int round = 0; round < 2; ++round) {
        EXPECT_LT(2 * length(*russian), length(*english));
        EXPECT_GT(length(*english), 2 * length(*russian));
    }
    russian.reset();
    EXPECT_LT(2 * length(*espeak(u"ru")), length(*english));
}

// Without its library the module fails every portion, and has nothing to stop.
TEST(Espeak, AMissingLibraryFailsEveryPortion) {
    const auto module = espeak(u"ru", u"libespeak-missing.so");
    test::RecordingSink sink;
    module->SetSink(&sink);
    EXPECT_FALSE(module->Speak(u"да") || module->Speak(u"да") || module->Stop());
    EXPECT_TRUE(sink.blocks.empty());
}

} // namespace
} // namespace vx
