#pragma once
// Module kind "espeak": drives the eSpeak NG library, loaded at run time from "path" (which also
// holds its espeak-ng-data folder) under the file name "module", in its synchronous mode. One
// espeak_Synth call speaks a whole portion; before it returns, the library hands the audio to
// the module's callback in blocks, which go on to the sink. "subname" names the eSpeak voice,
// selected before each portion that follows one of another voice.

#include "modules/SpeechModule.h"

namespace vx {

class EspeakModule : public SpeechModule {
public:
    EspeakModule();
    // Speaks one portion with the rate, volume and pitch set now; false when the library cannot
    // be loaded or initialised, lacks espeak_Synth, or the synthesis fails.
    bool Speak(const TextPortion& text) override;
    // Calls espeak_Cancel; false when the library has none. A running Speak ends when the sink
    // answers "stop".
    bool Stop() override;
    void Resume() override {}
    // Loads the library and, once per instance, registers the callback with the process's
    // synthesizer, started by the first instance; false when it cannot be started.
    bool Load() override;
    // "vxtts" and anything else: 22050 Hz 16-bit mono; "acm": any output format.
    bool SetConversion(const std::u16string& value) override;
    ~EspeakModule() override;

private:
    struct Api;
    struct Event;
    // What the library calls with each block of audio; 1 asks it to stop.
    static int onSynth(short* samples, int sampleCount, void* events);
    std::int32_t deliver(const short* samples, int sampleCount, const SentenceMark* mark);
    // When word marks are wanted: the block cut where the library's word events say a word's
    // sound begins, each word's mark before it.
    std::int32_t deliverMarkingWords(const short* samples, int sampleCount, const Event* events);
    // Under the process-wide lock: the synthesizer's sample rate (<= 0: it cannot be started).
    std::int32_t startSynthesizer() const;
    void selectVoice() const;

    std::unique_ptr<Api> api_;
    std::int32_t initResult_ = 0; // > 0: initialised, the library's sample rate
    unsigned synthesisId_ = 0;
    std::uint64_t samplesSpoken_ = 0; // of the portion being spoken
};

} // namespace vx
