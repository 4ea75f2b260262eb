#include "tembra/NaturalWriter.h"

#include "tembra/Letters.h"

#include <algorithm>
#include <cmath>

namespace vx::tembra {
namespace {

constexpr double kSampleRate = 22050.0;
// The units' own pitch: every voiced unit is one period of 214 samples.
constexpr double kUnitPeriod = 214.0;
constexpr double kUnitFrequency = kSampleRate / kUnitPeriod;
// The pitch setting runs 0..100, 50 normal: its ends move the voice by six semitones.
constexpr double kSemitonesPerPitchStep = 0.12;
// The share of a vowel said on its first pitch.
constexpr double kPitchHold = 0.4;

// Vowel periods, onset and ending included: stressed, the last stress of a phrase, the syllable
// before the stress. Other unstressed vowels keep the four or five the rules give.
constexpr std::size_t kStressedPeriods = 12;
constexpr std::size_t kNucleusPeriods = 17;
constexpr std::size_t kPretonicPeriods = 7;
// Periods of м н л and of the voice bar of б д г.
constexpr std::size_t kSonorantPeriods = 5;
constexpr std::size_t kVoiceBarPeriods = 4;
// Closures and pauses against the fixed pace's: a stop's closure of 50 ms at the usual
// phoneme pause; a comma's pause of about 0.2 s and a full stop's of about 0.4 s at the usual
// word pause.
constexpr std::uint32_t kClosureScale = 11;
constexpr std::uint32_t kPauseScale = 6;
// A period made to another length ends, and begins, where the stored segments of consonants do
// not: where the two meet, this many samples are blended.
constexpr std::size_t kJoinFade = 16;

// 2 to the power semitones / 12, by its series: the C library's exp2 may round its last bit
// differently on another system, and every build must make the same periods of the same text.
double semitoneRatio(double semitones) {
    const double x = semitones * 0.057762265046662105; // ln 2 / 12
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 24; ++n) {
        term *= x / n;
        sum += term;
    }
    return sum;
}

// The consonants whose segments (not single periods) are voiced.
bool isVoicedConsonant(char16_t c) { return std::u16string_view(u"бвгджзр").find(c) != std::u16string_view::npos; }

// samples played `factor` times as long, by linear interpolation.
void resample(std::span<const unsigned char> samples, double factor, std::vector<unsigned char>& out) {
    const auto length = static_cast<std::size_t>(std::lround(static_cast<double>(samples.size()) * factor));
    out.resize(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double at = static_cast<double>(i) / factor;
        const auto j = std::min(static_cast<std::size_t>(at), samples.size() - 1);
        const double w = std::min(at - static_cast<double>(j), 1.0);
        const unsigned char next = samples[std::min(j + 1, samples.size() - 1)];
        out[i] = static_cast<unsigned char>(std::lround((1.0 - w) * samples[j] + w * next));
    }
}

// What the fricatives and affricates last, in samples.
std::uint32_t fricativeLength(char16_t c) {
    switch (c) {
    case u'с': case u'ш': return 1700;
    case u'щ': return 2000;
    case u'х': case u'ф': return 1500;
    case u'ч': return 1400;
    case u'ц': return 1300;
    case u'з': case u'ж': return 1200;
    default: return 0;
    }
}

// A phrase: the text up to a punctuation mark; its vowels and the last stressed one (the last
// vowel when none is stressed).
struct Phrase {
    PhraseKind kind = PhraseKind::Statement;
    std::vector<std::size_t> vowels; // text positions
    std::size_t nucleus = 0;         // index into vowels
    bool stressed = false;           // whether the nucleus is a stressed vowel
};

// The phrases of text; a run of marks such as «?!» ends one phrase, whose kind its first mark
// decides.
std::vector<Phrase> phrasesOf(std::u16string_view text, std::span<const VowelGrade> grades) {
    std::vector<Phrase> phrases(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isVowel(text[i])) {
            Phrase& phrase = phrases.back();
            const bool stressed = i < grades.size() && grades[i] == VowelGrade::Full;
            if (stressed || !phrase.stressed) {
                phrase.nucleus = phrase.vowels.size();
                phrase.stressed = stressed;
            }
            phrase.vowels.push_back(i);
        } else if (isPhraseEnd(text[i]) && !phrases.back().vowels.empty()) {
            phrases.back().kind = phraseKindOf(text[i]);
            phrases.emplace_back();
        }
    }
    if (phrases.back().vowels.empty()) {
        phrases.pop_back();
    }
    return phrases;
}

// The pitch of a vowel at its start and its end, in semitones: a line falling over the phrase,
// a rise on a stressed syllable, and the phrase's own tune on and after its last stress.
std::pair<double, double> vowelPitch(const Phrase& phrase, std::size_t index, bool stressed) {
    const std::size_t count = phrase.vowels.size();
    const double line = count > 1 ? 1.5 - 3.5 * static_cast<double>(index) / static_cast<double>(count - 1) : 0.0;
    if (index < phrase.nucleus) {
        return stressed ? std::pair{line + 0.5, line + 3.0} : std::pair{line, line};
    }
    const bool nucleus = index == phrase.nucleus;
    switch (phrase.kind) {
    case PhraseKind::Statement: return nucleus ? std::pair{line, -6.0} : std::pair{-6.0, -7.0};
    case PhraseKind::Question: return nucleus ? std::pair{line - 1.0, 7.0} : std::pair{5.0, 3.0};
    case PhraseKind::Comma: return nucleus ? std::pair{line, line + 3.5} : std::pair{line + 3.0, line + 3.0};
    }
    return {line, line};
}

// Appends piece to pcm, its first `fade` samples blended into pcm's last ones.
void crossFade(std::span<const unsigned char> piece, std::size_t fade, std::vector<unsigned char>& pcm) {
    fade = std::min({fade, piece.size(), pcm.size()});
    const std::size_t at = pcm.size() - fade;
    for (std::size_t i = 0; i < fade; ++i) {
        const double w = (static_cast<double>(i) + 0.5) / static_cast<double>(fade);
        pcm[at + i] = static_cast<unsigned char>(std::lround((1.0 - w) * pcm[at + i] + w * piece[i]));
    }
    pcm.insert(pcm.end(), piece.begin() + static_cast<std::ptrdiff_t>(fade), piece.end());
}

// Appends a stretch of noise made `length` samples long: its first three quarters as they are,
// then pieces from anywhere between its first and last eighth, every other one backwards, each
// cross-faded into the last, then its last quarter. Pieces that repeat the same stretch of
// noise in the same direction would make it periodic, which is heard as a buzz.
// Its start is cross-faded over `fade` samples into what pcm holds. Noise too short for pieces
// longer than their cross-fades is said as it stands.
void appendStretched(std::span<const unsigned char> noise, std::size_t length, std::size_t fade,
                     std::vector<unsigned char>& pcm) {
    constexpr std::size_t kFade = 32;
    const std::size_t n = noise.size();
    const std::size_t tail = n / 4;
    const std::size_t span = n - n / 4;
    const std::size_t piece = std::min<std::size_t>(span / 2, 256);
    if (length <= n || piece <= 2 * kFade) {
        crossFade(noise, fade, pcm);
        return;
    }
    const std::size_t start = pcm.size();
    crossFade(noise.first(n - tail), fade, pcm);
    std::uint32_t seed = static_cast<std::uint32_t>(n * 2654435761U);
    std::vector<unsigned char> backwards(piece);
    for (bool reversed = true; pcm.size() - start + tail + piece - kFade < length; reversed = !reversed) {
        seed = seed * 1664525U + 1013904223U;
        const std::span<const unsigned char> taken = noise.subspan(n / 8 + (seed >> 8) % (span - piece + 1), piece);
        if (reversed) {
            std::reverse_copy(taken.begin(), taken.end(), backwards.begin());
        }
        crossFade(reversed ? std::span<const unsigned char>(backwards) : taken, kFade, pcm);
    }
    crossFade(noise.subspan(n - tail - kFade), kFade, pcm);
}

} // namespace

NaturalWriter::NaturalWriter(std::u16string_view text, std::span<const VowelGrade> grades,
                             const SynthesisSettings& settings, std::int32_t pitch, PeriodShaper& shaper)
    : text_(text), grades_(grades), settings_(settings),
      baseFrequency_(kUnitFrequency * semitoneRatio(kSemitonesPerPitchStep * (std::clamp(pitch, 0, 100) - 50))), shaper_(shaper),
      tunes_(text.size()) {
    for (const Phrase& phrase : phrasesOf(text, grades)) {
        for (std::size_t i = 0; i < phrase.vowels.size(); ++i) {
            const std::size_t pos = phrase.vowels[i];
            const auto [start, end] = vowelPitch(phrase, i, pos < grades.size() && grades[pos] == VowelGrade::Full);
            tunes_[pos] = {start, end, true, i == phrase.nucleus};
        }
    }
}

void NaturalWriter::wordBegins(std::size_t pos) {
    closeLetter();
    words_.emplace_back(pos, sounds_.size());
}

void NaturalWriter::letter(std::size_t pos) {
    closeLetter();
    pos_ = pos;
}

void NaturalWriter::unit(std::uint32_t u) {
    if (u < kAllUnitCount) {
        sounds_.push_back({Sound::Kind::Unit, u, 0, pos_});
    }
}

// Every stop is closed alike (к too, shorter at the fixed pace): 50 ms at the usual phoneme pause.
void NaturalWriter::closure(std::uint32_t /*samples*/) {
    sounds_.push_back({Sound::Kind::Silence, 0, kClosureScale * settings_.phonemePause, pos_});
}

void NaturalWriter::pause(std::uint32_t samples) {
    if (text_[pos_] != u' ') {
        sounds_.push_back({Sound::Kind::Silence, 0, kPauseScale * samples, pos_});
    }
}

// The sounds of the letter just finished are the last ones collected.
void NaturalWriter::closeLetter() {
    const std::size_t first = letterStart_;
    const char16_t c = first < sounds_.size() ? text_[pos_] : u' '; // a letter without sounds has none to lengthen
    if (isVowel(c)) {
        lengthenVowel(first);
    } else if (c == u'м' || c == u'н' || c == u'л') {
        repeatPeriods(first, first, sounds_.size() - first, kSonorantPeriods);
    } else if (c == u'б' || c == u'д' || c == u'г') {
        repeatPeriods(first, first, 2, kVoiceBarPeriods);
    } else if (const std::uint32_t length = fricativeLength(c); length != 0) {
        for (std::size_t i = first; i < sounds_.size(); ++i) {
            if (sounds_[i].kind == Sound::Kind::Unit && unitKind(sounds_[i].unit) == UnitKind::Segment) {
                sounds_[i].samples = length; // each, so that с held twice (adjust_duration) is twice as long
            }
        }
    }
    letterStart_ = sounds_.size();
}

// Lengthens the vowel whose sounds begin at first by more of its steady periods.
void NaturalWriter::lengthenVowel(std::size_t first) {
    const VowelGrade grade = pos_ < grades_.size() ? grades_[pos_] : VowelGrade::Weak;
    const bool nucleus = tunes_[pos_].nucleus;
    const std::size_t wanted = grade == VowelGrade::Full ? (nucleus ? kNucleusPeriods : kStressedPeriods)
                               : grade == VowelGrade::Pretonic ? kPretonicPeriods
                                                               : 0;
    std::size_t periods = 0;
    std::size_t steady = sounds_.size(); // the vowel's first steady period
    for (std::size_t i = first; i < sounds_.size(); ++i) {
        const std::uint32_t u = sounds_[i].unit;
        periods += u != kJot && u != kJot + 1 ? 1 : 0;
        steady = steady == sounds_.size() && unitKind(u) == UnitKind::Steady ? i : steady;
    }
    // The first steady period is the vowel's target most nearly; its pitch changes from one
    // repetition to the next, so the vowel does not freeze.
    if (steady != sounds_.size() && periods < wanted) {
        repeatPeriods(steady, steady + 1, 1, 1 + wanted - periods);
    }
}

// Makes the `count` sounds from `from` `wanted` long by repeating them in turn, inserted at `at`.
void NaturalWriter::repeatPeriods(std::size_t from, std::size_t at, std::size_t count, std::size_t wanted) {
    if (count == 0 || wanted <= count) {
        return;
    }
    std::vector<Sound> more;
    for (std::size_t i = 0; i < wanted - count; ++i) {
        more.push_back(sounds_[from + i % count]);
    }
    sounds_.insert(sounds_.begin() + static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
}

std::uint32_t NaturalWriter::nominalLength(const Sound& sound) const {
    return sound.kind == Sound::Kind::Silence ? sound.samples : std::max(sound.samples, shaper_.lengthOf(sound.unit));
}

// The pitch at the start and the end of each vowel, at the time its sounds begin and end.
std::vector<NaturalWriter::Anchor> NaturalWriter::intonation() const {
    std::vector<Anchor> anchors;
    double time = 0.0;
    for (std::size_t i = 0; i < sounds_.size();) {
        const std::size_t pos = sounds_[i].pos;
        const double start = time;
        for (; i < sounds_.size() && sounds_[i].pos == pos; ++i) {
            time += nominalLength(sounds_[i]);
        }
        if (const Tune& tune = tunes_[pos]; tune.vowel) {
            // A vowel holds its first pitch for a while before it moves, as a voice turns on
            // its stressed vowels rather than glides through them.
            anchors.push_back({start, tune.start});
            anchors.push_back({start + kPitchHold * (time - start), tune.start});
            anchors.push_back({time, tune.end});
        }
    }
    return anchors;
}

double NaturalWriter::pitchAt(const std::vector<Anchor>& anchors, std::size_t anchor, double time) {
    if (anchors.empty()) {
        return 0.0;
    }
    const Anchor& a = anchors[anchor];
    if (time <= a.time || anchor + 1 == anchors.size()) {
        return a.semitones;
    }
    const Anchor& b = anchors[anchor + 1];
    return b.time <= a.time ? b.semitones : a.semitones + (b.semitones - a.semitones) * (time - a.time) / (b.time - a.time);
}

void NaturalWriter::sayUnit(const Sound& sound, double semitones, std::vector<unsigned char>& pcm) {
    // Voiced segments keep to the periods' range too, so that they go no lower than the vowels.
    const double period = std::clamp(kSampleRate / (baseFrequency_ * semitoneRatio(semitones)),
                                     static_cast<double>(PeriodShaper::kShortest), static_cast<double>(PeriodShaper::kLongest));
    if (shaper_.reshapes(sound.unit)) {
        crossFade(shaper_.period(sound.unit, static_cast<std::uint32_t>(std::lround(period))),
                  last_ == Said::Segment ? kJoinFade : 0, pcm);
        last_ = Said::Period;
        return;
    }
    std::span<const unsigned char> samples{brightSamples(sound.unit), shaper_.lengthOf(sound.unit)};
    if (isVoicedConsonant(text_[sound.pos])) {
        // Their voicing keeps the units' own pitch unless the whole segment is replayed faster
        // or slower, which moves its noise a little, as a faster or slower voice does too.
        resample(samples, period / kUnitPeriod, resampled_);
        samples = resampled_;
    }
    appendStretched(samples, sound.samples, last_ == Said::Period ? kJoinFade : 0, pcm);
    last_ = Said::Segment;
}

void NaturalWriter::render(std::vector<unsigned char>& pcm, std::vector<WordStart>* words) {
    closeLetter();
    const std::vector<Anchor> anchors = intonation();
    std::size_t anchor = 0;
    std::size_t word = 0;
    double time = 0.0;
    for (std::size_t i = 0; i <= sounds_.size(); ++i) {
        for (; words && word < words_.size() && words_[word].second == i; ++word) {
            words->push_back({static_cast<std::uint32_t>(words_[word].first), pcm.size()});
        }
        if (i == sounds_.size()) {
            break;
        }
        const Sound& sound = sounds_[i];
        if (sound.kind == Sound::Kind::Silence) {
            pcm.insert(pcm.end(), sound.samples, kSilence);
            last_ = Said::Silence;
        } else {
            for (; anchor + 1 < anchors.size() && anchors[anchor + 1].time <= time; ++anchor) {
            }
            sayUnit(sound, pitchAt(anchors, anchor, time), pcm);
        }
        time += nominalLength(sound);
    }
}

} // namespace vx::tembra
