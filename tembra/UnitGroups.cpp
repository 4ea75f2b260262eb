#include "tembra/UnitGroups.h"

#include <iterator>

namespace vx::tembra {
namespace {

// The offsets of the steady periods in a vowel group, by its layout.
bool isSteady(std::uint32_t base, std::uint32_t offset) {
    switch (base) {
    case kYa:
    case kYo:
    case kYu: return offset <= 1;
    case kYe: return offset <= 2;
    default: return offset == 1 || offset == 2; // а о у ы э и and the reduced vowels
    }
}

// The first unit of the vowel group that holds u, or kAllUnitCount when u is not a vowel's.
std::uint32_t vowelGroupOf(std::uint32_t u) {
    constexpr std::uint32_t kVowelBases[] = {kA, kO, kU, kY, kE, kYa, kYo, kYu, kI, kYe, kM,
                                             kReducedA, kSchwa, kReducedI, kAllUnitCount};
    for (std::size_t i = 0; i + 1 < std::size(kVowelBases); ++i) {
        if (u >= kVowelBases[i] && u < kVowelBases[i + 1] && kVowelBases[i] != kM) {
            return kVowelBases[i];
        }
    }
    return kAllUnitCount;
}

} // namespace

UnitKind unitKind(std::uint32_t u) {
    const std::uint32_t group = vowelGroupOf(u);
    if (group != kAllUnitCount) {
        return isSteady(group, u - group) ? UnitKind::Steady : UnitKind::Period;
    }
    switch (u) {
    case kM: case kM + 1: case kN: case kN + 1: case kL: case kL + 1: case kJot: case kJot + 1:
    case kB: case kB + 4: case kD: case kD + 4: case kG: case kG + 4:
        return UnitKind::Period; // nasals, л, the jot and the voice bars of б д г
    default:
        return UnitKind::Segment;
    }
}

} // namespace vx::tembra
