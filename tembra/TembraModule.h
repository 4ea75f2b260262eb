#pragma once
// The built-in voice (module kind "tembra"): a rule-driven concatenation synthesizer for Russian
// that needs no outside engine. A portion is synthesized whole, then streamed to the sink in
// chunks through the tempo filter, the volume and the format conversion, which treats the
// portion's chunks as one stream.

#include "modules/SpeechModule.h"
#include "platform/AudioConversion.h"
#include "platform/Lock.h"
#include "tembra/PeriodShaper.h"
#include "tembra/StressDictionary.h"
#include "tembra/TembraSynthesizer.h"

#include <atomic>
#include <memory>
#include <vector>

namespace vx {

class TembraModule : public SpeechModule {
public:
    // Chunks of the synthesized portion handed on at a time.
    static constexpr std::uint32_t kChunkBytes = 4096;

    TembraModule();

    // Speaks lower-case Russian text; characters without a rule are silent. When word marks are
    // wanted, each comes right before the sound of its word. False only when the output format
    // cannot be made from the synthesizer's (logged): then nothing reaches the sink.
    bool Speak(const TextPortion& text) override;
    // Ends a running Speak before its next character or chunk; does not wait.
    bool Stop() override;
    void Resume() override {}
    // "adjust_duration" = "yes" holds с before т or п longer; "prosody" = "natural" speaks at a
    // natural pace and pitch, with the stress of each word from the files that "stress" names
    // (separated by commas, in the data folder; later files win); other keys are the base's.
    bool ReadSetting(const std::u16string& key, const std::u16string& value) override;
    // For the natural pace also reads the stress files, logging those it cannot read.
    bool Load() override;
    // "vxtts": 22050 Hz 16-bit mono output; "acm": any output format ("output_format"); anything
    // else: the synthesizer's own 22050 Hz 8-bit mono.
    bool SetConversion(const std::u16string& value) override;

private:
    void loadStress();
    void synthesize(const TextPortion& text);
    // Hands the synthesized portion to the sink; false when its output format cannot be made.
    bool stream();
    // Gives the sink the marks of the words that begin at or before byte of pcm_; true when it
    // asked to stop.
    bool markWords(std::size_t byte, std::size_t& next);
    // Hands one chunk through the tempo filter (when filtered), the volume and the conversion to
    // the sink. Returns nonzero when streaming must end; the last chunk flushes the filter.
    std::int32_t writeChunk(const unsigned char* data, std::uint32_t count, bool last, bool filtered);

    platform::Lock lock_;
    bool loaded_ = false;
    std::atomic<bool> aborted_{false};
    bool adjustDuration_ = false;
    bool natural_ = false;
    std::u16string stressFiles_;
    tembra::StressDictionary stress_;
    std::unique_ptr<tembra::PeriodShaper> shaper_; // made at load for the natural pace
    std::vector<unsigned char> pcm_;
    std::vector<tembra::WordStart> words_; // where each word of the portion begins in pcm_
    tembra::UnitLengths unitLengths_{};
    // Reused for every chunk, so that streaming allocates nothing once warm.
    std::vector<unsigned char> filtered_;
    std::vector<unsigned char> scaled_;
    std::vector<unsigned char> converted_;
    std::vector<std::int16_t> widened_;
    // The output format's conversion of the portion being streamed (conversion mode 2).
    std::unique_ptr<AudioConverter> converter_;
};

} // namespace vx
