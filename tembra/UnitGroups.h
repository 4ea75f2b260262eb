#pragma once
// Where each letter's group of units begins in the unit table: the letter rules pick units by
// these bases, and the natural pace tells by them what kind of sound a unit is. The groups of
// the reduced vowels follow the 192 units in the bright table: ʌ and ə laid out as а, ɪ as и.

#include "tembra/SoundUnits.h"

#include <cstdint>

namespace vx::tembra {

enum Base : std::uint32_t {
    kA = 0, kO = 17, kU = 34, kY = 51, kE = 68, kYa = 85, kYo = 91, kYu = 97, kI = 103, kYe = 120,
    kM = 135, kB = 137, kP = 143, kV = 147, kF = 149, kN = 151, kD = 153, kT = 159, kZh = 163,
    kSh = 164, kZ = 165, kS = 167, kR = 169, kTs = 171, kCh = 172, kShch = 173, kG = 174, kK = 180,
    kKh = 184, kJot = 188, kL = 190,
    kReducedA = kUnitCount, kSchwa = kUnitCount + 17, kReducedI = kUnitCount + 34,
};

inline constexpr std::uint32_t kAllUnitCount = kUnitCount + kReducedUnitCount;

// The sample value of silence.
inline constexpr unsigned char kSilence = 128;

// The bright copy of unit u (u < kAllUnitCount), as long as the unit, zero-terminated: the natural
// pace says these.
inline const unsigned char* brightSamples(std::uint32_t u) { return kBrightUnits[u]; }

// What a unit is to the natural pace: a steady period of a vowel (repeated to lengthen it),
// another single pitch period (reshaped to the pitch, like the steady ones), or a segment said as
// it stands (consonant releases and noise, the partial periods before a velar).
enum class UnitKind : std::uint8_t { Steady, Period, Segment };

UnitKind unitKind(std::uint32_t u);

} // namespace vx::tembra
