#pragma once
// Conversion of PCM audio between two formats (sample rate, 8 or 16 bits, mono or stereo), and
// MPEG Layer-3 decoded to any of them: a block on its own (ConvertAudio), or the blocks of one
// stream in turn (AudioConverter).

#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vx {

namespace pcm {
class LayoutStream;
class Mp3Stream;
}

// Converts sourceBytes bytes at source from format from to format to into out, as a complete
// stream of its own: nothing carries over from one call to the next. from may be MPEG Layer-3 (the
// head of an MPEGLAYER3WAVEFORMAT), decoded and then converted as PCM. False, leaving out
// untouched, when a pointer is null or sourceBytes is 0. Otherwise out is cleared first and
// false means the formats cannot be converted (to not PCM; not 8 or 16 bits, not 1 or 2 channels,
// a rate of 0), the MP3 cannot be decoded, or nothing came out; a trailing partial frame is
// ignored. The whole source is converted, however long.
bool ConvertAudio(const unsigned char* source, std::uint32_t sourceBytes, std::vector<unsigned char>* out,
                  const WAVEFORMATEX* from, const WAVEFORMATEX* to);

// The blocks of one stream converted in turn, the decoder's and the resampler's state carried
// from each block to the next: the stream converted block by block is the stream converted whole,
// with no step at the joins. A partial frame at the end of a block (PCM or MP3) waits for the rest
// of it in the next. An MP3 stream is decoded as it comes and its PCM converted as it is decoded;
// the decoder's delay, if any, comes once, at the start.
class AudioConverter {
public:
    // A converter between the formats, or null when they cannot be converted (as ConvertAudio).
    // An MP3 from must be the head of a whole MPEGLAYER3WAVEFORMAT.
    static std::unique_ptr<AudioConverter> open(const WAVEFORMATEX& from, const WAVEFORMATEX& to);

    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;
    ~AudioConverter();

    // Converts the next block into out (cleared first; it may stay empty while the decoder or
    // the resampler fills). False when the conversion fails (bytes that are not MP3 among them)
    // or memory runs out.
    bool convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out);
    // Ends the stream: out (cleared first) receives what the decoder and the resampler still
    // hold. The converter is not used after this.
    bool finish(std::vector<unsigned char>& out);

private:
    AudioConverter(const WAVEFORMATEX& pcm, std::unique_ptr<pcm::Mp3Stream> decoder,
                   std::unique_ptr<pcm::LayoutStream> stream);

    // Converts PCM of the source layout, appending to out.
    bool convertPcm(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out);

    std::uint32_t frameBytes_;
    std::unique_ptr<pcm::Mp3Stream> decoder_;   // null when the source is PCM
    std::unique_ptr<pcm::LayoutStream> stream_; // null when both formats have the same layout
    std::vector<unsigned char> partial_;        // the start of a frame split between blocks
    std::vector<unsigned char> joined_;
    std::vector<unsigned char> decoded_;
};

} // namespace vx
