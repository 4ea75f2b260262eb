#include "tembra/PeriodShaper.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vx::tembra {
namespace {

// Units shorter than this are partial periods (the ends of vowels before a velar).
constexpr std::uint32_t kFullPeriod = 200;
// Samples over which a period blends into the stretch it ends with.
constexpr std::uint32_t kFade = 24;

bool isWhole(std::uint32_t u, std::uint32_t length) {
    return unitKind(u) != UnitKind::Segment && length >= kFullPeriod;
}

} // namespace

PeriodShaper::PeriodShaper() {
    for (std::uint32_t u = 0; u < kAllUnitCount; ++u) {
        const unsigned char* samples = brightSamples(u);
        lengths_[u] = static_cast<std::uint32_t>(std::strlen(reinterpret_cast<const char*>(samples)));
        if (isWhole(u, lengths_[u])) {
            waves_[u].assign(samples, samples + lengths_[u]);
            for (float& v : waves_[u]) {
                v -= 128.0F;
            }
        }
    }
}

std::span<const unsigned char> PeriodShaper::period(std::uint32_t u, std::uint32_t length) {
    length = std::clamp(length, kShortest, kLongest);
    std::vector<std::vector<unsigned char>>& made = made_[u];
    if (made.empty()) {
        made.resize(kLongest - kShortest + 1);
    }
    std::vector<unsigned char>& period = made[length - kShortest];
    if (period.empty()) {
        period = shape(u, length);
    }
    return period;
}

// Each unit begins shortly before its glottal pulse and ends where the next would begin. A
// shorter period keeps the unit's start, pulse and ringing, and over its last kFade samples
// blends into the unit's own last samples; a longer one keeps the whole unit, then says its last
// stretch (the quiet end of the ringing) once more, blended in over kFade samples. Either way it
// begins and ends as the unit does, so that periods of any length join one another, and the
// stored units, as the units join themselves.
std::vector<unsigned char> PeriodShaper::shape(std::uint32_t u, std::uint32_t length) const {
    const std::vector<float>& x = waves_[u];
    const auto n = static_cast<std::uint32_t>(x.size());
    const std::uint32_t fadeEnd = std::min(length, n); // where the blend is complete
    const std::uint32_t shift = n > length ? n - length : length - n;
    std::vector<unsigned char> out(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        const float ahead = i < n ? x[i] : 0.0F; // the unit from its start
        const float behind = length <= n ? x[i + shift] : i >= shift ? x[i - shift] : 0.0F; // ending at its end
        const float w =
            std::clamp((static_cast<float>(i + 1 + kFade) - static_cast<float>(fadeEnd)) / static_cast<float>(kFade), 0.0F, 1.0F);
        out[i] = static_cast<unsigned char>(std::clamp(std::lround(128.0F + (1.0F - w) * ahead + w * behind), 1L, 255L));
    }
    return out;
}

} // namespace vx::tembra
