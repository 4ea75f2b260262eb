// The letter rules choose the units; at the fixed pace, prosody is reduced to three means: the
// length of the pauses, a gap of silence after every unit (which lengthens each pitch period and
// so lowers the pitch), and a cut from the end of every unit (which raises it) on the last word
// before a punctuation mark. The natural pace (NaturalWriter) says the same units its own way.

#include "tembra/TembraSynthesizer.h"

#include "tembra/Letters.h"
#include "tembra/UnitGroups.h"

#include <algorithm>
#include <cstring>

namespace vx::tembra {
namespace {

// What was synthesized just before the current letter; a soft consonant is its hard value + 1.
enum Context : int {
    kNothing = 0, kSoftSign = 1, kLabial = 10, kDental = 20, kSoftDental = 21, kHushing = 22,
    kSoftHushing = 23, kVelar = 30, kSoftVelar = 31, kJotContext = 33, kLateral = 40,
};

// A set of ASCII characters and small Russian letters, tested with one bit lookup: the rules
// below test every letter against several of them.
class CharSet {
public:
    constexpr explicit CharSet(std::u16string_view members) {
        for (const char16_t c : members) {
            if (c < 0x80) {
                ascii_[c / 64] |= std::uint64_t{1} << (c % 64);
            } else {
                cyrillic_ |= std::uint64_t{1} << cyrillicIndex(c);
            }
        }
    }

    constexpr bool has(char16_t c) const {
        if (c < 0x80) {
            return (ascii_[c / 64] >> (c % 64)) & 1U;
        }
        const int index = cyrillicIndex(c);
        return index >= 0 && ((cyrillic_ >> index) & 1U);
    }

private:
    // а..я are 0..31 and ё is 32; anything else is -1.
    static constexpr int cyrillicIndex(char16_t c) {
        return c >= u'а' && c <= u'я' ? c - u'а' : c == u'ё' ? 32 : -1;
    }

    std::uint64_t ascii_[2] = {0, 0};
    std::uint64_t cyrillic_ = 0;
};

constexpr CharSet kSoftening{u"еёиьюя"}; // э and ы do not soften
constexpr CharSet kRoundVowels{u"оу"};
constexpr CharSet kLabials{u"бвмпф"};
constexpr CharSet kVelars{u"гкх"};
constexpr CharSet kDentals{u"дзнрст"};
constexpr CharSet kHushingHard{u"жцш"};
constexpr CharSet kHushingSoft{u"чщ"};
constexpr CharSet kSigns{u"ьъ"};
constexpr CharSet kClosedBySilence{u"тп"};
constexpr CharSet kLongPauses{u".!?"};
constexpr CharSet kShortPauses{u",;:"};

bool softens(char16_t c) { return kSoftening.has(c); }

bool isSoftClass(int k) { return k != 0 && (k - 1) % 3 == 0; }

struct Mark {
    PhraseKind kind;
    std::size_t boundary; // the space before the mark's last word, or 0
};

// The fixed pace: every unit whole, followed by a gap of silence; the last word before a mark
// said with a longer gap (a statement), none (a comma) or none and shortened units (a question).
class ClassicWriter final : public SoundWriter {
public:
    ClassicWriter(std::u16string_view text, const UnitLengths& lengths, std::vector<unsigned char>& pcm,
                  std::vector<WordStart>* words)
        : text_(text), lengths_(lengths), pcm_(pcm), words_(words), marks_(scanMarks()) {}

    void wordBegins(std::size_t pos) override {
        if (words_) {
            words_->push_back({static_cast<std::uint32_t>(pos), pcm_.size()});
        }
    }

    void letter(std::size_t pos) override {
        if (isPhraseEnd(text_[pos])) {
            gap_ = kUnitGap;
            cut_ = 0;
        }
        if (nextMark_ < marks_.size() && marks_[nextMark_].boundary == pos) {
            applyMark(marks_[nextMark_++].kind);
        }
    }

    void unit(std::uint32_t u) override {
        if (u >= static_cast<std::uint32_t>(kUnitCount)) {
            return;
        }
        const std::uint32_t length = lengths_[u];
        const auto kept = length > static_cast<std::uint32_t>(cut_) ? length - static_cast<std::uint32_t>(cut_) : 0;
        pcm_.insert(pcm_.end(), kUnits[u], kUnits[u] + kept);
        silence(static_cast<std::uint32_t>(gap_));
    }

    void closure(std::uint32_t samples) override { silence(samples); }
    void pause(std::uint32_t samples) override { silence(samples); }

private:
    // Marks from the text's end to its start: the leftmost of adjacent punctuation decides the
    // kind, and the mark is placed at the space before the last word (or the start). Returned in
    // text order.
    std::vector<Mark> scanMarks() const {
        std::vector<Mark> marks;
        bool open = false;
        PhraseKind kind = PhraseKind::Statement;
        for (std::size_t i = text_.size(); i-- > 0;) {
            const char16_t c = text_[i];
            if (isPhraseEnd(c)) {
                kind = phraseKindOf(c);
                open = true;
            } else if (open && (c == u' ' || i == 0)) {
                marks.push_back({kind, i});
                open = false;
            }
        }
        std::reverse(marks.begin(), marks.end());
        return marks;
    }

    void applyMark(PhraseKind kind) {
        switch (kind) {
        case PhraseKind::Statement:
            gap_ = 3 * kUnitGap;
            break;
        case PhraseKind::Comma:
            gap_ = 0;
            break;
        case PhraseKind::Question:
            gap_ = 0;
            cut_ = 2 * kUnitGap;
            break;
        }
    }

    void silence(std::uint32_t samples) { pcm_.insert(pcm_.end(), samples, kSilence); }

    std::u16string_view text_;
    const UnitLengths& lengths_;
    std::vector<unsigned char>& pcm_;
    std::vector<WordStart>* words_;
    std::vector<Mark> marks_;
    std::size_t nextMark_ = 0;
    std::int32_t gap_ = kUnitGap;
    std::int32_t cut_ = 0;
};

// The letter rules: each letter's units chosen by its neighbours and by what came before it.
class LetterRules {
public:
    LetterRules(std::u16string_view text, const SynthesisSettings& settings, std::span<const VowelGrade> grades,
                SoundWriter& writer)
        : text_(text), settings_(settings), grades_(grades), writer_(writer) {}

    void speak(const std::atomic<bool>& aborted) {
        for (pos_ = 0; pos_ < text_.size() && !aborted.load(std::memory_order_relaxed); ++pos_) {
            if (text_[pos_] != u' ' && (pos_ == 0 || text_[pos_ - 1] == u' ')) {
                writer_.wordBegins(pos_);
            }
            writer_.letter(pos_);
            letter(text_[pos_]);
        }
    }

private:
    char16_t at(std::size_t i) const { return i < text_.size() ? text_[i] : u'\0'; }
    char16_t next() const { return at(pos_ + 1); }
    int nextSoftens() const { return softens(next()) ? 1 : 0; }

    void unit(std::uint32_t u) { writer_.unit(u); }

    void units(std::uint32_t u, int times) {
        for (int i = 0; i < times; ++i) {
            unit(u);
        }
    }

    void jot() {
        unit(kJot);
        unit(kJot + 1);
    }

    // Consonant patterns; each returns 1 when the next letter softens the consonant.
    int voicedStop(std::uint32_t b) {
        if (softens(next())) {
            units(b + 4, 2);
            unit(b + 5);
            return 1;
        }
        units(b, 2);
        unit(next() == u'а' ? b + 2 : kRoundVowels.has(next()) ? b + 3 : b + 1);
        return 0;
    }

    int voiceless(std::uint32_t b) {
        if (softens(next())) {
            unit(b + 3);
            return 1;
        }
        unit(next() == u'а' ? b + 1 : kRoundVowels.has(next()) ? b + 2 : b);
        return 0;
    }

    int sustained(std::uint32_t b, int count) {
        const int soft = nextSoftens();
        units(b + static_cast<std::uint32_t>(soft), count);
        return soft;
    }

    // The class of the consonant after the vowel; soft classes are 7, 10, 13 and 16.
    int nextConsonantClass() const {
        const char16_t x = at(pos_ + 1);
        const int soft = softens(at(pos_ + 2)) ? 1 : 0;
        if (kLabials.has(x)) return 12 + soft;
        if (kVelars.has(x)) return 6 + soft;
        if (kDentals.has(x)) return 15 + soft;
        if (x == u'л') return 9 + soft;
        if (kHushingHard.has(x)) return 15;
        if (kHushingSoft.has(x)) return 16;
        if (x == u'й') return 7;
        return 0;
    }

    void plainVowel(std::uint32_t b) {
        switch (context_) {
        case kNothing: unit(b); break;
        case kLabial: unit(b + 12); break;
        case kDental:
        case kHushing: unit(b + 15); break;
        case kVelar: unit(b + 6); break;
        case kLateral: unit(b + 9); break;
        default: break;
        }
        unit(b + 1);
        unit(b + 2);
        ending(b);
    }

    // The vowel's end: before a soft consonant, before a hard one or none, then the coda.
    void ending(std::uint32_t plainBase) {
        const int k = nextConsonantClass();
        unit(plainBase + (isSoftClass(k) ? 4 : 3));
        if (k != 0) {
            unit(plainBase + static_cast<std::uint32_t>(k));
        }
    }

    void iotatedVowel(std::uint32_t b) {
        switch (context_) {
        case kNothing:
        case kSoftSign: jot(); unit(b + 2); break;
        case kLabial: unit(b + 4); break;
        case kDental:
        case kSoftDental: unit(b + 5); break;
        case kVelar: unit(b + 2); break;
        case kLateral: unit(b + 3); break;
        default: break;
        }
        unit(b);
        unit(b + 1);
        ending((b - kYa) * 17 / 6);
    }

    // а о у: after ч щ or й they sound iotated.
    void backVowel(std::uint32_t iotated, std::uint32_t plain) {
        if (context_ == kSoftHushing || context_ == kJotContext) {
            context_ = context_ == kSoftHushing ? kSoftDental : kVelar;
            iotatedVowel(iotated);
        } else {
            plainVowel(plain);
        }
    }

    // я ё: after ж ш ц they sound plain.
    void iotatedLetter(std::uint32_t plain, std::uint32_t iotated) {
        if (context_ == kJotContext) {
            context_ = kSoftVelar;
        }
        if (context_ == kHushing) {
            context_ = kDental;
            plainVowel(plain);
        } else {
            iotatedVowel(iotated);
        }
    }

    void vowelI() {
        if (context_ == kHushing) {
            context_ = kDental;
            plainVowel(kY);
            return;
        }
        frontVowel(kI);
    }

    // и, or the reduced ɪ laid out as и.
    void frontVowel(std::uint32_t b) {
        switch (context_) {
        case kNothing: unit(b); break;
        case kSoftSign: jot(); unit(b + 5); break;
        case kLabial: unit(b + 11); break;
        case kDental: unit(b + 14); break;
        case kVelar: unit(b + 5); break;
        case kLateral: unit(b + 8); break;
        default: break;
        }
        unit(b + 1);
        unit(b + 2);
        const int k = nextConsonantClass();
        unit(isSoftClass(k) || k == 0 ? b + 3 : b + 4);
        unit(k == 0 ? b + 3 : b + static_cast<std::uint32_t>(k));
    }

    bool reduced() const { return pos_ < grades_.size() && grades_[pos_] != VowelGrade::Full; }

    // An unstressed а or о: ʌ right before the stress or first in its word, ə elsewhere; after ч щ
    // or й, where it would sound iotated, ɪ.
    void reducedBackVowel() {
        if (context_ == kSoftHushing || context_ == kJotContext) {
            context_ = context_ == kSoftHushing ? kSoftDental : kVelar;
            frontVowel(kReducedI);
        } else {
            plainVowel(grades_[pos_] == VowelGrade::Pretonic ? kReducedA : kSchwa);
        }
    }

    // An unstressed е or я: ɪ, after the jot where the letter has one; after ж ш ц, ə.
    void reducedFrontVowel() {
        if (context_ == kHushing) {
            context_ = kDental;
            plainVowel(kSchwa);
            return;
        }
        if (context_ == kNothing) {
            context_ = kSoftSign;
        } else if (context_ == kJotContext) {
            context_ = kSoftVelar;
        }
        frontVowel(kReducedI);
    }

    void vowelYe() {
        if (context_ == kHushing) {
            context_ = kDental;
            plainVowel(kE);
            return;
        }
        switch (context_) {
        case kNothing:
        case kSoftSign: jot(); unit(kYe + 3); break;
        case kLabial: unit(kYe + 9); break;
        case kDental: unit(kYe + 12); break;
        case kVelar: unit(kYe + 3); break;
        case kLateral: unit(kYe + 6); break;
        default: break;
        }
        unit(kYe);
        unit(kYe + 1);
        unit(kYe + 2);
        const int k = nextConsonantClass();
        unit(k != 0 ? kYe + static_cast<std::uint32_t>(k) - 2 : kYe + 2);
    }

    bool vowel(char16_t c) {
        switch (c) {
        case u'а': reduced() ? reducedBackVowel() : backVowel(kYa, kA); break;
        case u'о':
            if (pos_ > 0 && kSigns.has(text_[pos_ - 1])) {
                jot();
            }
            reduced() ? reducedBackVowel() : backVowel(kYo, kO);
            break;
        case u'у': backVowel(kYu, kU); break;
        case u'ы': plainVowel(kY); break;
        case u'э': plainVowel(kE); break;
        case u'я': reduced() ? reducedFrontVowel() : iotatedLetter(kA, kYa); break;
        case u'ё': iotatedLetter(kO, kYo); break;
        case u'ю': iotatedVowel(kYu); return true; // the context stays
        case u'и': vowelI(); break;
        case u'е': reduced() ? reducedFrontVowel() : vowelYe(); break;
        default: return false;
        }
        context_ = kNothing;
        return true;
    }

    bool consonant(char16_t c) {
        const std::uint32_t p = settings_.phonemePause;
        switch (c) {
        case u'б': context_ = kLabial + voicedStop(kB); break;
        case u'в': context_ = kLabial + sustained(kV, 1); break;
        case u'г': context_ = kVelar + voicedStop(kG); break;
        case u'д': context_ = kDental + voicedStop(kD); break;
        case u'ж': unit(kZh); context_ = kHushing; break;
        case u'з': context_ = kDental + sustained(kZ, 1); break;
        case u'й': jot(); context_ = kJotContext; break;
        case u'к': writer_.closure(2 * p / 3); context_ = kVelar + voiceless(kK); break;
        case u'л': context_ = kLateral + sustained(kL, 3); break;
        case u'м': context_ = kLabial + sustained(kM, 3); break;
        case u'н': context_ = kDental + sustained(kN, 3); break;
        case u'п': writer_.closure(p); context_ = kLabial + voiceless(kP); break;
        case u'р': context_ = kDental + sustained(kR, 1); break;
        case u'с':
            context_ = kDental + sustained(kS, settings_.adjustDuration && kClosedBySilence.has(next()) ? 2 : 1);
            break;
        case u'т': writer_.closure(p); context_ = kDental + voiceless(kT); break;
        case u'ф': context_ = kLabial + sustained(kF, 1); break;
        case u'х': context_ = kVelar + voiceless(kKh); break;
        case u'ц': writer_.closure(p); unit(kTs); context_ = kHushing; break;
        case u'ч': writer_.closure(p); unit(kCh); context_ = kSoftHushing; break;
        case u'ш': unit(kSh); context_ = kHushing; break;
        case u'щ': unit(kShch); context_ = kSoftHushing; break;
        case u'ъ': context_ = kNothing; break;
        case u'ь': context_ = kSoftSign; break;
        default: return false;
        }
        return true;
    }

    void pause(char16_t c) {
        const std::uint32_t w = settings_.wordPause;
        if (c == u' ') {
            writer_.pause(w);
            context_ = kNothing;
        } else if (kLongPauses.has(c)) {
            writer_.pause(2 * w);
        } else if (kShortPauses.has(c)) {
            writer_.pause(w);
        }
    }

    void letter(char16_t c) {
        if (!vowel(c) && !consonant(c)) {
            pause(c);
        }
    }

    std::u16string_view text_;
    const SynthesisSettings& settings_;
    std::span<const VowelGrade> grades_;
    SoundWriter& writer_;
    std::size_t pos_ = 0;
    int context_ = kNothing;
};

} // namespace

UnitLengths unitLengthsOf(const unsigned char* const (&units)[kUnitCount]) {
    UnitLengths lengths{};
    for (int i = 0; i < kUnitCount; ++i) {
        lengths[static_cast<std::size_t>(i)] =
            static_cast<std::uint32_t>(std::strlen(reinterpret_cast<const char*>(units[i])));
    }
    return lengths;
}

void speakLetters(std::u16string_view text, const SynthesisSettings& settings, std::span<const VowelGrade> grades,
                  const std::atomic<bool>& aborted, SoundWriter& writer) {
    LetterRules(text, settings, grades, writer).speak(aborted);
}

void synthesize(std::u16string_view text, const SynthesisSettings& settings, const UnitLengths& lengths,
                const std::atomic<bool>& aborted, std::vector<unsigned char>& pcm, std::vector<WordStart>* words) {
    ClassicWriter writer(text, lengths, pcm, words);
    speakLetters(text, settings, {}, aborted, writer);
}

} // namespace vx::tembra
