// Reading numbers and spelling a sentence with the Russian sample dictionary.

#include "bench/BenchData.h"

#include <benchmark/benchmark.h>

namespace vx::bench {
namespace {

struct Russian {
    Language language{u"ru"};
    Russian() { loadSample(language); }
};

const Language& russian() {
    static const Russian instance;
    return instance.language;
}

// state.range(0) digits: 1 and 4 (single words, a year), 7 (millions), 12 (the longest number
// read whole), 20 (read group by group).
void BM_NumberToWords(benchmark::State& state) {
    constexpr std::u16string_view kDigits = u"98765432109876543210";
    const std::u16string_view digits = kDigits.substr(0, static_cast<std::size_t>(state.range(0)));
    const Language& language = russian();
    for (auto _ : state) {
        benchmark::DoNotOptimize(language.numberToWords(digits));
    }
}
BENCHMARK(BM_NumberToWords)->Arg(1)->Arg(4)->Arg(7)->Arg(12)->Arg(20);

constexpr std::u16string_view kSentence =
    u"в 2024 г. ооо «рога и копыта» заработало 5% (ок. $3 млн) — см. сайт & т.д., тел. +7 495 "
    u"123-45-67 # 1; итого: 100 кг, 20 км, мрт и кт по 50%.";

void BM_SpellAbbreviations(benchmark::State& state) {
    const Language& language = russian();
    for (auto _ : state) {
        benchmark::DoNotOptimize(language.spellAbbreviations(kSentence));
    }
}
BENCHMARK(BM_SpellAbbreviations);

void BM_SpellSymbols(benchmark::State& state) {
    const Language& language = russian();
    for (auto _ : state) {
        benchmark::DoNotOptimize(language.spellSymbols(kSentence, Punctuation::All));
    }
}
BENCHMARK(BM_SpellSymbols);

} // namespace
} // namespace vx::bench
