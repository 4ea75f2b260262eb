#pragma once
// Test signals and their measurement.

#include "platform/WaveFormat.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace vx::test {

inline WAVEFORMATEX pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// A sine of 16-bit little-endian mono samples.
inline std::vector<unsigned char> sine16(double hz, double rate, std::size_t samples, double amplitude) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * hz * i / rate)));
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    }
    return bytes;
}

inline std::vector<double> samples16(const std::vector<unsigned char>& bytes) {
    std::vector<double> s;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        s.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)) / 32768.0);
    }
    return s;
}

inline double rms16(const std::vector<unsigned char>& bytes) {
    const std::vector<double> s = samples16(bytes);
    double sum = 0;
    for (const double v : s) {
        sum += v * v;
    }
    return s.empty() ? 0 : std::sqrt(sum / static_cast<double>(s.size()));
}

// The frequency of a clean tone from its upward zero crossings, interpolated between samples.
inline double frequency16(const std::vector<unsigned char>& bytes, double rate) {
    const std::vector<double> s = samples16(bytes);
    double first = -1;
    double last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
            if (first < 0) {
                first = at;
            } else {
                ++crossings;
            }
            last = at;
        }
    }
    return crossings == 0 ? 0 : crossings * rate / (last - first);
}

} // namespace vx::test
