// The reading stage on 512-character portions (the pipeline's default portion) of everyday and
// of plain Russian text, and loading the shipped configuration with its reading rules, which is
// what creating an engine object costs besides COM.

#include "engine/ModuleFactory.h"
#include "engine/VoicesConf.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/LangsConf.h"
#include "text/TextReader.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

namespace vx::bench {
namespace {

std::u16string programFolder() { return platform::parentFolder(fromUtf8(VX_PROGRAM_DATA_DIR)); }

constexpr std::u16string_view kEveryday =
    u"В 2025 г. население города выросло на 3,5% и достигло 21 000 человек, т. е. на 1 500 больше, "
    u"чем в 1990-х годах. Билет стоит 1 200 руб., а 7 декабря 2026 г. цена вырастет до $15. "
    u"Приём с 9:00 до 18:00 на 2-м этаже, ул. Ленина, д. 5, тел. +7 495 123-45-67, "
    u"e-mail info@example.ru. Температура −5 °C, ветер 10 м/с, за 2 дня выпало 15 мм осадков. "
    u"Президент США и глава МГУ обсудили XIX век и т. д. Я прочитал 21 книгу и 2 статьи за 3 недели, "
    u"см. рис. 5 на стр. 12; счёт 3:1, скорость 60 км/ч, площадь 20 м², вес 2,5 кг.";

std::u16string portionOf(std::u16string_view text) {
    std::u16string portion;
    while (portion.size() < 512) {
        portion += text;
        portion += u' ';
    }
    return portion.substr(0, 512);
}

std::u16string prose() {
    std::ifstream file(std::string(VX_BENCH_DATA_DIR) + "/prose_ru.txt", std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return fromUtf8(bytes.str());
}

// The shipped Russian voice's languages: Russian, then English.
const std::vector<const Language*>& shippedLanguages() {
    static LangsConf langs;
    static const std::vector<const Language*> languages = [] {
        langs.load(u"", {programFolder()});
        return std::vector<const Language*>{langs.get(u"ru"), langs.get(u"en")};
    }();
    return languages;
}

void readPortion(benchmark::State& state, const std::u16string& portion) {
    if (!shippedLanguages()[0]) {
        state.SkipWithError("no shipped langs.conf");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(readText(portion, shippedLanguages()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * portion.size() * sizeof(char16_t)));
}

void BM_ReadEverydayPortion(benchmark::State& state) { readPortion(state, portionOf(kEveryday)); }
BENCHMARK(BM_ReadEverydayPortion)->Unit(benchmark::kMicrosecond);

void BM_ReadProsePortion(benchmark::State& state) { readPortion(state, portionOf(prose())); }
BENCHMARK(BM_ReadProsePortion)->Unit(benchmark::kMicrosecond);

// Long runs of one pattern (a list of numbers, dotted letters, digit groups with hyphens) cost
// in proportion to their length: no reading looks further ahead than a bounded distance.
void BM_ReadLongRuns(benchmark::State& state) {
    std::u16string text;
    for (const std::u16string_view part : {u"1 ", u"a.", u"12-", u"XI", u"т. "}) {
        for (std::int64_t i = 0; i < state.range(0) / 10; ++i) {
            text += part;
        }
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(readText(text, shippedLanguages()));
    }
    state.SetComplexityN(static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadLongRuns)->Range(1 << 12, 1 << 16)->Complexity()->Unit(benchmark::kMillisecond);

// langs.conf with every dictionary and its reading sections, engines.conf and voices.conf.
void BM_LoadShippedConfiguration(benchmark::State& state) {
    for (auto _ : state) {
        VoicesConf voices(createModule);
        if (!voices.load(programFolder(), {programFolder()})) {
            state.SkipWithError("no shipped configuration");
            return;
        }
        benchmark::DoNotOptimize(voices.items().size());
    }
}
BENCHMARK(BM_LoadShippedConfiguration)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vx::bench
