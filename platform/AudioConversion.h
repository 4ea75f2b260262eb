#pragma once
// Conversion of PCM audio between two formats (sample rate, 8 or 16 bits, mono or stereo): a
// block on its own (ConvertAudio), or the blocks of one stream in turn (AudioConverter).

#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vx {

namespace pcm {
class LayoutStream;
}

// Converts sourceBytes bytes at source from format from to format to into out, as a complete
// stream of its own: nothing carries over from one call to the next. False, leaving out
// untouched, when a pointer is null or sourceBytes is 0. Otherwise out is cleared first and
// false means the formats cannot be converted (not PCM, not 8 or 16 bits, not 1 or 2 channels,
// a rate of 0) or nothing came out; a trailing partial frame is ignored. The whole source is
// converted, however long.
bool ConvertAudio(const unsigned char* source, std::uint32_t sourceBytes, std::vector<unsigned char>* out,
                  const WAVEFORMATEX* from, const WAVEFORMATEX* to);

// The blocks of one stream converted in turn, the resampler's state carried from each block to
// the next: the stream converted block by block is the stream converted whole, with no step at
// the joins. A partial frame at the end of a block waits for the rest of it in the next.
class AudioConverter {
public:
    // A converter between the formats, or null when they cannot be converted (as ConvertAudio).
    static std::unique_ptr<AudioConverter> open(const WAVEFORMATEX& from, const WAVEFORMATEX& to);

    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;
    ~AudioConverter();

    // Converts the next block into out (cleared first; it may stay empty while the resampler
    // fills). False when the conversion fails or memory runs out.
    bool convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out);
    // Ends the stream: out (cleared first) receives what the resampler still holds. The
    // converter is not used after this.
    bool finish(std::vector<unsigned char>& out);

private:
    AudioConverter(const WAVEFORMATEX& from, std::unique_ptr<pcm::LayoutStream> stream);

    std::uint32_t frameBytes_;
    std::unique_ptr<pcm::LayoutStream> stream_; // null when both formats have the same layout
    std::vector<unsigned char> partial_;        // the start of a frame split between blocks
    std::vector<unsigned char> joined_;
};

} // namespace vx
