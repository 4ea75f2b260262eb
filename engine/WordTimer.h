#pragma once
// With exact events, stands between a speech module and the engine's sink while the module
// speaks a portion: passes the audio on, and puts a word mark before the audio of each word of
// the portion — where the module reports the word, or, for a module that does not, where the
// portion's audio so far says it is likely to begin.

#include "modules/EngineSink.h"
#include "platform/WaveFormat.h"

#include <cstdint>
#include <vector>

namespace vx {

class WordTimer final : public EngineSink {
public:
    struct Word {
        std::uint32_t offset = 0;   // where the word begins in the portion
        std::uint32_t position = 0; // where it stands in the caller's text
        std::uint32_t length = 0;   // and how long it is there
        // When the word begins a sentence inside the portion: the sentence in the caller's text
        // (length 0: it begins none).
        std::uint32_t sentencePosition = 0;
        std::uint32_t sentenceLength = 0;
    };

    // engine: where the audio and the marks go; it must be set before a portion starts.
    explicit WordTimer(EngineSink* engine) : engine_(engine) {}

    // The words of the portion the module is about to speak, in order; its length in characters;
    // the module's output format (for the pace of a first portion, and whole sample frames).
    void startPortion(std::vector<Word> words, std::size_t length, const WAVEFORMATEX& format);
    // Marks the words whose audio was never reached, at the portion's end, and learns the pace.
    // Returns what the engine's sink returned last.
    std::int32_t endPortion();

    // Audio from the module goes on, cut where an estimated word begins; a module's own word
    // mark (second: the word's offset in the portion) goes on with the caller's position. A word
    // that begins a sentence is preceded by the sentence's mark.
    std::int32_t OnAudio(const void* data, std::uint32_t byteCount, const SentenceMark* mark) override;

private:
    std::int32_t markWord(const Word& word);
    std::uint64_t estimatedStart(const Word& word) const;

    EngineSink* engine_;
    std::vector<Word> words_;
    std::size_t next_ = 0;          // the first word not marked yet
    std::size_t length_ = 0;        // of the portion, in characters
    std::uint64_t written_ = 0;     // bytes of the portion's audio passed on
    std::uint32_t blockAlign_ = 1;
    double bytesPerCharacter_ = 0;  // the pace, learned from the portions spoken
    bool reported_ = false;         // the module marks the words itself
    std::int32_t result_ = 0;
};

} // namespace vx
