// A voice built from the input speaks the rest of it: its two languages read a small dictionary
// file of the input, and the langs.conf and voice keys are chosen by its first bytes; its modules
// record what they are given. Nothing may crash or hang, no module is asked to say nothing, and
// the marks of the sentences and words stay inside the text, the sentences in order. (Without
// exact events, the reading stage's marks count in the text it made, which may be longer.)

#include "engine/Voice.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Utf.h"

#include <string>

namespace {

using namespace vx;

class CheckingModule final : public SpeechModule {
public:
    CheckingModule() {
        SetPcmFormat(&nativeFormat_, 22050, 1, 16);
        outputFormat_ = nativeFormat_;
    }
    bool Speak(const TextPortion& text) override {
        VX_FUZZ_CHECK(!text.empty());
        const char16_t audio[4] = {};
        return sink()->OnAudio(audio, sizeof audio, nullptr) == 0;
    }
    bool Stop() override { return true; }
    void Resume() override {}
    bool SetConversion(const std::u16string&) override { return true; }
};

class CheckingSink final : public EngineSink {
public:
    // textSize: the text's length, or 0 when the marks count in another text.
    explicit CheckingSink(std::size_t textSize) : textSize_(textSize) {}
    std::int32_t OnAudio(const void*, std::uint32_t, const SentenceMark* mark) override {
        if (mark && textSize_ > 0) {
            // A mark is a length, then a position (of the text given, with exact events).
            VX_FUZZ_CHECK(std::uint64_t{mark->first} + mark->second <= textSize_);
            VX_FUZZ_CHECK(mark->kind != SentenceMark::kSentence || mark->second >= lastSentence_);
            lastSentence_ = mark->kind == SentenceMark::kSentence ? mark->second : lastSentence_;
        }
        return 0;
    }

private:
    std::size_t textSize_;
    std::uint32_t lastSentence_ = 0;
};

const char16_t* const kPunctuation[] = {u"none", u"some", u"all"};

std::u16string number(std::uint32_t value) { return fromUtf8(std::to_string(value)); }

} // namespace

// Input: four bytes of settings, a UTF-16LE dictionary file up to a U+0000, then the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::uint8_t flags = data[0], longest = data[1], shortest = data[2], languageBits = data[3];
    const std::u16string rest = fuzz::decodeUtf16le(data + 4, size - 4);
    const std::size_t end = std::min(rest.find(u'\0'), rest.size());
    const std::u16string text = rest.substr(std::min(end + 1, rest.size()));
    const auto entries = fuzz::loadEntries(reinterpret_cast<const unsigned char*>(rest.data()), 2 * end);

    Language first(u"ru"), second(u"en");
    first.set(u"alphabet", u"cyrillic");
    second.set(u"alphabet", (languageBits & 0x10) ? u"latin" : u"cyrillic");
    for (Language* language : {&first, &second}) {
        language->set(u"numgrp", number(1U + languageBits % 12U));
        for (const auto& [section, key, value] : entries) language->onEntry(u"fuzz.dic", section, key, value);
    }
    Voice voice(u"fuzz");
    CheckingModule module, secondModule;
    voice.AddSubvoice(&first, &module);
    voice.AddSubvoice(&second, (flags & 0x80) ? &module : &secondModule);
    voice.SetKey(u"punctuation", kPunctuation[flags % 3]);
    voice.SetKey(u"digit_subvoice", (flags & 0x04) ? u"2" : u"1");
    voice.SetKey(u"punctuation_subvoice", (flags & 0x08) ? u"2" : u"1");
    voice.SetKey(u"normalization", (flags & 0x10) ? u"full" : u"none");
    voice.SetKey(u"events", (flags & 0x20) ? u"exact" : u"");
    voice.SetKey(u"max_portion_size", number(longest == 255 ? 0xFFFFFFFFU : 1U + 4U * longest));
    voice.SetKey(u"min_portion_size", number(shortest));
    CheckingSink sink((flags & 0x30) == 0x10 ? 0 : text.size());
    voice.SetSink(&sink);
    if (flags & 0x40) {
        voice.Spell(text);
    } else {
        voice.SpeakText(text);
    }
    return 0;
}
