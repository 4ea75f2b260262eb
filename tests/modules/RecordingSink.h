#pragma once
// An EngineSink that records what it is given and can ask to stop after some calls; the word marks
// a module gives.

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

// The word marks module gives while it speaks text: each word's offset and the bytes of audio before
// its mark, then (0, all the audio).
using WordMarks = std::vector<std::pair<std::uint32_t, std::size_t>>;
inline WordMarks wordMarks(SpeechModule& module, const TextPortion& text) {
    module.SetWordMarks(true);
    RecordingSink sink;
    WordMarks marks;
    sink.onCall = [&](std::size_t) {
        if (sink.marks.size() > marks.size()) marks.emplace_back(sink.marks.back().second, sink.audio.size());
    };
    module.SetSink(&sink);
    EXPECT_TRUE(module.Speak(text));
    marks.emplace_back(0, sink.audio.size());
    return marks;
}

// A mark for each of the words at offsets, in order, the first before any audio and each later one
// after the sound of the word before.
inline void expectMarksInOrder(const WordMarks& marks, const std::vector<std::uint32_t>& offsets) {
    ASSERT_EQ(marks.size(), offsets.size() + 1);
    EXPECT_EQ(marks[0].second, 0U);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(marks[i].first, offsets[i]);
        EXPECT_LT(marks[i].second, marks[i + 1].second);
    }
}

} // namespace vx::test
