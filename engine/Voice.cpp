#include "engine/Voice.h"

#include "config/TextUtil.h"
#include "engine/WordTimer.h"

#include <algorithm>

namespace vx {
namespace {

constexpr std::u16string_view kSpellSkipped = u" \n\r\t\v\a";
constexpr std::uint32_t kSpellPause = 100; // milliseconds after each spelled character

// "1" or "2" as a subvoice index; anything else is the first.
std::uint32_t subvoiceIndex(const std::u16string& value) {
    const int index = TextUtil::toInt(value) - 1;
    return index == 1 ? 1 : 0;
}

Punctuation punctuationOf(const std::u16string& value) {
    if (value == u"some") {
        return Punctuation::Some;
    }
    return value == u"all" ? Punctuation::All : Punctuation::None;
}

} // namespace

// Hands the pipeline's portions to the subvoices' modules and its sentence starts to the sink.
// With exact events the marks carry the caller's positions, and each module speaks through a
// word timer that puts the portion's word marks into its audio.
class Voice::ModuleOutput final : public PortionSink {
public:
    // offset: where the text lies in the caller's text, added to every sentence's offset;
    // positions: with exact events, where each character of the text is in the caller's text.
    ModuleOutput(Voice& voice, std::uint32_t offset, std::span<const std::uint32_t> positions)
        : voice_(voice), offset_(offset), positions_(positions) {}
    ModuleOutput(const ModuleOutput&) = delete;
    ModuleOutput& operator=(const ModuleOutput&) = delete;

    bool stopRequested() const override { return voice_.stopped_; }
    bool stopAskedNow() override { return voice_.stopped_ || (voice_.sink_ && voice_.sink_->StopRequested()); }

    // The portion's length goes first: SAPI reads a sentence event's first value as the
    // sentence's length and the second as its position.
    void sentenceStart(std::uint32_t length, std::uint32_t offset) override {
        voice_.lastSentence_ = offset;
        if (voice_.sink_) {
            const auto [position, end] = callerSpan(offset, offset + length);
            const SentenceMark mark = voice_.settings_.exactEvents
                                          ? SentenceMark{SentenceMark::kSentence, end - position, position}
                                          : SentenceMark{SentenceMark::kSentence, length, offset_ + offset};
            voice_.sink_->OnAudio(nullptr, 0, &mark);
        }
    }

    void wordsOf(std::span<const WordSpan> words) override {
        words_.clear();
        for (const WordSpan& word : words) {
            const auto [position, end] = callerSpan(word.sourceBegin, word.sourceEnd);
            const auto [sentence, sentenceEnd] =
                word.sentenceEnd > word.sentenceBegin ? callerSpan(word.sentenceBegin, word.sentenceEnd) : std::pair(0U, 0U);
            words_.push_back({word.offset, position, end - position, sentence, sentenceEnd - sentence});
        }
    }

    bool hasModule(std::size_t subvoice) const override {
        return subvoice < voice_.subvoices_.size() && voice_.subvoices_[subvoice].module;
    }

    bool speak(std::size_t subvoice, const TextPortion& portion) override {
        spoke_ = true;
        SpeechModule* const module = voice_.subvoices_[subvoice].module;
        const bool spoken = voice_.settings_.exactEvents && voice_.sink_ ? speakTimed(*module, portion) : module->Speak(portion);
        if (!spoken && std::ranges::find(voice_.failed_, module) == voice_.failed_.end()) {
            voice_.failed_.push_back(module);
        }
        return spoken;
    }

    // Whether any module was asked to speak.
    bool spoke() const { return spoke_; }

private:
    bool speakTimed(SpeechModule& module, const TextPortion& portion) {
        WAVEFORMATEX format{};
        module.GetOutputFormat(&format);
        timer_.startPortion(std::move(words_), portion.size(), format);
        words_.clear();
        module.SetSink(&timer_);
        module.SetWordMarks(true);
        const bool spoken = module.Speak(portion);
        module.SetWordMarks(false);
        module.SetSink(voice_.sink_);
        timer_.endPortion();
        return spoken;
    }

    // [begin, end) of the text in the caller's positions.
    std::pair<std::uint32_t, std::uint32_t> callerSpan(std::uint32_t begin, std::uint32_t end) const {
        if (positions_.empty()) {
            return {offset_ + begin, offset_ + end};
        }
        const auto at = [&](std::uint32_t i) { return positions_[std::min<std::size_t>(i, positions_.size() - 1)]; };
        return {at(begin), end > begin ? std::max(at(begin), at(end - 1) + 1) : at(begin)};
    }

    Voice& voice_;
    std::uint32_t offset_;
    std::span<const std::uint32_t> positions_;
    std::vector<WordTimer::Word> words_;
    WordTimer timer_{voice_.sink_};
    bool spoke_ = false;
};

bool Voice::SetKey(const std::u16string& key, const std::u16string& value) {
    if (key == u"punctuation") {
        settings_.punctuation = punctuationOf(value);
    } else if (key == u"digit_subvoice") {
        settings_.digitSubvoice = subvoiceIndex(value);
    } else if (key == u"punctuation_subvoice") {
        settings_.punctuationSubvoice = subvoiceIndex(value);
    } else if (key == u"speed") {
        SetRate(TextUtil::toInt(value));
    } else if (key == u"pitch") {
        SetPitch(TextUtil::toInt(value));
    } else if (key == u"volume") {
        SetVolume(TextUtil::toInt(value));
    } else if (key == u"max_portion_size") {
        settings_.maxPortionSize = static_cast<std::uint32_t>(TextUtil::toInt(value));
    } else if (key == u"min_portion_size") {
        settings_.minPortionSize = static_cast<std::uint32_t>(TextUtil::toInt(value));
    } else if (key == u"normalization") {
        settings_.normalization = value == u"full" ? Normalization::Full : Normalization::None;
    } else if (key == u"events") {
        settings_.exactEvents = value == u"exact";
    } else {
        return false;
    }
    return true;
}

bool Voice::AddSubvoice(Language* language, SpeechModule* module) {
    if (!language || !module) {
        return false;
    }
    subvoices_.push_back({language, module});
    return true;
}

void Voice::SetRate(std::int32_t value) {
    if (value >= 0 && value <= 100) {
        for (const Subvoice& subvoice : subvoices_) {
            subvoice.module->SetRate(value);
        }
    }
}

void Voice::SetPitch(std::int32_t value) {
    if (value >= 0 && value <= 100) {
        for (const Subvoice& subvoice : subvoices_) {
            subvoice.module->SetPitch(value);
        }
    }
}

void Voice::SetVolume(std::int32_t value) {
    for (const Subvoice& subvoice : subvoices_) {
        subvoice.module->SetVolume(std::clamp(value, 0, 100));
    }
}

bool Voice::Silence(std::uint32_t milliseconds) {
    return !subvoices_.empty() && subvoices_.front().module->WriteSilence(milliseconds);
}

bool Voice::GetFormat(WAVEFORMATEX* format) const {
    return !subvoices_.empty() && subvoices_.front().module->GetOutputFormat(format);
}

void Voice::SetSink(EngineSink* sink) {
    sink_ = sink;
    for (const Subvoice& subvoice : subvoices_) {
        subvoice.module->SetSink(sink);
    }
}

bool Voice::Stop() {
    stopped_ = true;
    for (const Subvoice& subvoice : subvoices_) {
        subvoice.module->Stop();
    }
    return true;
}

std::vector<const Language*> Voice::languages() const {
    std::vector<const Language*> languages;
    for (const Subvoice& subvoice : subvoices_) {
        languages.push_back(subvoice.language);
    }
    return languages;
}

bool Voice::speaksWithOneModule() const {
    return subvoices_.size() <= 1 || subvoices_[0].module == subvoices_[1].module;
}

bool Voice::SpeakText(std::u16string_view text, std::span<const std::uint32_t> positions) {
    failed_.clear();
    return speak(text, 0, positions);
}

bool Voice::speak(std::u16string_view text, std::uint32_t offset, std::span<const std::uint32_t> positions) {
    if (subvoices_.empty()) {
        return false;
    }
    stopped_ = false;
    for (const Subvoice& subvoice : subvoices_) {
        subvoice.module->Resume();
    }
    ModuleOutput output(*this, offset, positions);
    const bool spoken = speakText(text, languages(), speaksWithOneModule(), settings_, output);
    return spoken || (!output.spoke() && !stopped_);
}

// Records the sentence starts of a pipeline run in which no module speaks.
class SentenceStartList final : public PortionSink {
public:
    bool stopRequested() const override { return false; }
    void sentenceStart(std::uint32_t, std::uint32_t offset) override { starts.push_back(offset); }
    bool hasModule(std::size_t) const override { return false; }
    bool speak(std::size_t, const TextPortion&) override { return false; }

    std::vector<std::uint32_t> starts;
};

std::vector<std::uint32_t> Voice::SentenceStarts(std::u16string_view text) const {
    SentenceStartList list;
    if (settings_.exactEvents) {
        speakText(text, languages(), speaksWithOneModule(), settings_, list);
    }
    return list.starts;
}

bool Voice::Spell(std::u16string_view text) {
    if (text.empty()) {
        return false;
    }
    failed_.clear();
    // A stop belongs to the text it ended: a spelling after an aborted Speak is a new text.
    stopped_ = false;
    const Punctuation mode = settings_.punctuation;
    settings_.punctuation = Punctuation::All;
    bool result = true;
    // A character that cannot be said is passed over, not the end of the spelling.
    for (std::size_t i = 0; i < text.size() && !stopped_; ++i) {
        if (kSpellSkipped.find(text[i]) != std::u16string_view::npos) {
            continue;
        }
        const bool said = speak(text.substr(i, 1), static_cast<std::uint32_t>(i));
        result = result && said;
        Silence(kSpellPause);
    }
    settings_.punctuation = mode;
    return result;
}

} // namespace vx
