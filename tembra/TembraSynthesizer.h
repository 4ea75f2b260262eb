#pragma once
// The letter-to-sound rules of the built-in voice: one portion of lower-case Russian text in, the
// concatenated sound units and silences out (unsigned 8-bit mono, 22050 Hz).

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tembra/SoundUnits.h"

namespace vx::tembra {

struct SynthesisSettings {
    std::uint32_t wordPause = 800;    // samples of silence at a space (twice at . ! ?)
    std::uint32_t phonemePause = 100; // samples of closure before п т ц ч (two thirds before к)
    bool adjustDuration = false;      // с before т or п is held twice as long
};

// The length of every unit, in samples.
using UnitLengths = std::array<std::uint32_t, kUnitCount>;

// The lengths of the compiled-in units.
UnitLengths unitLengthsOf(const unsigned char* const (&units)[kUnitCount]);

// Appends the sound of text to pcm. Characters without a rule (capitals, Latin letters, digits,
// other symbols) make no sound. Stops before the next character once aborted is set.
void synthesize(std::u16string_view text, const SynthesisSettings& settings, const UnitLengths& lengths,
                const std::atomic<bool>& aborted, std::vector<unsigned char>& pcm);

} // namespace vx::tembra
