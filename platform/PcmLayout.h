#pragma once
// What ConvertAudio asks of a PCM format record, and the conversion each platform provides.

#include "platform/WaveFormat.h"

#include <cstdint>
#include <vector>

namespace vx::pcm {

// PCM of 8 or 16 bits, one or two channels, a rate above 0: what ConvertAudio takes.
inline bool isSupported(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           (f.nChannels == 1 || f.nChannels == 2) && f.nSamplesPerSec > 0;
}

// The same samples in both: nothing to convert.
inline bool sameLayout(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.nSamplesPerSec == b.nSamplesPerSec && a.nChannels == b.nChannels && a.wBitsPerSample == b.wBitsPerSample;
}

// Bytes per frame, from the layout rather than the record's own nBlockAlign.
inline std::uint32_t bytesPerFrame(const WAVEFORMATEX& f) { return std::uint32_t{f.nChannels} * (f.wBitsPerSample / 8U); }

// Converts bytes (whole frames, at least one) of supported PCM between two different layouts
// into out; false when it cannot. Each platform has its own (libsoxr and our own code on POSIX,
// the Audio Compression Manager on Windows). May throw std::bad_alloc.
bool convertLayout(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out,
                   const WAVEFORMATEX& from, const WAVEFORMATEX& to);

} // namespace vx::pcm
