#pragma once
// The converters of conversion mode 1, which bring an engine's audio to 22050 Hz 16-bit mono
// without a resampling library: cheap enough to run on every block.

#include <cstdint>
#include <span>

namespace vx {

// 8-bit unsigned samples to 16-bit signed: (byte - 128) * 258.00787, truncated and limited to
// the 16-bit range (128 gives 0, 255 gives 32766, 0 gives -32768). out must hold count samples.
// False for null pointers or a count of 0.
bool WidenTo16(const unsigned char* in, std::int16_t* out, std::uint32_t count);

// Raises the sample rate of 16-bit mono audio by inserting, after input sample i, the mean of
// samples i and i + 1 once for every divisor d that divides i (i > 0, d > 0). The output has
// n + sum(n / d) samples for n input samples. With a null in or out, returns the byte size the
// output needs; otherwise writes out and returns the bytes written. 0 for no input or no
// divisors.
std::uint32_t ResampleByInsertion(const std::int16_t* in, std::int16_t* out, std::uint32_t inputBytes,
                                  std::span<const std::int32_t> divisors);

} // namespace vx
