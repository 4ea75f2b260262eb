#pragma once
// The natural pace of the built-in voice. It collects the sounds the letter rules choose for a
// portion, then says them with durations and a pitch of their own:
// - stressed vowels held longest (the last stress of a phrase longer still), the syllable
//   before the stress longer than the others; nasals, л, voice bars and fricatives lengthened;
//   stops closed by a real closure; pauses only at punctuation, none between words;
// - every voiced period made to the length its pitch asks for: a pitch falling over the phrase,
//   raised on stressed syllables, falling on the last stress of a statement, rising on that of
//   a question and a little on that of a clause before a comma, with the voice's pitch setting
//   moving all of it.

#include "tembra/PeriodShaper.h"
#include "tembra/TembraSynthesizer.h"

#include <span>
#include <string_view>
#include <vector>

namespace vx::tembra {

class NaturalWriter final : public SoundWriter {
public:
    // grades: the grade of the vowel letter at each position of text. pitch: the module's pitch
    // setting, 0..100 (50 normal), clamped; 0 and 100 move the voice by six semitones.
    NaturalWriter(std::u16string_view text, std::span<const VowelGrade> grades, const SynthesisSettings& settings,
                  std::int32_t pitch, PeriodShaper& shaper);

    void wordBegins(std::size_t pos) override;
    void letter(std::size_t pos) override;
    void unit(std::uint32_t u) override;
    void closure(std::uint32_t samples) override;
    void pause(std::uint32_t samples) override;

    // Appends the collected sounds to pcm; words, when given, gets where each word begins.
    void render(std::vector<unsigned char>& pcm, std::vector<WordStart>* words);

private:
    // One sound to say: a unit (stretched to `samples` when a segment, 0 keeps it as it is) or
    // `samples` of silence; pos is its letter's place in the text.
    struct Sound {
        enum class Kind : std::uint8_t { Unit, Silence } kind;
        std::uint32_t unit;
        std::uint32_t samples;
        std::size_t pos;
    };

    struct Anchor {
        double time;      // samples from the portion's start, at the units' stored lengths
        double semitones; // against the voice's base pitch
    };

    void closeLetter();
    void lengthenVowel(std::size_t first);
    void repeatPeriods(std::size_t from, std::size_t at, std::size_t count, std::size_t wanted);
    std::uint32_t nominalLength(const Sound& sound) const;
    std::vector<Anchor> intonation() const;
    // The pitch at time, anchors[anchor] being the last at or before it (or the first).
    static double pitchAt(const std::vector<Anchor>& anchors, std::size_t anchor, double time);
    void sayUnit(const Sound& sound, double semitones, std::vector<unsigned char>& pcm);

    std::u16string_view text_;
    std::span<const VowelGrade> grades_;
    const SynthesisSettings& settings_;
    double baseFrequency_;
    PeriodShaper& shaper_;
    // The tune of the vowel at each position of text: its pitch at its start and at its end, in
    // semitones against the base, and whether it is its phrase's last stress.
    struct Tune {
        double start = 0.0;
        double end = 0.0;
        bool vowel = false;
        bool nucleus = false;
    };
    std::vector<Tune> tunes_;
    std::size_t pos_ = 0;
    std::size_t letterStart_ = 0; // where the sounds of the letter at pos_ begin in sounds_
    std::vector<Sound> sounds_;
    std::vector<unsigned char> resampled_; // a voiced segment at the pitch of its place
    enum class Said : std::uint8_t { Silence, Period, Segment } last_ = Said::Silence; // the last sound rendered
    std::vector<std::pair<std::size_t, std::size_t>> words_; // text position, index into sounds_
};

} // namespace vx::tembra
