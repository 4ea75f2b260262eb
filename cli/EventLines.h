#pragma once
// The JSON lines that "vxtts say --events" writes for the engine's events, one object a line, so
// that a script can follow the speech with any JSON reader.

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::cli {

// text as a JSON string literal, quotes included; text must be UTF-8.
std::string jsonString(std::string_view text);

// {"event":"sentence","offset":…,"length":…,"position":…}: a sentence of the input at offset
// (UTF-16 units, as SAPI counts) of length units, whose audio starts position bytes into the
// audio data.
std::string sentenceLine(std::uint64_t offset, std::uint64_t length, std::uint64_t position);

// {"event":"word","offset":…,"length":…,"position":…}: a word, in the units of sentenceLine.
std::string wordLine(std::uint64_t offset, std::uint64_t length, std::uint64_t position);

// {"event":"bookmark","name":…,"value":…,"position":…}: a bookmark and the number its name
// starts with, reached position bytes into the audio data.
std::string bookmarkLine(std::string_view name, std::int64_t value, std::uint64_t position);

} // namespace vx::cli
