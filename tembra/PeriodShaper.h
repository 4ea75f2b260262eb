#pragma once
// The single pitch periods of the built-in voice (the bright units) made to another length, for
// intonation. A unit is one period of a steady voiced sound: its glottal pulse, then the ringing of the vocal
// tract dying away. A period made shorter ends its ringing early, one made longer lets it ring
// on, so that the formants stay where they are while the pitch moves. Each is made on first use
// and kept: the same few hundred make up most speech.

#include "tembra/UnitGroups.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vx::tembra {

class PeriodShaper {
public:
    // The period lengths the shaper makes, in samples (about 69 to 275 Hz): a longer period
    // would repeat ringing that has not died away.
    static constexpr std::uint32_t kShortest = 80;
    static constexpr std::uint32_t kLongest = 320;

    PeriodShaper();

    // The length of unit u (of the bright ones) as stored.
    std::uint32_t lengthOf(std::uint32_t u) const { return lengths_[u]; }

    // Whether unit u is a whole period that period() reshapes (a Steady or Period unit of at
    // least 200 samples); others are said as they stand.
    bool reshapes(std::uint32_t u) const { return !waves_[u].empty(); }

    // Unit u (one that reshapes) made length samples long, length clamped to
    // kShortest..kLongest. The samples stay valid as long as the shaper.
    std::span<const unsigned char> period(std::uint32_t u, std::uint32_t length);

private:
    std::vector<unsigned char> shape(std::uint32_t u, std::uint32_t length) const;

    std::array<std::uint32_t, kAllUnitCount> lengths_{};
    // The brightened waves of the periodic units, centred on zero, by unit; empty for segments.
    std::array<std::vector<float>, kAllUnitCount> waves_{};
    // Made periods by unit, then by length - kShortest; empty until first asked for.
    std::array<std::vector<std::vector<unsigned char>>, kAllUnitCount> made_{};
};

} // namespace vx::tembra
