#include "speechd/Ssml.h"

#include "platform/Utf.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace vx::speechd {
namespace {

struct Entity {
    std::string_view name;
    char32_t code;
};

// "&#x10FFFF;" and "&#1114111;" are the longest entities read.
constexpr std::size_t kLongestEntity = 10;

constexpr std::array kEntities{Entity{"lt", U'<'}, Entity{"gt", U'>'}, Entity{"amp", U'&'},
                               Entity{"quot", U'"'}, Entity{"apos", U'\''}};

// The character that the entity body (between '&' and ';') names, if it names one.
std::optional<char32_t> entityCode(std::string_view body) {
    for (const Entity& entity : kEntities) {
        if (body == entity.name) {
            return entity.code;
        }
    }
    if (body.size() < 2 || body[0] != '#') {
        return std::nullopt;
    }
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    const bool valid = error == std::errc() && end == digits.data() + digits.size() && code > 0 &&
                       code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return valid ? std::optional<char32_t>(code) : std::nullopt;
}

// UTF-8 text with its entities decoded; an entity that names nothing stays as written.
std::u16string decodeEntities(std::string_view text) {
    std::u16string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t amp = text.find('&', at);
        out += fromUtf8(text.substr(at, amp - at));
        if (amp == std::string_view::npos) {
            break;
        }
        // An entity is short: the ';' is looked for only as far as the longest could reach, so
        // that text full of '&' is read in one pass.
        const std::size_t semicolon = text.substr(0, amp + kLongestEntity).find(';', amp);
        const std::optional<char32_t> code =
            semicolon != std::string_view::npos ? entityCode(text.substr(amp + 1, semicolon - amp - 1)) : std::nullopt;
        if (code) {
            appendUtf16(out, *code);
            at = semicolon + 1;
        } else {
            out.push_back(u'&');
            at = amp + 1;
        }
    }
    return out;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == ':' || c == '.';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of attribute name in the inside of a tag (between '<' and '>'), decoded.
std::optional<std::u16string> attribute(std::string_view tag, std::string_view name) {
    std::size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool wholeName = at > 0 && isSpace(tag[at - 1]);
        std::size_t after = at + name.size();
        at = after;
        if (!wholeName) {
            continue;
        }
        while (after < tag.size() && isSpace(tag[after])) {
            ++after;
        }
        if (after >= tag.size() || tag[after] != '=') {
            continue;
        }
        ++after;
        while (after < tag.size() && isSpace(tag[after])) {
            ++after;
        }
        if (after >= tag.size() || (tag[after] != '"' && tag[after] != '\'')) {
            continue;
        }
        const std::size_t close = tag.find(tag[after], after + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        return decodeEntities(tag.substr(after + 1, close - after - 1));
    }
    return std::nullopt;
}

class SsmlReader {
public:
    std::vector<SsmlPiece> read(std::string_view ssml) {
        std::size_t at = 0;
        while (at < ssml.size()) {
            const std::size_t open = ssml.find('<', at);
            text_.append(ssml.substr(at, open - at));
            if (open == std::string_view::npos) {
                break;
            }
            at = tag(ssml, open);
        }
        endText();
        return std::move(pieces_);
    }

private:
    // Reads the tag at open and returns where the text after it begins. A '<' that starts no
    // tag is text, and so is the rest of the text when no '>' closes the tag.
    std::size_t tag(std::string_view ssml, std::size_t open) {
        const std::size_t first = open + 1;
        const bool startsTag = first < ssml.size() && (isNameChar(ssml[first]) || ssml[first] == '/' ||
                                                       ssml[first] == '?' || ssml[first] == '!');
        if (!startsTag) {
            text_.push_back('<');
            return first;
        }
        const std::size_t close = ssml.find('>', first);
        if (close == std::string_view::npos) {
            text_.append(ssml.substr(open));
            return ssml.size();
        }
        const std::string_view inside = ssml.substr(first, close - first);
        std::size_t nameEnd = 0;
        while (nameEnd < inside.size() && isNameChar(inside[nameEnd])) {
            ++nameEnd;
        }
        if (inside.substr(0, nameEnd) == "mark") {
            // A name with a line end or another control character cannot be reported: the server
            // reads events a line at a time, as C strings.
            if (std::optional<std::u16string> name = attribute(inside, "name");
                name && std::none_of(name->begin(), name->end(), [](char16_t c) { return c < 0x20; })) {
                endText();
                pieces_.push_back({SsmlPiece::Kind::Mark, std::move(*name)});
            }
        } else {
            // Elements that separate words (a sentence, a paragraph, a break) must not join them.
            text_.push_back(' ');
        }
        return close + 1;
    }

    void endText() {
        std::u16string decoded = decodeEntities(text_);
        text_.clear();
        if (decoded.find_first_not_of(u" \t\r\n") == std::u16string::npos) {
            return;
        }
        pieces_.push_back({SsmlPiece::Kind::Text, std::move(decoded)});
    }

    std::string text_;
    std::vector<SsmlPiece> pieces_;
};

} // namespace

std::vector<SsmlPiece> readSsml(std::string_view ssml) {
    return SsmlReader().read(ssml);
}

} // namespace vx::speechd
