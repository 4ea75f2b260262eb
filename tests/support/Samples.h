#pragma once
// Mono PCM audio as numbers, for the tests that measure it (the Windows checks too), and its format.

#include "platform/WaveFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <numeric>
#include <vector>

namespace vx::test {

inline WAVEFORMATEX pcm(std::uint32_t rate, std::uint16_t channels = 1, std::uint16_t bits = 16) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// The samples of 8-bit (unsigned, silence at 128) or 16-bit (signed, little-endian) audio, in
// bytes of any kind, with silence at 0.
template <class Bytes> std::vector<int> decoded(const Bytes& bytes, int bits) {
    std::vector<int> out;
    const auto at = [&bytes](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(bytes[i])); };
    for (std::size_t i = 0; i + bits / 8 <= bytes.size(); i += bits / 8)
        out.push_back(bits == 8 ? at(i) - 128 : static_cast<std::int16_t>(at(i) | at(i + 1) << 8));
    return out;
}

template <class Samples> double rms(const Samples& s) {
    return std::sqrt(std::inner_product(s.begin(), s.end(), s.begin(), 0.0) / static_cast<double>(s.size()));
}

inline int peak(const std::vector<int>& samples) {
    const auto larger = [](int a, int b) { return std::max(a, b); };
    return std::transform_reduce(samples.begin(), samples.end(), 0, larger, [](int v) { return std::abs(v); });
}

// A tone without the silence around it: from the first to the last sample beyond a sixteenth of
// full scale.
inline std::vector<int> toneOf(const std::vector<int>& samples) {
    const auto loud = [](int v) { return std::abs(v) > 2048; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    return {first, std::find_if(samples.rbegin(), std::make_reverse_iterator(first), loud).base()};
}

// The frequency of a pure tone, by its zero crossings.
inline double frequency(const std::vector<int>& tone, double rate) {
    if (tone.size() < 2) return 0;
    const int crossings = std::transform_reduce(tone.begin() + 1, tone.end(), tone.begin(), 0, std::plus<>(),
                                                [](int a, int b) { return (a < 0) != (b < 0) ? 1 : 0; });
    return crossings / 2.0 * rate / static_cast<double>(tone.size());
}

} // namespace vx::test
