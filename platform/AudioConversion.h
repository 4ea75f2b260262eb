#pragma once
// Conversion of a block of PCM audio between two formats (sample rate, 8 or 16 bits, mono or
// stereo). Every call converts its block as a complete stream of its own: nothing carries over
// from one block to the next.

#include "platform/WaveFormat.h"

#include <cstdint>
#include <vector>

namespace vx {

// Converts sourceBytes bytes at source from format from to format to into out. False, leaving
// out untouched, when a pointer is null or sourceBytes is 0. Otherwise out is cleared first and
// false means the formats cannot be converted (not PCM, not 8 or 16 bits, not 1 or 2 channels,
// a rate of 0) or nothing came out; a trailing partial frame is ignored. The whole source is
// converted, however long.
bool ConvertAudio(const unsigned char* source, std::uint32_t sourceBytes, std::vector<unsigned char>* out,
                  const WAVEFORMATEX* from, const WAVEFORMATEX* to);

} // namespace vx
