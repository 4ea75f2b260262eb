#pragma once

#include <cstdint>

namespace vx {

// A sentence start, reported by the text pipeline through EngineSink::OnAudio.
struct SentenceMark {
    static constexpr std::uint32_t kSentence = 1;
    // A word's audio begins (voices with exact events): first is its length, second its position.
    static constexpr std::uint32_t kWord = 2;

    std::uint32_t kind = kSentence; // kSentence and kWord raise events
    std::uint32_t first = 0;        // passed on as the event's wParam
    std::uint32_t second = 0;       // passed on as the event's lParam
};

// Where modules and the text pipeline deliver audio and sentence starts.
class EngineSink {
public:
    // data: byteCount bytes of PCM in the announced output format (null and 0 when only a mark
    // is delivered); mark: a sentence start or null. Returns 0 to go on and nonzero to stop.
    virtual std::int32_t OnAudio(const void* data, std::uint32_t byteCount, const SentenceMark* mark) = 0;
    // Whether the caller asks to stop, asked during work that delivers no audio (OnAudio's result
    // answers it otherwise); true stops the voice as a nonzero OnAudio would. A sink with no
    // caller to ask never stops.
    virtual bool StopRequested() { return false; }

    virtual ~EngineSink() = default;
};

} // namespace vx
