#pragma once
// What every ConvertAudio implementation asks of a PCM format record.

#include "platform/WaveFormat.h"

#include <cstdint>

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

} // namespace vx::pcm
