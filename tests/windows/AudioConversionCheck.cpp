// ConvertAudio and AudioConverter through Windows' Audio Compression Manager, run under Wine:
// rate and width conversions keep the length and the level of a tone, and a tone converted in
// blocks through one stream has no step at the joins. (Wine's converter resamples with low
// fidelity, so lengths, levels and steps are checked, not samples.)
// Prints one line per failed check and exits 1 if any failed (a count could wrap to 0, or be
// taken for a skip code).

#include "platform/AudioConversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what, double value) {
    if (!ok) {
        std::printf("FAIL: %s (%g)\n", what, value);
        ++failures;
    }
}

WAVEFORMATEX pcm(DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// A tone at half of full scale, one second long.
std::vector<unsigned char> tone(const WAVEFORMATEX& f) {
    std::vector<unsigned char> bytes;
    for (DWORD i = 0; i < f.nSamplesPerSec; ++i) {
        const double v = 0.5 * std::sin(2 * 3.14159265358979 * 440.0 * i / f.nSamplesPerSec);
        if (f.wBitsPerSample == 8) {
            bytes.push_back(static_cast<unsigned char>(std::lround(v * 127) + 128));
        } else {
            const auto s = static_cast<short>(std::lround(v * 32767));
            bytes.push_back(static_cast<unsigned char>(s & 0xFF));
            bytes.push_back(static_cast<unsigned char>((s >> 8) & 0xFF));
        }
    }
    return bytes;
}

// The RMS level relative to full scale.
double level(const std::vector<unsigned char>& bytes, const WAVEFORMATEX& f) {
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i + f.nBlockAlign <= bytes.size(); i += f.nBlockAlign) {
        const double v = f.wBitsPerSample == 8 ? (bytes[i] - 128) / 128.0
                                               : static_cast<short>(bytes[i] | (bytes[i + 1] << 8)) / 32768.0;
        sum += v * v;
        ++count;
    }
    return count ? std::sqrt(sum / static_cast<double>(count)) : 0;
}

void convert(DWORD fromRate, WORD fromBits, DWORD toRate, WORD toBits) {
    const WAVEFORMATEX from = pcm(fromRate, fromBits);
    const WAVEFORMATEX to = pcm(toRate, toBits);
    const std::vector<unsigned char> in = tone(from);
    std::vector<unsigned char> out;
    const bool ok = vx::ConvertAudio(in.data(), static_cast<std::uint32_t>(in.size()), &out, &from, &to);
    std::printf("%lu Hz %u-bit -> %lu Hz %u-bit: %zu bytes, level %.3f\n", static_cast<unsigned long>(fromRate),
                fromBits, static_cast<unsigned long>(toRate), toBits, out.size(), level(out, to));
    check(ok, "the conversion succeeds", 0);
    const double seconds = static_cast<double>(out.size()) / to.nAvgBytesPerSec;
    check(std::fabs(seconds - 1.0) < 0.01, "one second stays one second", seconds);
    check(std::fabs(level(out, to) - level(in, from)) < 0.05, "the level stays", level(out, to));
}

// The largest difference between neighbouring 16-bit samples.
int largestStep(const std::vector<unsigned char>& bytes) {
    int largest = 0;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const int a = static_cast<short>(bytes[i - 2] | (bytes[i - 1] << 8));
        const int b = static_cast<short>(bytes[i] | (bytes[i + 1] << 8));
        largest = std::max(largest, std::abs(b - a));
    }
    return largest;
}

// The built-in voice's chunks of 4096 bytes, raised to 44100 Hz 16-bit through one stream.
void convertInBlocks() {
    const WAVEFORMATEX from = pcm(22050, 8);
    const WAVEFORMATEX to = pcm(44100, 16);
    const std::vector<unsigned char> in = tone(from);
    std::vector<unsigned char> whole;
    vx::ConvertAudio(in.data(), static_cast<std::uint32_t>(in.size()), &whole, &from, &to);
    const auto converter = vx::AudioConverter::open(from, to);
    check(converter != nullptr, "a stream opens", 0);
    if (!converter) {
        return;
    }
    std::vector<unsigned char> streamed;
    std::vector<unsigned char> block;
    for (std::size_t at = 0; at < in.size(); at += 4096) {
        const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(4096, in.size() - at));
        check(converter->convert(in.data() + at, size, block), "a block converts", static_cast<double>(at));
        streamed.insert(streamed.end(), block.begin(), block.end());
    }
    check(converter->finish(block), "the stream ends", 0);
    streamed.insert(streamed.end(), block.begin(), block.end());
    std::printf("in blocks: %zu bytes (whole: %zu), largest step %d (whole: %d)\n", streamed.size(), whole.size(),
                largestStep(streamed), largestStep(whole));
    check(std::abs(static_cast<double>(streamed.size()) - static_cast<double>(whole.size())) <= 8,
          "the stream is as long as the whole", static_cast<double>(streamed.size()));
    check(largestStep(streamed) <= largestStep(whole) + largestStep(whole) / 10, "no step at the joins",
          largestStep(streamed));
}

} // namespace

int main() {
    convertInBlocks();
    convert(22050, 8, 22050, 16);  // the built-in voice's samples widened
    convert(22050, 8, 16000, 16);  // and resampled
    convert(22050, 16, 11025, 8);
    convert(16000, 16, 22050, 16);
    const WAVEFORMATEX f = pcm(22050, 16);
    std::vector<unsigned char> out{9};
    check(!vx::ConvertAudio(nullptr, 2, &out, &f, &f) && out.size() == 1, "a null source is refused untouched", 0);
    std::printf("AudioConversionCheck: %d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
