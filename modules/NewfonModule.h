#pragma once
// Module kinds "newfon" and "novofon": drive the Newfon engine, three libraries in "path": the
// engine named by "module" and its two companions "dict" and "sdrvxpdb", loaded first. The engine
// may return from speakText before the audio is made and hands the module blocks of 8-bit
// 10000 Hz audio on a thread of its own, so Speak waits, with two time-outs, until the portion's
// last block has been delivered or the engine is judged to have stalled (then it is cancelled and
// the log says so).

#include "modules/NewfonApi.h"
#include "modules/SpeechModule.h"

#include <atomic>
#include <string_view>

namespace vx {

// The text with each one-letter word of prepositions joined to the next word and each one of
// postpositions to the previous one (a letter in both sets is a preposition); runs of spaces
// (NUL counts as one) collapse to one, and a one-letter word at the very start is left alone.
// Texts under 3 characters, or both sets empty, come back unchanged.
std::u16string JoinSingleLetterWords(std::u16string_view text, std::u16string_view prepositions,
                                     std::u16string_view postpositions);

class NewfonModule : public SpeechModule {
public:
    NewfonModule();
    // Speaks one portion (true without speaking when it has no letter); false, with a log line,
    // when the engine cannot be loaded. A stalled engine is cancelled and Speak returns true.
    bool Speak(const TextPortion& text) override;
    // Calls the engine's cancel.
    bool Stop() override;
    void Resume() override {}
    // The Newfon keys, then the common ones.
    bool ReadSetting(const std::u16string& key, const std::u16string& value) override;
    // The companions, then the engine; initialises the engine once per process and registers the
    // callback. False when any of it fails.
    bool Load() override;
    // Limited to 1..100.
    void SetPitch(std::int32_t value) override;
    // "vxtts": 22050 Hz 16-bit mono by widening and insertion; "acm": any output format;
    // anything else: the engine's 10000 Hz 8-bit mono.
    bool SetConversion(const std::u16string& value) override;
    // Cancels, waits up to 10 s for a running callback, and terminates the engine when the last
    // instance that initialised it goes.
    ~NewfonModule() override;

private:
    struct Api;
    static newfon::Callback onBlock;
    std::int32_t deliver(const unsigned char* samples, std::int32_t count);
    std::int32_t write(const unsigned char* block, std::uint32_t size);
    bool usesTempoFilter() const { return sonicEnabled == 1 && tempoFilter != nullptr; }
    void sendSettings() const;
    // Until the engine's last block, or a time-out; false when the engine never began the text.
    bool waitForLastBlock();

    platform::DynamicLibrary dictionary_;
    platform::DynamicLibrary driver_;
    std::unique_ptr<Api> api_;
    bool ready_ = false;       // Load went through
    bool initialised_ = false; // counted in the process's initialisations
    std::int32_t voiceIndex_ = 0;
    std::int32_t internalDictionary_ = 1;
    std::int32_t startTimeout_ = 200;
    std::int32_t afterTimeout_ = 500;
    std::u16string prepositions_;
    std::u16string postpositions_;
    std::int32_t acceleration_ = 5;
    std::atomic<std::uint32_t> lastCallbackTime_{0};
    std::vector<unsigned char> filtered_;
    std::vector<std::int16_t> widened_;
    std::vector<std::int16_t> resampled_;
};

} // namespace vx
