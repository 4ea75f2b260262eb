#pragma once
// Mono PCM audio as numbers, for the tests that measure it (the Windows checks too).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

namespace vx::test {

// The samples of 8-bit (unsigned, silence at 128) or 16-bit (signed, little-endian) audio, in
// bytes of any kind, with silence at 0.
template <class Bytes> std::vector<int> decoded(const Bytes& bytes, int bits) {
    std::vector<int> out;
    const auto at = [&bytes](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(bytes[i])); };
    for (std::size_t i = 0; i + bits / 8 <= bytes.size(); i += bits / 8) {
        out.push_back(bits == 8 ? at(i) - 128 : static_cast<std::int16_t>(at(i) | at(i + 1) << 8));
    }
    return out;
}

template <class Samples> double rms(const Samples& s) {
    return std::sqrt(std::inner_product(s.begin(), s.end(), s.begin(), 0.0) / static_cast<double>(s.size()));
}

inline int peak(const std::vector<int>& samples) {
    const auto larger = [](int a, int b) { return std::max(a, b); };
    return std::transform_reduce(samples.begin(), samples.end(), 0, larger, [](int v) { return std::abs(v); });
}

} // namespace vx::test
