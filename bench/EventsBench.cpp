// How close word marks come to where their words' sound begins, for the built-in voice (which
// knows) and eSpeak NG (from its word events). A word's real start is taken as the first sound
// in the sentence's audio after the sound of the text before it, spoken alone, has ended; the
// counters give the mean and largest difference in milliseconds. The time measured is that of
// speaking the sentence with marks.

#include "modules/EspeakModule.h"
#include "platform/Utf.h"
#include "tembra/TembraModule.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vx::bench {
namespace {

constexpr std::u16string_view kSentence = u"мама мыла раму а папа читал газету за столом у окна";

class Recorder final : public EngineSink {
public:
    std::int32_t OnAudio(const void* data, std::uint32_t bytes, const SentenceMark* mark) override {
        if (mark && mark->kind == SentenceMark::kWord) marks.emplace_back(mark->second, audio.size());
        const auto* begin = static_cast<const unsigned char*>(data);
        audio.insert(audio.end(), begin, begin + (data ? bytes : 0));
        return 0;
    }
    std::vector<std::pair<std::uint32_t, std::size_t>> marks; // word offset, audio bytes before it
    std::vector<unsigned char> audio;
};

constexpr int kFloor = 200; // quieter 16-bit samples count as silence

bool loud(const std::vector<unsigned char>& audio, std::size_t sample) {
    return std::abs(static_cast<std::int16_t>(audio[2 * sample] | (audio[2 * sample + 1] << 8))) > kFloor;
}

// Bytes of 16-bit audio up to its last loud sample.
std::size_t soundLength(const std::vector<unsigned char>& audio) {
    std::size_t end = audio.size() / 2;
    while (end > 0 && !loud(audio, end - 1)) --end;
    return 2 * end;
}

// The byte of the first loud sample at or after from.
std::size_t onsetFrom(const std::vector<unsigned char>& audio, std::size_t from) {
    std::size_t sample = from / 2;
    while (sample < audio.size() / 2 && !loud(audio, sample)) ++sample;
    return 2 * sample;
}

Recorder spoken(SpeechModule& module, std::u16string_view text, bool marks) {
    Recorder recorder;
    module.SetSink(&recorder);
    module.SetWordMarks(marks);
    module.Speak(std::u16string(text));
    return recorder;
}

void measure(benchmark::State& state, SpeechModule& module) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(spoken(module, kSentence, true).audio.size());
    }
    const Recorder whole = spoken(module, kSentence, true);
    WAVEFORMATEX format{};
    module.GetOutputFormat(&format);
    double total = 0, largest = 0;
    std::size_t counted = 0;
    for (const auto& [offset, before] : whole.marks) {
        if (offset == 0) continue;
        const std::size_t real = onsetFrom(whole.audio, soundLength(spoken(module, kSentence.substr(0, offset), false).audio));
        const double error = std::abs(static_cast<double>(before) - static_cast<double>(real)) * 1000.0 /
                             format.nAvgBytesPerSec;
        total += error;
        largest = std::max(largest, error);
        ++counted;
    }
    state.counters["words"] = static_cast<double>(whole.marks.size());
    state.counters["mean_error_ms"] = counted ? total / static_cast<double>(counted) : 0;
    state.counters["max_error_ms"] = largest;
}

void BM_WordMarksBuiltIn(benchmark::State& state) {
    TembraModule module;
    module.SetConversion(u"vxtts");
    measure(state, module);
}
BENCHMARK(BM_WordMarksBuiltIn)->Unit(benchmark::kMillisecond);

void BM_WordMarksEspeak(benchmark::State& state) {
    EspeakModule module;
    module.ReadSetting(u"path", fromUtf8(VX_ESPEAK_FOLDER));
    module.ReadSetting(u"module", u"libespeak-ng.so.1");
    module.ReadSetting(u"subname", u"ru");
    if (!module.Load()) {
        state.SkipWithError("no eSpeak NG library");
        return;
    }
    measure(state, module);
}
BENCHMARK(BM_WordMarksEspeak)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vx::bench
