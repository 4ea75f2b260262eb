#pragma once
// Module kind "rhvoice": drives the RHVoice library, loaded at run time from "path" under the
// file name "module". Each instance creates its own voice from the voice data in
// "path"/RHVoice-data/voice, sets the voice's features for rate, pitch, volume and the
// pseudo-English mode before each portion, and receives the audio through the library's
// streaming callback, which runs inside RHVoice_synth_text. Native format 16000 Hz 16-bit mono.

#include "modules/RhvoiceApi.h"
#include "modules/SpeechModule.h"

namespace vx {

class RhvoiceModule : public SpeechModule {
public:
    RhvoiceModule();
    // Speaks one portion; false when the library cannot be loaded, has no RHVoice_synth_text, or
    // no voice could be created.
    bool Speak(const TextPortion& text) override;
    // The next block of the running synthesis ends it.
    bool Stop() override;
    void Resume() override {}
    // "pseudo_english" (off only for exactly "no") and "user_dict", then the common keys.
    bool ReadSetting(const std::u16string& key, const std::u16string& value) override;
    // Loads the library, creates the voice, loads the user dictionary and attaches the callback;
    // true when a voice exists.
    bool Load() override;
    // Only 0..100 is taken; anything else leaves the volume as it was.
    void SetVolume(std::int32_t value) override;
    // "vxtts": 22050 Hz 16-bit mono by insertion; "acm": any output format; anything else: the
    // library's 16000 Hz 16-bit mono.
    bool SetConversion(const std::u16string& value) override;
    ~RhvoiceModule() override;

private:
    struct Api;
    static rhvoice::Callback onBlock;
    std::int32_t deliver(const std::int16_t* samples, std::int32_t count);
    void loadUserDictionary() const;
    void attachStreamingCallback();
    void setFeatures() const;

    std::unique_ptr<Api> api_;
    rhvoice::Voice* voice_ = nullptr;
    rhvoice::StreamingInfo* streamingInfo_ = nullptr;
    bool stopped_ = false;
    bool pseudoEnglish_ = true;
    std::vector<std::int16_t> widened_; // conversion mode 1
};

} // namespace vx
