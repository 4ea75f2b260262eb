#pragma once
// An EngineSink that records what it is given and can ask to stop after some calls.

#include "modules/SpeechModule.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace vx::test {

class RecordingSink : public EngineSink {
public:
    std::int32_t OnAudio(const void* data, std::uint32_t byteCount, const SentenceMark* mark) override {
        const auto* bytes = static_cast<const unsigned char*>(data);
        blocks.push_back(byteCount);
        audio.insert(audio.end(), bytes, bytes + byteCount);
        if (mark) {
            marks.push_back(*mark); // a copy: what it points to may not outlive the call
        }
        if (onCall) onCall(blocks.size());
        return stopAfter != 0 && blocks.size() >= stopAfter ? 1 : 0;
    }

    std::vector<std::size_t> blocks; // their sizes
    std::vector<unsigned char> audio;
    std::vector<SentenceMark> marks;
    std::size_t stopAfter = 0;                // answer "stop" from this call on; 0 = never
    std::function<void(std::size_t)> onCall;  // runs inside every call, with the call's number
};

// What module says of text, as sink records it.
inline RecordingSink spoken(SpeechModule& module, const TextPortion& text, RecordingSink sink = {}) {
    module.SetSink(&sink);
    EXPECT_TRUE(module.Speak(text));
    return sink;
}

} // namespace vx::test
