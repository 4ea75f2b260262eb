// The text pipeline of one SpeakText call. The steps, in order: normalize the text's spaces; cut
// it into portions at sentence ends; cut each portion into runs (digits, symbols, words of the
// second language, words of the first); normalize each run with the language that reads it;
// clean the result and hand it to that subvoice's module, or, when both subvoices share one
// module, join the runs of a portion and hand them over together.

#include "text/TextPipeline.h"

#include "config/TextUtil.h"
#include "platform/CharClass.h"
#include "text/TextReader.h"

#include <array>
#include <functional>
#include <exception>
#include <tuple>
#include <vector>

namespace vx {
namespace {

constexpr std::uint32_t kNoPortioning = 0xFFFFFFFF;
constexpr std::u16string_view kPortionDelimiters = u".?!:;\u2013";
constexpr std::u16string_view kSentenceEnds = u".!?";
// Besides letters and digits, the only characters a module is given.
constexpr std::u16string_view kSpokenMarks = u".,?!;:- ";

// The length of the run at the front of text: its first character, then every following
// character for which belongs holds.
template <class Belongs>
std::size_t runLength(std::u16string_view text, Belongs belongs) {
    std::size_t end = 1;
    while (end < text.size() && belongs(text[end])) {
        ++end;
    }
    return end;
}

// What a module may be given: letters, digits and kSpokenMarks, words apart by single spaces.
std::u16string clean(std::u16string_view text) {
    return TextUtil::trim(TextUtil::collapseSpaces(TextUtil::filterChars(text, kSpokenMarks, u' ', true, true)));
}

class TextPipeline {
public:
    TextPipeline(std::span<const Language* const> languages, bool sameModule, const PipelineSettings& settings,
                 PortionSink& sink);

    // The steps of speakText after its argument checks. readingMap: where the text came from,
    // when the reading stage made it and events are exact.
    bool speak(std::u16string_view text, const ReadingMap* readingMap);

private:
    std::vector<std::u16string> portions(const std::u16string& text) const;
    void speakPortion(std::u16string_view portion, std::size_t offset);

    // Each takes the run at the front of rest, puts its normalized text into the output buffer
    // of the subvoice that reads it and returns the run's length.
    std::size_t takeRun(std::u16string_view rest);
    std::size_t takeDigits(std::u16string_view rest);
    std::size_t takeSymbols(std::u16string_view rest);
    std::size_t takeSecondLanguage(std::u16string_view rest);
    std::size_t takeFirstLanguage(std::u16string_view rest);

    std::u16string normalizeSymbols(const Language& language, std::u16string_view run) const;
    std::u16string normalizeOneCharacter(const Language& language, const std::u16string& text) const;
    std::u16string normalizeSecondLanguage(std::u16string text) const;
    std::u16string normalizeFirstLanguage(std::u16string text) const;

    void emit(bool portionEnds, std::size_t runStart, std::size_t runEnd);
    void speakBuffer(std::size_t subvoice);
    // With exact events: the span of the text given to speakText that the normalized text's
    // [begin, end) came from.
    std::pair<std::uint32_t, std::uint32_t> sourceSpan(std::size_t begin, std::size_t end) const;
    std::vector<WordSpan> wordSpans(std::size_t subvoice, std::size_t runStart, std::size_t runEnd) const;
    static std::vector<std::pair<std::size_t, std::size_t>> sentencesIn(std::u16string_view portion, std::size_t offset);

    bool isLanguageLetter(char16_t c) const;
    bool stopped();
    const Language& language(std::size_t subvoice) const { return *languages_[subvoice]; }

    std::span<const Language* const> languages_;
    bool sameModule_;
    PortionSink& sink_;
    const PipelineSettings& settings_;
    std::size_t k_;          // the index of the last subvoice that takes part: 0 or 1
    std::size_t digits_;     // the subvoice that reads digit runs
    std::size_t symbols_;    // the subvoice that reads symbol runs and spoken punctuation
    bool single_ = false;    // the whole normalized text is one character
    std::array<std::u16string, 2> buffers_;
    std::u16string pending_; // the runs of a portion joined for the shared module
    // With exact events: the normalized text, where each of its characters was in the text read
    // (one past the end too), where that came from, and the words of each buffer and of pending_.
    std::u16string_view normalized_;
    std::vector<std::uint32_t> readOf_;
    const ReadingMap* readingMap_ = nullptr;
    std::array<std::vector<WordSpan>, 2> bufferWords_;
    std::vector<WordSpan> pendingWords_;
    // The sentences after the first in the portion being spoken, whose starts its words mark.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> innerSentences_;
    bool stopped_ = false;
    // The stop request as the dictionaries ask for it between their entries.
    const std::function<bool()> stopRequested_ = [this] { return sink_.stopAskedNow(); };
    bool result_ = false;
};

TextPipeline::TextPipeline(std::span<const Language* const> languages, bool sameModule,
                           const PipelineSettings& settings, PortionSink& sink)
    : languages_(languages), sameModule_(sameModule), sink_(sink), settings_(settings),
      k_(languages.size() >= 2 ? 1 : 0), digits_(settings.digitSubvoice > k_ ? 0 : settings.digitSubvoice),
      symbols_(settings.punctuationSubvoice > k_ ? 0 : settings.punctuationSubvoice) {}

// Where each character of collapseSpaces(trim(text)) was in text (one past the end too): a run of
// spaces that became one space is where the run begins.
std::vector<std::uint32_t> collapsedPositions(std::u16string_view text, std::u16string_view collapsed) {
    std::vector<std::uint32_t> positions;
    positions.reserve(collapsed.size() + 1);
    std::size_t at = 0;
    while (at < text.size() && TextUtil::kTrimSet.find(text[at]) != std::u16string_view::npos) {
        ++at;
    }
    for (const char16_t c : collapsed) {
        positions.push_back(static_cast<std::uint32_t>(std::min(at, text.size())));
        const bool run = c == u' ' && at < text.size() && isSpaceLike(text[at]);
        do {
            ++at;
        } while (run && at < text.size() && isSpaceLike(text[at]));
    }
    positions.push_back(static_cast<std::uint32_t>(std::min(at, text.size())));
    return positions;
}

bool TextPipeline::speak(std::u16string_view text, const ReadingMap* readingMap) {
    const std::u16string normalized = TextUtil::collapseSpaces(TextUtil::trim(text));
    // A text of spaces alone has nothing to speak, and no sentence to announce either. A lone
    // no-break space survives collapseSpaces, hence isBlank rather than empty.
    if (TextUtil::isBlank(normalized)) {
        return false;
    }
    if (settings_.exactEvents) {
        normalized_ = normalized;
        readOf_ = collapsedPositions(text, normalized);
        readingMap_ = readingMap;
    }
    single_ = normalized.size() == 1;
    bool sentenceStart = true;
    std::size_t offset = 0;
    for (const std::u16string& portion : portions(normalized)) {
        if (stopped()) {
            break;
        }
        if (settings_.exactEvents) {
            const std::vector<std::pair<std::size_t, std::size_t>> sentences = sentencesIn(portion, offset);
            if (sentenceStart && !sentences.empty()) {
                const auto [sourceBegin, sourceEnd] = sourceSpan(sentences.front().first, sentences.front().second);
                sink_.sentenceStart(sourceEnd - sourceBegin, sourceBegin);
            }
            innerSentences_.clear();
            for (std::size_t i = 1; i < sentences.size(); ++i) {
                innerSentences_.push_back(sourceSpan(sentences[i].first, sentences[i].second));
            }
        } else if (sentenceStart) {
            // SAPI reads the first value of a sentence event as the sentence's length, so it gets
            // the real length of the portion.
            sink_.sentenceStart(static_cast<std::uint32_t>(portion.size()), static_cast<std::uint32_t>(offset));
        }
        speakPortion(portion, offset);
        sentenceStart = portion.find_first_of(kSentenceEnds) != std::u16string::npos;
        offset += portion.size();
    }
    return result_ && !stopped();
}

std::pair<std::uint32_t, std::uint32_t> TextPipeline::sourceSpan(std::size_t begin, std::size_t end) const {
    const std::uint32_t readBegin = readOf_[begin];
    const std::uint32_t readEnd = end > begin ? readOf_[end - 1] + 1 : readBegin;
    return readingMap_ ? readingMap_->source(readBegin, readEnd) : std::pair(readBegin, readEnd);
}

// Short texts stay whole however many sentences they hold: cutting them would only add pauses.
std::vector<std::u16string> TextPipeline::portions(const std::u16string& text) const {
    std::vector<std::u16string> out;
    if (settings_.maxPortionSize != kNoPortioning && text.size() > settings_.minPortionSize) {
        TextUtil::split(text, kPortionDelimiters, out, settings_.maxPortionSize, true);
    } else {
        out.push_back(text);
    }
    return out;
}

void TextPipeline::speakPortion(std::u16string_view portion, std::size_t offset) {
    std::u16string_view rest = portion;
    while (!rest.empty() && !stopped()) {
        const std::size_t runStart = offset + (portion.size() - rest.size());
        rest.remove_prefix(takeRun(rest));
        emit(rest.empty(), runStart, offset + (portion.size() - rest.size()));
    }
}

// The second language is asked before the first, so a letter both know is read as the second
// language's.
std::size_t TextPipeline::takeRun(std::u16string_view rest) {
    const char16_t c = rest.front();
    if (isDigit(c)) {
        return takeDigits(rest);
    }
    if (!isLanguageLetter(c)) {
        return takeSymbols(rest);
    }
    if (k_ == 1 && language(1).isLetter(c)) {
        return takeSecondLanguage(rest);
    }
    return takeFirstLanguage(rest);
}

std::size_t TextPipeline::takeDigits(std::u16string_view rest) {
    const std::size_t length = runLength(rest, isDigit);
    buffers_[digits_] = language(digits_).numberToWords(rest.substr(0, length));
    return length;
}

std::size_t TextPipeline::takeSymbols(std::u16string_view rest) {
    const std::size_t length = runLength(rest, [this](char16_t c) { return !isDigit(c) && !isLanguageLetter(c); });
    buffers_[symbols_] = normalizeSymbols(language(symbols_), rest.substr(0, length));
    return length;
}

// Punctuation stays inside a word run when it is not spoken, or when the run's own subvoice
// speaks it; otherwise it ends the run and is read as a symbol run.
std::size_t TextPipeline::takeSecondLanguage(std::u16string_view rest) {
    const bool keepsPunctuation = settings_.punctuation == Punctuation::None || symbols_ == 1;
    const std::size_t length = runLength(rest, [&](char16_t c) {
        return isSpace(c) || language(1).isLetter(c) || (keepsPunctuation && isPunct(c));
    });
    buffers_[1] = normalizeSecondLanguage(TextUtil::trim(rest.substr(0, length)));
    return length;
}

std::size_t TextPipeline::takeFirstLanguage(std::u16string_view rest) {
    const bool keepsPunctuation = settings_.punctuation == Punctuation::None || symbols_ == 0;
    const std::size_t length = runLength(rest, [&](char16_t c) {
        return isSpace(c) || language(0).isLetter(c) || (keepsPunctuation && isPunct(c));
    });
    buffers_[0] = normalizeFirstLanguage(TextUtil::trim(rest.substr(0, length)));
    return length;
}

// A symbol that is the whole text (as when spelling) is named by its letter name when it has
// one, else by its symbol name.
std::u16string TextPipeline::normalizeSymbols(const Language& language, std::u16string_view run) const {
    if (single_) {
        std::u16string named = language.mapLetters(run);
        return named.size() == 1 ? language.spellSymbols(run, settings_.punctuation) : named;
    }
    return language.spellSymbols(run, settings_.punctuation);
}

std::u16string TextPipeline::normalizeOneCharacter(const Language& language, const std::u16string& text) const {
    std::u16string named = language.mapLetters(text);
    return named.size() == 1 ? language.spellSymbols(named, settings_.punctuation) : named;
}

// Abbreviations are spelled before the replacements here, the reverse of the first language, so
// the second language's replacements also see the spelled letter names.
std::u16string TextPipeline::normalizeSecondLanguage(std::u16string text) const {
    const Language& second = language(1);
    text = second.spellSymbols(second.toLower(text), settings_.punctuation);
    if (text.size() == 1) {
        return normalizeOneCharacter(second, text);
    }
    text = second.spellSingleLetters(text);
    if (settings_.userDictionary) {
        text = second.applyUserDictionary(text, stopRequested_);
    }
    return second.applyReplacements(second.spellAbbreviations(text), stopRequested_);
}

// Replacements come before abbreviations here, so that a dictionary word without vowels is
// replaced rather than spelled.
std::u16string TextPipeline::normalizeFirstLanguage(std::u16string text) const {
    const Language& first = language(0);
    text = first.spellSymbols(first.toLower(text), settings_.punctuation);
    if (text.size() == 1) {
        // A one-letter word inside the text is a preposition; only a letter on its own is spelled.
        if (!single_ && first.isPreposition(text)) {
            return text;
        }
        return normalizeOneCharacter(first, text);
    }
    text = first.spellSingleLetters(text);
    if (settings_.userDictionary) {
        text = first.applyUserDictionary(text, stopRequested_);
    }
    return first.spellAbbreviations(first.applyReplacements(text, stopRequested_));
}

// With one shared module the runs of a portion are collected and spoken in one call at its
// end, so the module reads the portion as one phrase; each run text ends with a space, which
// keeps the runs apart. Only one buffer is filled per run.
void TextPipeline::emit(bool portionEnds, std::size_t runStart, std::size_t runEnd) {
    for (std::size_t subvoice = 0; subvoice < buffers_.size(); ++subvoice) {
        buffers_[subvoice] = clean(buffers_[subvoice]);
        if (settings_.exactEvents) {
            bufferWords_[subvoice] = wordSpans(subvoice, runStart, runEnd);
        }
    }
    if (sameModule_) {
        const std::size_t filledIndex = buffers_[1].empty() ? 0 : 1;
        std::u16string& filled = buffers_[filledIndex];
        if (!filled.empty()) {
            for (WordSpan word : bufferWords_[filledIndex]) {
                word.offset += static_cast<std::uint32_t>(pending_.size());
                pendingWords_.push_back(word);
            }
            pending_ += filled;
            pending_ += u' ';
        }
        buffers_ = {};
        bufferWords_ = {};
        if (!portionEnds) {
            return;
        }
        buffers_[0] = std::move(pending_);
        bufferWords_[0] = std::move(pendingWords_);
        pending_.clear();
        pendingWords_.clear();
    }
    for (std::size_t subvoice = 0; subvoice <= k_; ++subvoice) {
        speakBuffer(subvoice);
    }
    buffers_ = {};
    bufferWords_ = {};
}

// The buffer's words paired with the words of the run they were made from, in the coordinates of
// the text given to speakText.
std::vector<WordSpan> TextPipeline::wordSpans(std::size_t subvoice, std::size_t runStart, std::size_t runEnd) const {
    std::vector<WordSpan> words =
        alignWords(buffers_[subvoice], normalized_.substr(runStart, runEnd - runStart), static_cast<std::uint32_t>(runStart),
                   language(std::min(subvoice, k_)));
    for (WordSpan& word : words) {
        std::tie(word.sourceBegin, word.sourceEnd) = sourceSpan(word.sourceBegin, word.sourceEnd);
    }
    return words;
}

// A stop requested inside an earlier module call keeps every later one from being made.
void TextPipeline::speakBuffer(std::size_t subvoice) {
    if (stopped() || TextUtil::isBlank(buffers_[subvoice]) || !sink_.hasModule(subvoice)) {
        return;
    }
    if (settings_.exactEvents) {
        // The first word that reaches into a sentence inside the portion begins it; a word that
        // reaches into several (an abbreviation's dots) begins the first of them.
        for (WordSpan& word : bufferWords_[subvoice]) {
            if (!innerSentences_.empty() && word.sourceEnd > innerSentences_.front().first) {
                std::tie(word.sentenceBegin, word.sentenceEnd) = innerSentences_.front();
            }
            while (!innerSentences_.empty() && word.sourceEnd > innerSentences_.front().first) {
                innerSentences_.erase(innerSentences_.begin());
            }
        }
        sink_.wordsOf(bufferWords_[subvoice]);
    }
    result_ = sink_.speak(subvoice, buffers_[subvoice]);
}

// The sentences of a portion at offset in the normalized text, each without the spaces around
// it: a sentence ends after . ! or ? that a space follows.
std::vector<std::pair<std::size_t, std::size_t>> TextPipeline::sentencesIn(std::u16string_view portion,
                                                                          std::size_t offset) {
    std::vector<std::pair<std::size_t, std::size_t>> sentences;
    std::size_t begin = portion.find_first_not_of(u' ');
    while (begin < portion.size()) {
        std::size_t end = begin;
        while (end < portion.size() && !(kSentenceEnds.find(portion[end]) != std::u16string_view::npos &&
                                         end + 1 < portion.size() && portion[end + 1] == u' ')) {
            ++end;
        }
        end = std::min(end + 1, portion.size());
        const std::size_t last = portion.find_last_not_of(u' ', end - 1);
        sentences.emplace_back(offset + begin, offset + (last == std::u16string_view::npos ? end : last + 1));
        begin = portion.find_first_not_of(u' ', end);
    }
    return sentences;
}

bool TextPipeline::isLanguageLetter(char16_t c) const {
    return language(0).isLetter(c) || (k_ == 1 && language(1).isLetter(c));
}

// Once a stop is seen it holds for the rest of the call, whatever the sink says later.
bool TextPipeline::stopped() {
    stopped_ = stopped_ || sink_.stopRequested();
    return stopped_;
}

} // namespace

bool speakText(std::u16string_view text, std::span<const Language* const> languages, bool sameModule,
               const PipelineSettings& settings, PortionSink& sink) {
    if (text.empty() || languages.empty()) {
        return false;
    }
    // Running out of memory ends the call like a failed module call would: nothing more is
    // spoken, and the engine's Speak reports the failure instead of the host seeing an exception.
    try {
        if (settings.normalization == Normalization::Full) {
            ReadingMap map;
            const std::u16string read = readText(text, languages.first(std::min<std::size_t>(languages.size(), 2)),
                                                 settings.exactEvents ? &map : nullptr);
            return TextPipeline(languages, sameModule, settings, sink).speak(read, settings.exactEvents ? &map : nullptr);
        }
        return TextPipeline(languages, sameModule, settings, sink).speak(text, nullptr);
    } catch (...) {
        return false;
    }
}

} // namespace vx
