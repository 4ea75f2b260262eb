#pragma once
// A voice: what a SAPI voice token names. Its settings and one or two subvoices, each a language
// paired with a speech module (the second reads the words of a second alphabet, such as Latin
// words in Cyrillic text). Languages and modules belong to the voice manager, not to the voice.

#include "modules/SpeechModule.h"
#include "text/TextPipeline.h"

#include <atomic>
#include <span>
#include <cstdint>
#include <string>
#include <vector>

namespace vx {

struct Subvoice {
    Language* language;
    SpeechModule* module;
};

class Voice {
public:
    explicit Voice(std::u16string name) : name_(std::move(name)) {}

    // Applies one voice key of voices.conf: "punctuation", "digit_subvoice",
    // "punctuation_subvoice", "speed", "pitch", "volume", "max_portion_size",
    // "min_portion_size", "normalization" ("full" turns the reading stage on), "events" ("exact":
    // events where they belong). False when the key is not a voice key.
    bool SetKey(const std::u16string& key, const std::u16string& value);
    // Appends a subvoice; false, changing nothing, when either pointer is null.
    bool AddSubvoice(Language* language, SpeechModule* module);

    void SetPunctuation(Punctuation mode) { settings_.punctuation = mode; }
    Punctuation GetPunctuation() const { return settings_.punctuation; }
    // Rate and pitch 0..100 (50 normal) go to every subvoice's module; other values are ignored.
    void SetRate(std::int32_t value);
    void SetPitch(std::int32_t value);
    // Volume, clamped to 0..100, goes to every subvoice's module.
    void SetVolume(std::int32_t value);
    // Silence from the first subvoice's module; false without subvoices.
    bool Silence(std::uint32_t milliseconds);
    // The first subvoice's output format; false, leaving format as it was, without subvoices.
    bool GetFormat(WAVEFORMATEX* format) const;
    // Where audio and sentence starts go; passed on to every subvoice's module.
    void SetSink(EngineSink* sink);
    // Ends speaking as soon as possible: sets the stop flag and stops every module. Never waits;
    // may be called from inside EngineSink::OnAudio.
    bool Stop();

    // Speaks text through the pipeline. True when the last module call succeeded, or when the
    // text has nothing to say (it is empty, blank, or only unnamed symbols), and speaking was
    // not stopped; false for a voice without subvoices, a failed module call, or a stop.
    // positions: with exact events, where each character of text (and one past its end) is in
    // the caller's text; sentence and word marks then carry those positions. Empty: text's own.
    bool SpeakText(std::u16string_view text, std::span<const std::uint32_t> positions = {});
    // Where the sentences of text begin (offsets in text, in order), as SpeakText would cut it;
    // nothing is spoken. With exact events only (otherwise empty).
    std::vector<std::uint32_t> SentenceStarts(std::u16string_view text) const;
    // The offset, in the text of the last SpeakText, of the last sentence it started speaking.
    std::uint32_t LastSentenceStart() const { return lastSentence_; }

    // Speaks text character by character, with all punctuation, 100 ms of silence after each;
    // each character's sentence start carries its place in text. A character its module cannot
    // say is passed over; false when one could not be said.
    bool Spell(std::u16string_view text);

    const std::u16string& name() const { return name_; }
    const std::vector<Subvoice>& subvoices() const { return subvoices_; }
    // The modules that failed to speak a portion in the last SpeakText or Spell, each once.
    const std::vector<const SpeechModule*>& failedModules() const { return failed_; }
    const PipelineSettings& settings() const { return settings_; }
    // The subvoices' languages, as the pipeline takes them.
    std::vector<const Language*> languages() const;
    // True when one module speaks for the whole text (one subvoice or none, or both share a
    // module).
    bool speaksWithOneModule() const;

private:
    class ModuleOutput;

    // SpeakText of a text that lies at offset in the caller's text.
    bool speak(std::u16string_view text, std::uint32_t offset, std::span<const std::uint32_t> positions = {});

    std::u16string name_;
    std::vector<Subvoice> subvoices_;
    std::vector<const SpeechModule*> failed_;
    PipelineSettings settings_;
    std::atomic<bool> stopped_{false};
    EngineSink* sink_ = nullptr;
    std::uint32_t lastSentence_ = 0;
};

} // namespace vx
