// The built-in voice speaking a whole Russian story (bench/data/prose_ru.txt, about 10,000
// characters), lowered as the engine lowers it and cut after every . ! ? into portions, which are
// spoken one after another, as the engine hands them over. Rate 50 keeps the speed (the tempo
// filter passes the audio through); rate 100 speeds it up through the filter.
//
// Counters: audio_s, the seconds of audio one pass over the text gives (22050 one-byte samples a
// second); rtf, the real-time factor, the wall time of a pass divided by audio_s.
//
// The stress dictionary: loading the shipped Russian stress file, and looking up the stress of
// every word of the same story.

#include "config/TextUtil.h"
#include "modules/EngineSink.h"
#include "platform/Utf.h"
#include "tembra/StressDictionary.h"
#include "tembra/TembraModule.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef VX_BENCH_DATA_DIR
#error "VX_BENCH_DATA_DIR must name the folder of the benchmark data (bench/CMakeLists.txt)"
#endif
#ifndef VX_PROGRAM_DATA_DIR
#error "VX_PROGRAM_DATA_DIR must name the program's data folder (bench/CMakeLists.txt)"
#endif

namespace vx::bench {
namespace {

constexpr double kOutputBytesPerSecond = 22050.0; // 22050 Hz, 8-bit mono

const std::string kProsePath = std::string(VX_BENCH_DATA_DIR) + "/prose_ru.txt";
const std::string kRussianStressPath = std::string(VX_PROGRAM_DATA_DIR) + "/ru_stress.txt";

// Takes the audio and only counts it.
class CountingSink final : public EngineSink {
public:
    std::int32_t OnAudio(const void* /*data*/, std::uint32_t byteCount, const SentenceMark* /*mark*/) override {
        bytes += byteCount;
        return 0;
    }

    std::uint64_t bytes = 0;
};

struct Prose {
    std::vector<std::u16string> portions; // empty when the file cannot be read
    std::size_t characters = 0;           // in all portions
};

// The file lowered (А-Я with Ё), cut after every . ! ?, each piece with its runs of white space
// (line breaks included) made one space and trimmed; blank pieces are dropped.
Prose loadProse() {
    Prose prose;
    std::ifstream file(kProsePath, std::ios::binary);
    if (!file) {
        return prose;
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::u16string text = TextUtil::lowerCyrillicLatin(fromUtf8(bytes));
    std::vector<std::u16string> pieces;
    TextUtil::split(text, u".!?", pieces, 0, true);
    for (const std::u16string& piece : pieces) {
        std::u16string portion = TextUtil::trim(TextUtil::collapseSpaces(piece));
        if (!portion.empty()) {
            prose.characters += portion.size();
            prose.portions.push_back(std::move(portion));
        }
    }
    return prose;
}

const Prose& prose() {
    static const Prose instance = loadProse();
    return instance;
}

// state.range(0): the rate; state.range(1): 1 for the natural pace with the shipped stress file.
void BM_TembraSpeakProse(benchmark::State& state) {
    const Prose& text = prose();
    if (text.portions.empty()) {
        state.SkipWithError(("cannot read " + kProsePath).c_str());
        return;
    }
    TembraModule module;
    CountingSink sink;
    module.SetSink(&sink);
    // As the shipped engines.conf sets up the built-in voice: sonic's quality 1 searches pitch
    // periods at the full sample rate, 0 first at 4 kHz, nearly as well and several times faster.
    module.ReadSetting(u"sonic.quality", u"0");
    if (state.range(1) != 0) {
        module.SetDataFolder(fromUtf8(VX_PROGRAM_DATA_DIR));
        module.ReadSetting(u"prosody", u"natural");
        module.ReadSetting(u"stress", u"ru_stress.txt");
    }
    module.Load();
    module.SetRate(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        for (const std::u16string& portion : text.portions) {
            module.Speak(portion);
        }
    }
    // Over all iterations: the rate flag divides by the measured (wall) time of all of them and
    // the inversion turns audio per second of work into work per second of audio.
    const double audioSeconds = static_cast<double>(sink.bytes) / kOutputBytesPerSecond;
    state.counters["audio_s"] = benchmark::Counter(audioSeconds, benchmark::Counter::kAvgIterations);
    state.counters["rtf"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["portions"] = static_cast<double>(text.portions.size());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.characters));
}
BENCHMARK(BM_TembraSpeakProse)
    ->ArgNames({"rate", "natural"})
    ->ArgsProduct({{50, 100}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_StressLoad(benchmark::State& state) {
    const std::u16string path = fromUtf8(kRussianStressPath);
    for (auto _ : state) {
        tembra::StressDictionary dictionary;
        if (!dictionary.load(path)) {
            state.SkipWithError(("cannot read " + kRussianStressPath).c_str());
            return;
        }
        benchmark::DoNotOptimize(dictionary);
    }
}
BENCHMARK(BM_StressLoad)->Unit(benchmark::kMillisecond);

// The runs of letters а-я ё of the story's portions, as the voice's words reach the dictionary.
std::vector<std::u16string> proseWords() {
    std::vector<std::u16string> words;
    for (const std::u16string& portion : prose().portions) {
        std::u16string word;
        for (const char16_t c : portion + u' ') {
            if ((c >= u'а' && c <= u'я') || c == u'ё') {
                word += c;
            } else if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        }
    }
    return words;
}

void BM_StressLookup(benchmark::State& state) {
    const std::vector<std::u16string> words = proseWords();
    tembra::StressDictionary dictionary;
    if (words.empty() || !dictionary.load(fromUtf8(kRussianStressPath))) {
        state.SkipWithError(("cannot read " + kProsePath + " or " + kRussianStressPath).c_str());
        return;
    }
    for (auto _ : state) {
        for (const std::u16string& word : words) {
            benchmark::DoNotOptimize(dictionary.stressedVowel(word));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(words.size()));
}
BENCHMARK(BM_StressLookup)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vx::bench
