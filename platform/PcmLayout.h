#pragma once
// What ConvertAudio asks of a PCM format record, and the conversion each platform provides.

#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
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

// A conversion between two different layouts of supported PCM, as one stream: what the
// resampler holds at the end of one block carries into the next, so that audio converted block
// by block is the audio converted whole. Each platform has its own (libsoxr and our own code on
// POSIX, the Audio Compression Manager on Windows). Its operations may throw std::bad_alloc.
class LayoutStream {
public:
    virtual ~LayoutStream() = default;
    // Converts bytes (whole frames, at least one) of the next block, appending what comes out
    // to out; false when it cannot.
    virtual bool convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) = 0;
    // Ends the stream: appends what the converter still holds; false when it cannot.
    virtual bool finish(std::vector<unsigned char>& out) = 0;
};

// A stream from one layout to another, or null when the platform cannot convert between them.
std::unique_ptr<LayoutStream> openLayoutStream(const WAVEFORMATEX& from, const WAVEFORMATEX& to);

} // namespace vx::pcm
