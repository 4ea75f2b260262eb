#pragma once
// What ConvertAudio asks of a format record, and the conversions each platform provides: between
// PCM layouts, and from MPEG Layer-3 to PCM.

#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <span>
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

// MPEG Layer-3 of one or two channels at a rate above 0, whose record is the head of an
// MPEGLAYER3WAVEFORMAT (cbSize covers the fields that follow): what AudioConverter decodes.
inline bool isMp3(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_MPEGLAYER3 && f.cbSize >= MPEGLAYER3_WFX_EXTRA_BYTES &&
           (f.nChannels == 1 || f.nChannels == 2) && f.nSamplesPerSec > 0;
}

// The PCM an MP3 stream decodes to: 16 bits at the MP3's rate and channels.
inline WAVEFORMATEX decodedFormat(const WAVEFORMATEX& mp3) {
    const auto frame = static_cast<std::uint16_t>(2 * mp3.nChannels);
    return {WAVE_FORMAT_PCM, mp3.nChannels, mp3.nSamplesPerSec, mp3.nSamplesPerSec * frame, frame, 16, 0};
}

// The decoder of one MP3 stream, given its bytes in blocks cut anywhere: a frame split between
// blocks is joined and the decoder's state carries over, so the PCM does not depend on where the
// stream was cut. Each platform has its own (libmpg123 on POSIX, the Audio Compression Manager on
// Windows). Its operations may throw std::bad_alloc.
class Mp3Stream {
public:
    virtual ~Mp3Stream() = default;
    // Decodes the frames that the bytes (any number) complete, appending their PCM of
    // decodedFormat to out; false when the bytes are not MP3 that the decoder can follow.
    virtual bool decode(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) = 0;
    // Ends the stream: appends what the decoder still holds; false when it cannot.
    virtual bool finish(std::vector<unsigned char>& out) = 0;
};

// A decoder of the format (isMp3), or null when the platform has none for it.
std::unique_ptr<Mp3Stream> openMp3Stream(const WAVEFORMATEX& mp3);

// Audio that arrives in blocks cut anywhere, handed on in whole frames: the start of a frame at
// the end of a block waits for its rest in the next.
class WholeFrames {
public:
    explicit WholeFrames(std::size_t frameBytes)
        : frameBytes_(frameBytes) {}

    // The whole frames that bytes at data complete, with what waited before them; valid until the
    // next call.
    std::span<const unsigned char> take(const unsigned char* data, std::size_t bytes) {
        if (waiting_.empty() && bytes % frameBytes_ == 0) {
            return {data, bytes};
        }
        joined_.assign(waiting_.begin(), waiting_.end());
        joined_.insert(joined_.end(), data, data + bytes);
        const std::size_t whole = joined_.size() - joined_.size() % frameBytes_;
        waiting_.assign(joined_.begin() + static_cast<std::ptrdiff_t>(whole), joined_.end());
        return {joined_.data(), whole};
    }

private:
    std::size_t frameBytes_;
    std::vector<unsigned char> waiting_;
    std::vector<unsigned char> joined_;
};

} // namespace vx::pcm
