// PCM conversion on POSIX: sample width and channels by our own code, sample rate by libsoxr.

#include "platform/PcmLayout.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <soxr.h>

namespace vx::pcm {
namespace {

// Interleaved samples in -1..1.
std::vector<float> decode(const unsigned char* bytes, std::size_t frames, const WAVEFORMATEX& f) {
    std::vector<float> samples(frames * f.nChannels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (f.wBitsPerSample == 8) {
            samples[i] = (static_cast<float>(bytes[i]) - 128.0F) / 128.0F;
        } else {
            const auto value = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            samples[i] = static_cast<float>(value) / 32768.0F;
        }
    }
    return samples;
}

std::vector<float> remix(std::vector<float> samples, int from, int to) {
    if (from == to) {
        return samples;
    }
    const std::size_t frames = samples.size() / static_cast<std::size_t>(from);
    std::vector<float> out(frames * static_cast<std::size_t>(to));
    for (std::size_t i = 0; i < frames; ++i) {
        if (to == 1) {
            out[i] = (samples[2 * i] + samples[2 * i + 1]) / 2.0F;
        } else {
            out[2 * i] = out[2 * i + 1] = samples[i];
        }
    }
    return out;
}

std::vector<float> resample(const std::vector<float>& samples, unsigned channels, double fromRate, double toRate) {
    if (fromRate == toRate || samples.empty()) {
        return samples;
    }
    const std::size_t frames = samples.size() / channels;
    const auto outFrames = static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * toRate / fromRate));
    std::vector<float> out(outFrames * channels);
    std::size_t produced = 0;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_error_t error = soxr_oneshot(fromRate, toRate, channels, samples.data(), frames, nullptr, out.data(),
                                            outFrames, &produced, &io, &quality, nullptr);
    out.resize(error ? 0 : produced * channels);
    return out;
}

void encode(const std::vector<float>& samples, const WAVEFORMATEX& f, std::vector<unsigned char>& out) {
    out.resize(samples.size() * (f.wBitsPerSample / 8U));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (f.wBitsPerSample == 8) {
            out[i] = static_cast<unsigned char>(std::clamp(std::lround(samples[i] * 128.0F) + 128, 0L, 255L));
        } else {
            const long value = std::clamp(std::lround(samples[i] * 32768.0F), -32768L, 32767L);
            out[2 * i] = static_cast<unsigned char>(value & 0xFF);
            out[2 * i + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
        }
    }
}

} // namespace

bool convertLayout(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out,
                   const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    const std::size_t frames = bytes / bytesPerFrame(from);
    const std::vector<float> mixed = remix(decode(source, frames, from), from.nChannels, to.nChannels);
    encode(resample(mixed, to.nChannels, from.nSamplesPerSec, to.nSamplesPerSec), to, out);
    return !out.empty();
}

} // namespace vx::pcm
