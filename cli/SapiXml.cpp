#include "cli/SapiXml.h"

#include "platform/Utf.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace vx::cli {
namespace {

constexpr std::size_t kNone = std::u16string::npos;
// SAPI's schema gives a silence from 0 to 65535 milliseconds.
constexpr std::int64_t kLongestSilence = 65535;
// Far beyond any entity name or character reference: a '&' without a ';' that near is a mistake.
constexpr std::size_t kLongestEntity = 32;
constexpr std::u16string_view kXmlSpace = u" \t\r\n";

bool isXmlSpace(char16_t c) {
    return kXmlSpace.find(c) != std::u16string_view::npos;
}

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// XML's names, with every character beyond ASCII allowed: SAPI's own need no more.
bool isNameStart(char16_t c) {
    return isAsciiLetter(c) || c == u'_' || c == u':' || c >= 0x80;
}

bool isNameChar(char16_t c) {
    return isNameStart(c) || isDigit(c) || c == u'-' || c == u'.';
}

// SAPI reads tag and attribute names without regard to case.
std::u16string lowered(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return out;
}

std::u16string_view trimmed(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(kXmlSpace);
    if (first == std::u16string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kXmlSpace) - first + 1);
}

// The phonemes of a sym attribute, one space between each two, as SAPI's phone converters read
// them.
std::u16string phonemesOf(std::u16string_view sym) {
    std::u16string out;
    for (std::size_t at = 0;
         (at = sym.find_first_not_of(kXmlSpace, at)) != std::u16string_view::npos;) {
        const std::size_t end = std::min(sym.find_first_of(kXmlSpace, at), sym.size());
        out += (out.empty() ? u"" : u" ");
        out += sym.substr(at, end - at);
        at = end;
    }
    return out;
}

LONG saturatedLong(std::int64_t value) {
    return static_cast<LONG>(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(),
                                                      std::numeric_limits<LONG>::max()));
}

// A whole number as written ("-5", "+3", " 7 "), saturated far beyond any LONG; nothing when it
// is not one.
std::optional<std::int64_t> wholeNumber(std::u16string_view text) {
    text = trimmed(text);
    const bool negative = text.starts_with(u'-');
    if (negative || text.starts_with(u'+')) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = std::min(value * 10 + (c - u'0'), kCap);
    }
    return negative ? -value : value;
}

// A number of at most digits digits in base 10 or 16; nothing when it is not one or is longer.
std::optional<std::uint32_t> unsignedNumber(std::u16string_view text, int base,
                                            std::size_t digits) {
    if (text.empty() || text.size() > digits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char16_t c : text) {
        const int digit = isDigit(c)                             ? c - u'0'
                          : base == 16 && c >= u'a' && c <= u'f' ? c - u'a' + 10
                          : base == 16 && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                                 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    return value;
}

// The characters XML allows, which a character reference may name.
bool isXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendCodePoint(std::u16string& out, std::uint32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

enum class Tag {
    Sapi,
    Bookmark,
    Silence,
    Rate,
    Pitch,
    Volume,
    Emph,
    Spell,
    Pron,
    Context,
    Lang,
    PartOfSp,
    Voice
};

// How SAPI's documentation lets a tag be written: self-closing only, with content only, or both.
enum class Form { Either, EmptyOnly, ContentOnly };

struct KnownTag {
    std::u16string_view name;
    Tag tag;
    Form form;
};

constexpr KnownTag kKnownTags[] = {
    {u"sapi", Tag::Sapi, Form::Either},          {u"bookmark", Tag::Bookmark, Form::EmptyOnly},
    {u"silence", Tag::Silence, Form::EmptyOnly}, {u"rate", Tag::Rate, Form::Either},
    {u"pitch", Tag::Pitch, Form::Either},        {u"volume", Tag::Volume, Form::Either},
    {u"emph", Tag::Emph, Form::ContentOnly},     {u"spell", Tag::Spell, Form::ContentOnly},
    {u"pron", Tag::Pron, Form::Either},          {u"context", Tag::Context, Form::ContentOnly},
    {u"lang", Tag::Lang, Form::Either},          {u"partofsp", Tag::PartOfSp, Form::ContentOnly},
    {u"voice", Tag::Voice, Form::Either},
};

const KnownTag* knownTag(std::u16string_view lowercaseName) {
    for (const KnownTag& known : kKnownTags) {
        if (known.name == lowercaseName) {
            return &known;
        }
    }
    return nullptr;
}

std::string quoted(std::u16string_view text) {
    return "'" + toUtf8(text) + "'";
}

} // namespace

// Reads the XML left to right in one pass, keeping the voice state of each open element on a
// stack: a closing tag gives back the state from before its element, so a self-closing state
// tag changes the state for the rest of the element that encloses it.
class SapiXmlReader {
public:
    SapiXmlReader(std::u16string_view xml, const VoiceBase& base, SapiXml& out)
        : xml_(xml)
        , base_(base)
        , out_(out) {
        SPVSTATE& state = state_.state;
        state.eAction = base.spell ? SPVA_SpellOut : SPVA_Speak;
        state.RateAdj = base.rate;
        state.PitchAdj.MiddleAdj = base.pitch;
        state.Volume = base.volume;
        state.ePartOfSpeech = SPPS_Unknown;
    }

    void read() {
        if (xml_.size() > std::numeric_limits<ULONG>::max()) {
            throw SapiXmlError("the text is longer than SAPI's 32-bit offsets can count");
        }
        while (at_ < xml_.size()) {
            if (xml_[at_] == u'<') {
                readMarkup();
            } else {
                readText();
            }
        }
        if (!open_.empty()) {
            fail(open_.back().offset, "<" + toUtf8(open_.back().name) + "> is not closed");
        }
        link();
    }

private:
    // The voice state of the text at the reading position.
    struct State {
        SPVSTATE state{};
        std::size_t phones = kNone;  // in the owner's texts
        std::size_t context = kNone; // in the owner's texts
    };
    struct OpenElement {
        std::u16string name; // as written
        std::size_t offset;  // of its '<'
        State before;
    };
    struct Attribute {
        std::u16string name; // lower case
        std::u16string value;
        SapiXml::Span written; // the value between its quotes
    };
    struct TagText {
        std::size_t begin = 0, end = 0; // '<' and one past '>'
        std::u16string_view name;
        std::u16string lowercaseName;
        std::vector<Attribute> attributes;
        bool closing = false, selfClosing = false;
    };

    [[noreturn]] void fail(std::size_t offset, const std::string& what) const {
        const std::u16string_view before = xml_.substr(0, offset);
        const std::size_t line =
            1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), u'\n'));
        const std::size_t lineStart = before.rfind(u'\n');
        const std::size_t column =
            offset - (lineStart == std::u16string_view::npos ? 0 : lineStart + 1) + 1;
        throw SapiXmlError("line " + std::to_string(line) + ", column " + std::to_string(column) +
                           ": " + what);
    }

    void readText() {
        const std::size_t begin = at_;
        at_ = std::min(xml_.find(u'<', at_), xml_.size());
        const std::u16string text = decoded(xml_.substr(begin, at_ - begin), begin);
        // White space between tags separates them; it is nothing to speak.
        if (text.find_first_not_of(kXmlSpace) != std::u16string::npos) {
            addFragment(state_.state.eAction, text, {begin, at_ - begin}, state_);
        }
    }

    void readMarkup() {
        const std::u16string_view rest = xml_.substr(at_);
        if (rest.starts_with(u"<!--")) {
            skipPast(u"-->", "the comment is not closed with '-->'");
        } else if (rest.starts_with(u"<?")) {
            skipPast(u"?>", "the processing instruction is not closed with '?>'");
        } else if (rest.starts_with(u"<!")) {
            fail(at_, "'<!' starts markup that SAPI's XML does not take (comments only: <!-- -->)");
        } else {
            const TagText tag = readTag();
            if (tag.closing) {
                closeElement(tag);
            } else {
                openElement(tag);
            }
        }
    }

    void skipPast(std::u16string_view end, const std::string& unclosed) {
        const std::size_t found = xml_.find(end, at_ + 2);
        if (found == std::u16string_view::npos) {
            fail(at_, unclosed);
        }
        at_ = found + end.size();
    }

    void skipSpaces() {
        while (at_ < xml_.size() && isXmlSpace(xml_[at_])) {
            ++at_;
        }
    }

    std::u16string_view readName() {
        const std::size_t begin = at_;
        while (at_ < xml_.size() && isNameChar(xml_[at_])) {
            ++at_;
        }
        return xml_.substr(begin, at_ - begin);
    }

    TagText readTag() {
        TagText tag;
        tag.begin = at_++;
        tag.closing = at_ < xml_.size() && xml_[at_] == u'/';
        at_ += tag.closing ? 1 : 0;
        if (at_ >= xml_.size() || !isNameStart(xml_[at_])) {
            fail(tag.begin, "'<' that starts no tag (write &lt; for the character)");
        }
        tag.name = readName();
        tag.lowercaseName = lowered(tag.name);
        const std::string name = (tag.closing ? "</" : "<") + toUtf8(tag.name) + ">";
        for (;;) {
            const bool spaced = at_ < xml_.size() && isXmlSpace(xml_[at_]);
            skipSpaces();
            if (at_ >= xml_.size()) {
                fail(tag.begin, name + " is not closed with '>'");
            }
            if (xml_[at_] == u'>') {
                ++at_;
                break;
            }
            if (xml_[at_] == u'/' && !tag.closing && at_ + 1 < xml_.size() &&
                xml_[at_ + 1] == u'>') {
                tag.selfClosing = true;
                at_ += 2;
                break;
            }
            if (tag.closing || !spaced || !isNameStart(xml_[at_])) {
                fail(at_, "bad attribute in " + name + ": " +
                              (tag.closing ? "a closing tag has none"
                               : spaced    ? "an attribute starts with a name"
                                           : "attributes are set apart by white space"));
            }
            readAttribute(tag, name);
        }
        tag.end = at_;
        return tag;
    }

    void readAttribute(TagText& tag, const std::string& tagName) {
        const std::size_t nameOffset = at_;
        Attribute attribute;
        attribute.name = lowered(readName());
        const std::string name = "'" + toUtf8(attribute.name) + "' of " + tagName;
        skipSpaces();
        if (at_ >= xml_.size() || xml_[at_] != u'=') {
            fail(at_, "bad attribute: " + name + " has no '=' and value");
        }
        ++at_;
        skipSpaces();
        if (at_ >= xml_.size() || (xml_[at_] != u'"' && xml_[at_] != u'\'')) {
            fail(at_, "bad attribute: the value of " + name + " is not in quotes");
        }
        const std::size_t valueBegin = at_ + 1;
        const std::size_t valueEnd = xml_.find(xml_[at_], valueBegin);
        if (valueEnd == std::u16string_view::npos) {
            fail(at_, "bad attribute: the value of " + name + " has no closing quote");
        }
        const std::u16string_view written = xml_.substr(valueBegin, valueEnd - valueBegin);
        if (const std::size_t bracket = written.find(u'<'); bracket != std::u16string_view::npos) {
            fail(valueBegin + bracket,
                 "bad attribute: '<' in the value of " + name + " (write &lt;)");
        }
        for (const Attribute& earlier : tag.attributes) {
            if (earlier.name == attribute.name) {
                fail(nameOffset, "bad attribute: " + name + " is given twice");
            }
        }
        attribute.value = decoded(written, valueBegin);
        attribute.written = {valueBegin, written.size()};
        tag.attributes.push_back(std::move(attribute));
        at_ = valueEnd + 1;
    }

    // written with its entities and character references replaced; offset is where it starts in
    // the input.
    std::u16string decoded(std::u16string_view written, std::size_t offset) const {
        std::u16string out;
        out.reserve(written.size());
        for (std::size_t at = 0; at < written.size();) {
            if (written[at] != u'&') {
                out += written[at++];
                continue;
            }
            const std::size_t end = written.find(u';', at);
            if (end == std::u16string_view::npos || end - at > kLongestEntity) {
                fail(offset + at, "'&' that starts no entity (write &amp; for the character)");
            }
            appendEntity(out, written.substr(at + 1, end - at - 1), offset + at);
            at = end + 1;
        }
        return out;
    }

    void appendEntity(std::u16string& out, std::u16string_view name, std::size_t offset) const {
        static constexpr std::pair<std::u16string_view, char16_t> kEntities[] = {
            {u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"quot", u'"'}, {u"apos", u'\''}};
        for (const auto& [entity, character] : kEntities) {
            if (name == entity) {
                out += character;
                return;
            }
        }
        const std::string written = "'&" + toUtf8(name) + ";'";
        if (!name.starts_with(u'#')) {
            fail(offset, "unknown entity " + written + " (XML has &lt; &gt; &amp; &quot; &apos;)");
        }
        const bool hex = name.starts_with(u"#x");
        const std::optional<std::uint32_t> code =
            unsignedNumber(name.substr(hex ? 2 : 1), hex ? 16 : 10, hex ? 6 : 7);
        if (!code || !isXmlChar(*code)) {
            fail(offset, "bad character reference " + written);
        }
        appendCodePoint(out, *code);
    }

    void openElement(const TagText& tag) {
        const KnownTag* known = knownTag(tag.lowercaseName);
        const std::string name = toUtf8(tag.name);
        if (!known) {
            // SAPI hands a tag it does not know to the engine as written.
            addFragment(SPVA_ParseUnknownTag, xml_.substr(tag.begin, tag.end - tag.begin),
                        {tag.begin, tag.end - tag.begin}, state_);
        } else if (known->form == Form::EmptyOnly && !tag.selfClosing) {
            fail(tag.begin, "<" + name + "> must be empty: write <" + name + " …/>");
        } else if (known->form == Form::ContentOnly && tag.selfClosing) {
            fail(tag.begin, "<" + name + "/> is empty: <" + name + "> encloses the text it is for");
        }
        if (!tag.selfClosing) {
            open_.push_back({std::u16string(tag.name), tag.begin, state_});
        }
        if (known) {
            apply(known->tag, tag);
        }
    }

    void closeElement(const TagText& tag) {
        if (open_.empty()) {
            fail(tag.begin, "</" + toUtf8(tag.name) + "> closes no open tag");
        }
        const OpenElement& open = open_.back();
        if (lowered(open.name) != tag.lowercaseName) {
            fail(tag.begin,
                 "</" + toUtf8(tag.name) + "> does not close <" + toUtf8(open.name) + ">");
        }
        state_ = open.before;
        open_.pop_back();
        if (!knownTag(tag.lowercaseName)) {
            addFragment(SPVA_ParseUnknownTag, xml_.substr(tag.begin, tag.end - tag.begin),
                        {tag.begin, tag.end - tag.begin}, state_);
        }
    }

    // What a known tag does: a state tag changes the state of what follows it (its content, or
    // with the self-closing form the rest of the enclosing element); an item tag adds a fragment.
    void apply(Tag known, const TagText& tag) {
        SPVSTATE& state = state_.state;
        switch (known) {
        case Tag::Bookmark: {
            const Attribute& mark = required(tag, u"mark");
            addFragment(SPVA_Bookmark, mark.value, mark.written, state_);
            break;
        }
        case Tag::Silence: {
            State silence = state_;
            silence.state.SilenceMSecs = static_cast<ULONG>(
                std::clamp<std::int64_t>(number(tag, required(tag, u"msec")), 0, kLongestSilence));
            addFragment(SPVA_Silence, u"", {tag.begin, 0}, silence);
            break;
        }
        case Tag::Rate:
            adjust(tag, u"speed", u"absspeed", state.RateAdj, base_.rate);
            break;
        case Tag::Pitch:
            adjust(tag, u"middle", u"absmiddle", state.PitchAdj.MiddleAdj, base_.pitch);
            break;
        case Tag::Volume: {
            // Levels beyond 0-100 are truncated to it, and taken as percentages of the base.
            const std::int64_t level =
                std::clamp<std::int64_t>(number(tag, required(tag, u"level")), 0, 100);
            state.Volume = static_cast<ULONG>((base_.volume * level + 50) / 100);
            break;
        }
        case Tag::Emph:
            state.EmphAdj = 1;
            break;
        case Tag::Spell:
            state.eAction = SPVA_SpellOut;
            break;
        case Tag::Pron:
            pronounce(tag);
            break;
        case Tag::Context:
            state_.context = store(required(tag, u"id").value);
            break;
        case Tag::Lang:
            state.LangID = languageId(tag, required(tag, u"langid"));
            break;
        case Tag::Sapi:
        case Tag::PartOfSp: // the declarations name no part of speech beyond SPPS_Unknown
        case Tag::Voice:    // a command speaks with the one voice it was given
            break;
        }
    }

    // The self-closing form is a pronunciation of its own; the content of the other is spoken
    // with the phonemes instead of as written.
    void pronounce(const TagText& tag) {
        const std::size_t phones = store(phonemesOf(required(tag, u"sym").value));
        if (tag.selfClosing) {
            State item = state_;
            item.phones = phones;
            addFragment(SPVA_Pronounce, u"", {tag.begin, 0}, item);
        } else {
            state_.state.eAction = SPVA_Pronounce;
            state_.phones = phones;
        }
    }

    // A rate or pitch: the absolute value counts from the base, the relative one from the state.
    void adjust(const TagText& tag, std::u16string_view relative, std::u16string_view absolute,
                LONG& field, LONG base) {
        const Attribute* absoluteValue = find(tag, absolute);
        const Attribute* relativeValue = find(tag, relative);
        if (!absoluteValue && !relativeValue) {
            fail(tag.begin, "<" + toUtf8(tag.name) + "> needs " + toUtf8(relative) + " or " +
                                toUtf8(absolute));
        }
        std::int64_t value =
            absoluteValue ? std::int64_t{base} + number(tag, *absoluteValue) : field;
        if (relativeValue) {
            value += number(tag, *relativeValue);
        }
        field = saturatedLong(value);
    }

    static const Attribute* find(const TagText& tag, std::u16string_view name) {
        for (const Attribute& attribute : tag.attributes) {
            if (attribute.name == name) {
                return &attribute;
            }
        }
        return nullptr;
    }

    const Attribute& required(const TagText& tag, std::u16string_view name) const {
        const Attribute* found = find(tag, name);
        if (!found) {
            fail(tag.begin, "<" + toUtf8(tag.name) + "> needs the attribute " + toUtf8(name));
        }
        return *found;
    }

    std::int64_t number(const TagText& tag, const Attribute& attribute) const {
        const std::optional<std::int64_t> value = wholeNumber(attribute.value);
        if (!value) {
            fail(attribute.written.offset, "bad attribute: " + toUtf8(attribute.name) + "=" +
                                               quoted(attribute.value) + " of <" +
                                               toUtf8(tag.name) + "> is not a whole number");
        }
        return *value;
    }

    WORD languageId(const TagText& tag, const Attribute& attribute) const {
        const std::optional<std::uint32_t> value = unsignedNumber(trimmed(attribute.value), 16, 4);
        if (!value) {
            fail(attribute.written.offset, "bad attribute: langid=" + quoted(attribute.value) +
                                               " of <" + toUtf8(tag.name) +
                                               "> is not a LANGID (hexadecimal, as 419)");
        }
        return static_cast<WORD>(*value);
    }

    // Keeps text with a null character after it in the owner; where it starts there.
    std::size_t store(std::u16string_view text) {
        const std::size_t at = out_.texts_.size();
        out_.texts_ += text;
        out_.texts_ += u'\0';
        return at;
    }

    void addFragment(SPVACTIONS action, std::u16string_view text, SapiXml::Span source,
                     const State& state) {
        SPVTEXTFRAG fragment{};
        fragment.State = state.state;
        fragment.State.eAction = action;
        fragment.ulTextLen = static_cast<ULONG>(text.size());
        fragment.ulTextSrcOffset = static_cast<ULONG>(source.offset);
        out_.fragments_.push_back(fragment);
        out_.pieces_.push_back(
            {store(text), action == SPVA_Pronounce ? state.phones : kNone, state.context});
        out_.sources_.push_back(source);
    }

    // Points the fragments at their strings and at each other, now that neither moves again.
    void link() {
        std::vector<SPVTEXTFRAG>& fragments = out_.fragments_;
        char16_t* texts = out_.texts_.data();
        for (std::size_t i = 0; i < fragments.size(); ++i) {
            const SapiXml::Pieces& pieces = out_.pieces_[i];
            fragments[i].pTextStart = texts + pieces.text;
            fragments[i].State.pPhoneIds = pieces.phones == kNone ? nullptr : texts + pieces.phones;
            fragments[i].State.Context.pCategory =
                pieces.context == kNone ? nullptr : texts + pieces.context;
            fragments[i].pNext = i + 1 < fragments.size() ? &fragments[i + 1] : nullptr;
        }
    }

    std::u16string_view xml_;
    VoiceBase base_;
    SapiXml& out_;
    std::size_t at_ = 0;
    State state_;
    std::vector<OpenElement> open_;
};

SapiXml::SapiXml(std::u16string_view xml, const VoiceBase& base) {
    SapiXmlReader(xml, base, *this).read();
}

} // namespace vx::cli
