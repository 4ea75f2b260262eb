#pragma once
// Mono PCM audio as numbers, for the tests that measure it (the Windows checks too).

#include <algorithm>
#include <cmath>
#include <cstdint>
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

template <class Samples> double rms(const Samples& samples) {
    double sum = 0;
    for (const auto v : samples) {
        sum += static_cast<double>(v) * v;
    }
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

inline int peak(const std::vector<int>& samples) {
    int loudest = 0;
    for (const int v : samples) {
        loudest = std::max(loudest, std::abs(v));
    }
    return loudest;
}

} // namespace vx::test
