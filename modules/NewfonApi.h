#pragma once
// The part of the Newfon engine library's interface that NewfonModule relies on: the signatures
// of the functions it calls and of its callback. The module and the test libraries that stand in
// for Newfon both declare the interface from here, so the two cannot drift apart.

#include <cstdint>

namespace vx::newfon {

// Blocks of this many 8-bit unsigned samples at 10000 Hz; a shorter block ends the text.
inline constexpr std::int32_t kBlockSamples = 2000;

// Called by the engine for each block, possibly on a thread of its own: marker (the engine's
// own value), the samples and their count. 0 goes on; 1 stops the text.
using Callback = std::int32_t(std::int32_t marker, const unsigned char* samples, std::int32_t count);

using Initialize = std::int32_t(); // > 0: ready
using Terminate = void();
using SetCallback = void(Callback* callback);
using SetValue = void(std::int32_t value); // set_accel, set_rate, set_volume, set_pitch_*, set_voice, set_dictionary
using SpeakText = void(const char* text, std::int32_t index); // the text in the system's legacy code page
using Cancel = void();

} // namespace vx::newfon
