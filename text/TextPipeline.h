#pragma once
// The text pipeline: one text of a Speak call in, normalized portions out. The text is cut into
// portions at sentence ends; each portion into runs (digits, symbols, words of the first
// language, words of the second); each run is normalized by the language that will speak it
// (number words, letter and symbol names, abbreviations, replacements) and handed, as a
// TextPortion, to the subvoice that owns it.

#include "text/Language.h"
#include "text/WordSpans.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vx {

// Normalized text for one module call: words separated by single spaces, lowercased by the
// language, with no characters besides letters, digits, spaces and ".,?!;:-".
using TextPortion = std::u16string;

// What is done to a text before it is cut into portions: nothing, or the reading stage, which
// says numbers, dates, abbreviations, symbols and addresses in words (TextReader.h).
enum class Normalization { None, Full };

// The voice settings that the pipeline reads.
struct PipelineSettings {
    Punctuation punctuation = Punctuation::None;
    std::uint32_t digitSubvoice = 0;       // which subvoice reads digit runs (0 or 1)
    std::uint32_t punctuationSubvoice = 0; // which subvoice reads symbol runs and punctuation
    std::uint32_t maxPortionSize = 512;    // longest portion; 0xFFFFFFFF: no portioning
    std::uint32_t minPortionSize = 64;     // texts up to this length are one portion
    bool userDictionary = false;           // apply the languages' user dictionaries
    Normalization normalization = Normalization::None;
    // Events where they belong: bookmarks after the audio of the text before them, sentence and
    // word boundaries at the caller's positions.
    bool exactEvents = false;
};

// Where the pipeline's results go: the voice's speech modules, or a listing of what they would
// be given.
class PortionSink {
public:
    virtual ~PortionSink() = default;

    // True once speaking must end; tested before each portion, each run and each module call.
    virtual bool stopRequested() const = 0;
    // stopRequested, or the caller asks to stop now: asked between the dictionaries' entries,
    // which write no audio and so give the caller no other moment to be heard.
    virtual bool stopAskedNow() { return stopRequested(); }
    // A portion that begins a sentence starts: its length and its offset in the normalized text;
    // with exact events, the length and offset of the sentence's text in the text given to
    // speakText, without the spaces around it.
    virtual void sentenceStart(std::uint32_t length, std::uint32_t offset) = 0;
    // With exact events, before each speak: the words of the portion and, for each, the span of
    // the text given to speakText that it stands for.
    virtual void wordsOf(std::span<const WordSpan>) {}
    // Whether the subvoice (0 or 1) has a module to speak with.
    virtual bool hasModule(std::size_t subvoice) const = 0;
    // Speaks one portion with the subvoice's module; the module's result.
    virtual bool speak(std::size_t subvoice, const TextPortion& portion) = 0;
};

// Runs text through the voice's languages (one or two: the first reads the text, the second the
// words of its own alphabet) into sink. sameModule: both subvoices speak with one module (or
// there is one subvoice), so the runs of a portion are joined into one call. True when the last
// module call succeeded and no stop was requested; false for an empty text, no languages, a
// text in which nothing was spoken, a stop, or a failure (out of memory) inside. Never throws.
bool speakText(std::u16string_view text, std::span<const Language* const> languages, bool sameModule,
               const PipelineSettings& settings, PortionSink& sink);

} // namespace vx
