#pragma once
// SAPI 5's TTS XML read into the list of text fragments that SAPI hands an engine's Speak, as
// SAPI builds it: each run of text carries the voice state that its enclosing tags set (rate,
// pitch, volume, emphasis, spelling, pronunciation, context, language); bookmarks, silences and
// stand-alone pronunciations are fragments of their own; a tag SAPI does not know is passed on
// as written, as a fragment of its own, for the engine to read or ignore.

#include "platform/Sapi.h"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vx::cli {

// The XML cannot be read. The message starts with the place it names, "line 2, column 7: …"
// (columns count UTF-16 units from 1), but for a text too long for SAPI's offsets.
class SapiXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The voice state that the XML's adjustments start from, as SAPI starts from the voice's own
// rate and volume: rates and pitches add to it, volume levels are percentages of it.
struct VoiceBase {
    LONG rate = 0;
    LONG pitch = 0;
    ULONG volume = 100;
    bool spell = false; // the text is spelled out unless a tag says otherwise
};

// The fragments of one XML text. It owns everything the chain points to (the decoded texts, the
// phonemes, the context names and the fragments themselves) and is neither copied nor moved, so
// the chain is valid exactly as long as the object.
class SapiXml {
public:
    // Where a fragment's text is written in the input, in UTF-16 units: entities as written.
    // A fragment without text (a silence, a pronunciation without content) has the length 0 at
    // its tag.
    struct Span {
        std::size_t offset;
        std::size_t length;
    };

    // Reads xml. Throws SapiXmlError for a tag or element that is not well-formed XML (a stray
    // '<', an unclosed or mismatched tag, a malformed or repeated attribute), an entity that is
    // not one of XML's five or a character reference, a known tag without the attribute it needs
    // or with a value that is not a whole number (a LANGID: hexadecimal), a tag that must be
    // empty written with content or the other way round, and for input too long for SAPI's
    // 32-bit offsets.
    explicit SapiXml(std::u16string_view xml, const VoiceBase& base = {});
    SapiXml(const SapiXml&) = delete;
    SapiXml& operator=(const SapiXml&) = delete;

    // The chain for ISpTTSEngine::Speak: the first fragment, or null when the XML has none.
    const SPVTEXTFRAG* chain() const { return fragments_.empty() ? nullptr : fragments_.data(); }
    // The same fragments in order.
    std::span<const SPVTEXTFRAG> fragments() const { return fragments_; }
    // Where fragment i is in the input; i must be below fragments().size().
    Span source(std::size_t i) const { return sources_[i]; }

private:
    friend class SapiXmlReader;

    // Pointers into texts_ are set only once it is complete and never grows again.
    struct Pieces {
        std::size_t text;
        std::size_t phones;  // or npos
        std::size_t context; // or npos
    };

    std::u16string texts_; // every string the chain points to, each ending in a null character
    std::vector<SPVTEXTFRAG> fragments_;
    std::vector<Pieces> pieces_;
    std::vector<Span> sources_;
};

} // namespace vx::cli
