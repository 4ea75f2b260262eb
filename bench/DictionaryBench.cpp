// Reading a large dictionary file, and applying a large replacement dictionary to a text.

#include "bench/BenchData.h"
#include "config/ConfigParser.h"

#include <benchmark/benchmark.h>

namespace vx::bench {
namespace {

constexpr std::size_t kEntries = 10'000;
constexpr std::size_t kTextLength = 512;

// The sample dictionary (all four sections) with generated replacements after it, kEntries
// entries in all, in CRLF lines as Windows editors write them.
std::vector<unsigned char> makeDictionaryFile() {
    const auto sample = sampleBytes();
    const std::size_t sampleEntries = fuzz::loadEntries(sample.data(), sample.size()).size();
    std::u16string text(test::kRussianDictionary);
    for (const auto& [key, replacement] : makeReplacements(kEntries - sampleEntries)) {
        text += key + u" = " + replacement + u"\r\n";
    }
    return fuzz::encodeUtf16le(text);
}

void BM_LoadDictionary(benchmark::State& state) {
    const auto bytes = makeDictionaryFile();
    if (fuzz::loadEntries(bytes.data(), bytes.size()).size() != kEntries) {
        state.SkipWithError("the generated file does not hold the intended number of entries");
        return;
    }
    for (auto _ : state) {
        Language language(u"ru");
        ConfigParser::loadBytes(bytes.data(), bytes.size(), u"ru.dic", language);
        benchmark::DoNotOptimize(language);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel(std::to_string(kEntries) + " entries, " + std::to_string(bytes.size() / 1024) +
                   " KiB");
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond);

struct ReplacementCase {
    fuzz::Replacements entries = makeReplacements(kEntries);
    std::u16string text = makeText(kTextLength, entries);
    Language language{u"ru"};

    ReplacementCase() {
        for (const auto& [key, replacement] : entries) {
            language.onEntry(u"ru.dic", u"Replacements", key, replacement);
        }
    }

    // How many of the keys occur in the text, for the label: a text that held none would make a
    // fast but meaningless benchmark.
    std::string label() const {
        std::size_t found = 0;
        for (const auto& entry : entries) {
            found += text.find(entry.first) != std::u16string::npos;
        }
        return std::to_string(found) + " of " + std::to_string(entries.size()) + " keys occur";
    }
};

const ReplacementCase& replacementCase() {
    static const ReplacementCase instance;
    return instance;
}

// The matcher-driven algorithm must give exactly what applying the entries one by one gives.
bool checkExact(benchmark::State& state, const Language& language, const ReplacementCase& sample) {
    if (language.applyReplacements(sample.text) !=
        fuzz::replaceOneByOne(sample.text, sample.entries)) {
        state.SkipWithError("applyReplacements differs from applying the entries one by one");
        return false;
    }
    state.SetLabel(sample.label());
    return true;
}

void BM_ApplyReplacements(benchmark::State& state) {
    const ReplacementCase& sample = replacementCase();
    if (!checkExact(state, sample.language, sample)) {
        return; // the first call also built the index, which the loop then reuses
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(sample.language.applyReplacements(sample.text));
    }
}
BENCHMARK(BM_ApplyReplacements)->Unit(benchmark::kMicrosecond);

// The first call after a change rebuilds the index over all keys.
void BM_ApplyReplacementsAfterChange(benchmark::State& state) {
    const ReplacementCase& sample = replacementCase();
    Language language(u"ru");
    for (const auto& [key, replacement] : sample.entries) {
        language.onEntry(u"ru.dic", u"Replacements", key, replacement);
    }
    if (!checkExact(state, language, sample)) {
        return;
    }
    const auto& [key, replacement] = *sample.entries.begin();
    for (auto _ : state) {
        language.onEntry(u"ru.dic", u"Replacements", key, replacement);
        benchmark::DoNotOptimize(language.applyReplacements(sample.text));
    }
}
BENCHMARK(BM_ApplyReplacementsAfterChange)->Unit(benchmark::kMicrosecond);

// The baseline: every entry searched for in turn.
void BM_ApplyReplacementsOneByOne(benchmark::State& state) {
    const ReplacementCase& sample = replacementCase();
    for (auto _ : state) {
        benchmark::DoNotOptimize(fuzz::replaceOneByOne(sample.text, sample.entries));
    }
    state.SetLabel(sample.label());
}
BENCHMARK(BM_ApplyReplacementsOneByOne)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vx::bench
