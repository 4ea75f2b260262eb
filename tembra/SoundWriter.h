#pragma once
// What the letter rules of the built-in voice hand on: the sound units and silences they choose
// for a portion, in order, each after the position of the letter it belongs to. A writer turns
// them into samples, at the voice's fixed pace or at a natural one.

#include <cstddef>
#include <cstdint>

namespace vx::tembra {

class SoundWriter {
public:
    virtual ~SoundWriter() = default;
    // A word (after a space, or first) begins at pos of the text; its letter follows.
    virtual void wordBegins(std::size_t pos) = 0;
    // The sounds that follow belong to the letter at pos of the text.
    virtual void letter(std::size_t pos) = 0;
    // Unit u of the unit table (SoundUnits.h; the reduced vowels follow the 192).
    virtual void unit(std::uint32_t u) = 0;
    // The silent closure before a stop, samples long at the fixed pace.
    virtual void closure(std::uint32_t samples) = 0;
    // The pause of a space or a punctuation mark, samples long at the fixed pace.
    virtual void pause(std::uint32_t samples) = 0;
};

} // namespace vx::tembra
