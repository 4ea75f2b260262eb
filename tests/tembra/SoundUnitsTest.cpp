#include "tembra/SoundUnits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <numeric>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace vx::tembra {
namespace {

constexpr double kRate = 22050.0;
constexpr std::size_t kPeriod = 214;
constexpr std::size_t kFiveMs = 110;

// A unit's samples: the bytes before its terminating zero, as the synthesizer measures them.
std::span<const unsigned char> unit(int index) {
    const unsigned char* data = kUnits[index];
    return {data, std::strlen(reinterpret_cast<const char*>(data))};
}

std::vector<double> centred(std::span<const unsigned char> samples) {
    std::vector<double> x;
    for (unsigned char v : samples)
        x.push_back(v - 128.0);
    return x;
}

double rms(std::span<const unsigned char> samples) {
    double sum = 0;
    for (double v : centred(samples))
        sum += v * v;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

// The samples of a unit without its first and last 5 ms, where fades make it unlike itself.
std::span<const unsigned char> interior(int index) {
    const auto all = unit(index);
    return all.subspan(kFiveMs, all.size() - 2 * kFiveMs);
}

// Normalized autocorrelation at lag: near 1 for a wave that repeats every lag samples, near 0
// for noise.
double autocorrelation(std::span<const unsigned char> samples, std::size_t lag) {
    const auto x = centred(samples);
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i + lag < x.size(); ++i) {
        xy += x[i] * x[i + lag];
        xx += x[i] * x[i];
        yy += x[i + lag] * x[i + lag];
    }
    return xy / std::sqrt(xx * yy);
}

// Power-weighted mean frequency of the unit's spectrum (a plain DFT).
double spectralCentre(std::span<const unsigned char> samples) {
    const auto x = centred(samples);
    const std::size_t n = x.size();
    double weighted = 0, total = 0;
    for (std::size_t k = 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double phase =
                2.0 * std::numbers::pi * static_cast<double>(k * i % n) / static_cast<double>(n);
            re += x[i] * std::cos(phase);
            im -= x[i] * std::sin(phase);
        }
        const double power = re * re + im * im;
        weighted += power * static_cast<double>(k) * kRate / static_cast<double>(n);
        total += power;
    }
    return weighted / total;
}

// Every table row names what it holds; gtest prints that name for a failing row.
template <class Row>
requires requires(const Row& r) {
    r.name;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

std::vector<int> range(int first, int count) {
    std::vector<int> out(static_cast<std::size_t>(count));
    std::iota(out.begin(), out.end(), first);
    return out;
}

// ---------------------------------------------------------------------------------------------
// The table's layout: group bases and unit lengths, as the letter rules and timing expect.

struct Group {
    std::string name;
    int base;
    std::vector<std::size_t> lengths;
};

// clang-format off
const std::vector<Group> kGroups = {
    {"а", 0,
     {213, 214, 213, 208, 213, 213, 174, 175, 214, 214, 214, 214, 213, 212, 214, 213, 214}},
    {"о", 17,
     {214, 213, 212, 213, 213, 212, 170, 180, 213, 213, 214, 213, 214, 213, 213, 214, 213}},
    {"у", 34,
     {213, 214, 213, 214, 214, 213, 178, 165, 214, 214, 214, 214, 214, 213, 211, 214, 214}},
    {"ы", 51,
     {213, 214, 212, 213, 214, 214, 157, 177, 214, 214, 214, 213, 212, 212, 214, 214, 214}},
    {"э", 68,
     {212, 214, 213, 214, 214, 213, 144, 160, 213, 214, 214, 214, 213, 213, 214, 214, 214}},
    {"я", 85, {214, 214, 213, 214, 214, 213}},
    {"ё", 91, {213, 211, 214, 213, 212, 213}},
    {"ю", 97, {214, 214, 214, 214, 214, 211}},
    {"и", 103,
     {214, 214, 214, 214, 214, 214, 133, 115, 212, 214, 214, 214, 213, 212, 213, 214, 214}},
    {"е", 120, {213, 213, 213, 212, 127, 128, 214, 214, 214, 214, 214, 213, 213, 214, 214}},
    {"м", 135, {216, 213}},
    {"б", 137, {212, 418, 394, 409, 210, 485}},
    {"п", 143, {452, 424, 642, 526}},
    {"в", 147, {800, 1019}},
    {"ф", 149, {978, 1022}},
    {"н", 151, {213, 213}},
    {"д", 153, {213, 336, 329, 317, 211, 987}},
    {"т", 159, {497, 482, 511, 1067}},
    {"ж", 163, {933}},
    {"ш", 164, {876}},
    {"з", 165, {758, 795}},
    {"с", 167, {813, 818}},
    {"р", 169, {1090, 1090}},
    {"ц", 171, {1107}},
    {"ч", 172, {1112}},
    {"щ", 173, {1206}},
    {"г", 174, {212, 682, 541, 573, 208, 698}},
    {"к", 180, {998, 800, 853, 910}},
    {"х", 184, {1022, 1014, 1022, 1236}},
    {"й", 188, {212, 214}},
    {"л", 190, {214, 214}},
};
// clang-format on

TEST(SoundUnits, GroupsFollowEachOtherAndFillTheTable) {
    int next = 0;
    std::size_t samples = 0;
    for (const Group& g : kGroups) {
        EXPECT_EQ(g.base, next) << g.name;
        next += static_cast<int>(g.lengths.size());
        samples += std::accumulate(g.lengths.begin(), g.lengths.end(), std::size_t{0});
    }
    EXPECT_EQ(next, kUnitCount);
    EXPECT_EQ(samples, 64018u);
}

class GroupLengths : public testing::TestWithParam<Group> {};

// A stray zero byte inside a unit would end it early and show here as a short unit.
TEST_P(GroupLengths, EveryUnitHasItsListedLength) {
    const Group& g = GetParam();
    for (std::size_t i = 0; i < g.lengths.size(); ++i) {
        const int index = g.base + static_cast<int>(i);
        ASSERT_NE(kUnits[index], nullptr) << index;
        EXPECT_EQ(unit(index).size(), g.lengths[i]) << g.name << " unit " << index;
    }
}

INSTANTIATE_TEST_SUITE_P(SoundUnits, GroupLengths, testing::ValuesIn(kGroups));

// ---------------------------------------------------------------------------------------------
// Joins between the periods of a vowel.

// A vowel's steady periods, and every unit that may follow one of them without silence (in the
// last word before a comma the gap is 0): the rest of its group, and for я ё ю the endings and
// codas of а о у.
struct Family {
    std::string name;
    std::vector<int> steady;
    std::vector<int> followers;
};

std::vector<int> iotatedFollowers(int base, int plain) {
    std::vector<int> out = range(base, 6);
    for (int offset : {3, 4, 6, 7, 9, 10, 12, 13, 15, 16})
        out.push_back(plain + offset);
    return out;
}

// clang-format off
const std::vector<Family> kFamilies = {
    {"а", {1, 2}, range(0, 17)},          {"о", {18, 19}, range(17, 17)},
    {"у", {35, 36}, range(34, 17)},       {"ы", {52, 53}, range(51, 17)},
    {"э", {69, 70}, range(68, 17)},       {"я", {85, 86}, iotatedFollowers(85, 0)},
    {"ё", {91, 92}, iotatedFollowers(91, 17)}, {"ю", {97, 98}, iotatedFollowers(97, 34)},
    {"и", {104, 105}, range(103, 17)},    {"е", {120, 121, 122}, range(120, 15)},
};
// clang-format on

class VowelJoins : public testing::TestWithParam<Family> {};

// The ordinary step is the largest difference between neighbouring samples inside the vowel's
// steady periods; no join of a steady period to a follower may be steeper.
TEST_P(VowelJoins, NoJoinIsSteeperThanTheSteadyWave) {
    const Family& f = GetParam();
    int ordinary = 0;
    for (int s : f.steady) {
        const auto samples = unit(s);
        for (std::size_t i = 1; i < samples.size(); ++i)
            ordinary = std::max(ordinary, std::abs(samples[i] - samples[i - 1]));
    }
    for (int s : f.steady) {
        for (int next : f.followers) {
            const int step = std::abs(unit(next).front() - unit(s).back());
            EXPECT_LE(step, ordinary) << f.name << ": " << s << " then " << next;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SoundUnits, VowelJoins, testing::ValuesIn(kFamilies));

// ---------------------------------------------------------------------------------------------
// Measures of single units and the range each class keeps them in.

// clang-format off
// The measures of a unit that the table below bounds.
double lowest(int u) { return *std::ranges::min_element(unit(u)); }
double highest(int u) { return *std::ranges::max_element(unit(u)); }
double length(int u) { return static_cast<double>(unit(u).size()); }
double first(int u) { return unit(u).front(); }
double last(int u) { return unit(u).back(); }
double mean(int u) { return std::accumulate(unit(u).begin(), unit(u).end(), 0.0) / length(u); }
double levelDb(int u) { return 20.0 * std::log10(rms(unit(u)) / rms(unit(1))); }  // re steady а
double periodicity(int u) { return autocorrelation(interior(u), kPeriod); }
double trillCycle(int u) { return autocorrelation(interior(u), 3 * kPeriod); }
double centreHz(int u) { return spectralCentre(interior(u)); }
// clang-format on

struct Bounds {
    std::string name;
    std::vector<int> units;
    double (*measure)(int unit);
    double low, high;
};

class UnitMeasure : public testing::TestWithParam<Bounds> {};

TEST_P(UnitMeasure, StaysInItsRange) {
    const Bounds& b = GetParam();
    for (int u : b.units) {
        const double value = b.measure(u);
        EXPECT_GE(value, b.low) << b.name << ", unit " << u;
        EXPECT_LE(value, b.high) << b.name << ", unit " << u;
    }
}

const std::vector<int> kAll = range(0, kUnitCount);

// clang-format off
INSTANTIATE_TEST_SUITE_P(SoundUnits, UnitMeasure, testing::Values(
    // The shortest unit (115) outlasts the 12 samples cut from each unit of a question.
    Bounds{"length", kAll, length, 115, 1236},
    // The stored byte range (which keeps 0 out), no DC.
    Bounds{"lowest byte", kAll, lowest, 43, 243},
    Bounds{"highest byte", kAll, highest, 43, 243},
    Bounds{"mean", kAll, mean, 127, 129},
    // Silence (128) surrounds the units: an edge within 6 of it steps no more than the wave
    // does near a zero crossing.
    Bounds{"first sample", kAll, first, 122, 134},
    Bounds{"last sample", kAll, last, 122, 134},
    // Voiced fricatives repeat with the pitch period; р with its trill cycle of two open periods
    // and a weak closed one, so not period by period; voiceless noise does not repeat at all.
    Bounds{"periodicity of в з ж", {147, 148, 163, 165, 166}, periodicity, 0.9, 1.0},
    Bounds{"trill cycle of р", {169, 170}, trillCycle, 0.9, 1.0},
    Bounds{"periodicity of р", {169, 170}, periodicity, -1.0, 0.8},
    Bounds{"periodicity of с ш щ ф х", {149, 150, 164, 167, 168, 173, 184, 185, 186, 187},
           periodicity, -0.5, 0.5},
    // с is a high hiss above 6 kHz; ш and щ are lower; х before a hard vowel is low and back.
    Bounds{"noise centre of с", {167, 168}, centreHz, 6000, 11025},
    Bounds{"noise centre of ш щ", {164, 173}, centreHz, 2500, 4500},
    Bounds{"noise centre of х", {184, 185, 186}, centreHz, 500, 2000},
    // dB relative to a steady а; eight bits hold about 48 dB, so nothing sinks below -30 dB.
    Bounds{"level", kAll, levelDb, -30, 1},
    Bounds{"level of steady vowels", {1, 2, 18, 19, 35, 36, 52, 53, 69, 70, 104, 105, 120, 121},
           levelDb, -6, 1},
    Bounds{"level of the voice bars of б д г", {137, 141, 153, 157, 174, 178}, levelDb, -13, -7},
    Bounds{"level of с", {167, 168}, levelDb, -13, -7},
    Bounds{"level of ф", {149, 150}, levelDb, -20, -14}));
// clang-format on

} // namespace
} // namespace vx::tembra
