#pragma once
// The letter-to-sound rules of the built-in voice: one portion of lower-case Russian text in, the
// concatenated sound units and silences out (unsigned 8-bit mono, 22050 Hz).

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tembra/SoundUnits.h"
#include "tembra/SoundWriter.h"

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

// Where a word's sound begins: its offset in the text and the byte of pcm.
struct WordStart {
    std::uint32_t offset = 0;
    std::size_t byte = 0;
};

// How a vowel letter is said: stressed (and every vowel at the fixed pace), in the syllable right
// before the stress or first in its word, or in any other unstressed syllable.
enum class VowelGrade : std::uint8_t { Full, Pretonic, Weak };

// Runs the letter rules over text and hands the sounds they choose to writer. grades, when not
// empty, holds the grade of the letter at each position of text: о а е я that are not Full are
// said as reduced vowels. Stops before the next letter once aborted is set.
void speakLetters(std::u16string_view text, const SynthesisSettings& settings, std::span<const VowelGrade> grades,
                  const std::atomic<bool>& aborted, SoundWriter& writer);

// Appends the sound of text at the fixed pace to pcm. Characters without a rule (capitals, Latin letters, digits,
// other symbols) make no sound. Stops before the next character once aborted is set. words, when
// given, gets where each word of the text (after a space, or first) begins in pcm.
void synthesize(std::u16string_view text, const SynthesisSettings& settings, const UnitLengths& lengths,
                const std::atomic<bool>& aborted, std::vector<unsigned char>& pcm,
                std::vector<WordStart>* words = nullptr);

} // namespace vx::tembra
