#include "modules/AudioBlocks.h"

#include <algorithm>

namespace vx {

bool WidenTo16(const unsigned char* in, std::int16_t* out, std::uint32_t count) {
    if (!in || !out || count == 0) {
        return false;
    }
    // The single-precision constant, multiplied in double precision so that the product is
    // truncated, not rounded up: 1..255 map onto -32766..32766.
    constexpr double kScale = 258.00787F;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto widened = static_cast<std::int32_t>((in[i] - 128) * kScale);
        out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(widened, -32768, 32767));
    }
    return true;
}

std::uint32_t ResampleByInsertion(const std::int16_t* in, std::int16_t* out, std::uint32_t inputBytes,
                                  std::span<const std::int32_t> divisors) {
    if (inputBytes == 0 || divisors.empty()) {
        return 0;
    }
    const std::uint32_t n = inputBytes / 2;
    std::uint32_t m = n;
    for (const std::int32_t d : divisors) {
        if (d > 0) {
            m += n / static_cast<std::uint32_t>(d);
        }
    }
    if (!in || !out) {
        return 2 * m;
    }
    std::uint32_t j = 0;
    for (std::uint32_t i = 0; i < n && j < m; ++i, ++j) {
        out[j] = in[i];
        const std::int16_t mid = i + 1 < n ? static_cast<std::int16_t>((in[i] + in[i + 1]) >> 1) : in[i];
        for (const std::int32_t d : divisors) {
            if (i != 0 && d > 0 && i % static_cast<std::uint32_t>(d) == 0 && j + 1 < m) {
                out[++j] = mid;
            }
        }
    }
    return 2 * j;
}

} // namespace vx
