#include "text/TextReader.h"

#include "platform/CharClass.h"
#include "text/ReadingTopics.h"

#include <algorithm>

namespace vx {
namespace {

// Latin letters U+00C0-U+017F without their marks; '*' where the letter is written with two
// (Æ, Þ, ß and their small forms, which folded() spells out) or is no letter (× ÷).
constexpr std::u16string_view kLatinBase =
    u"AAAAAA*CEEEEIIIIDNOOOOO*OUUUUY**aaaaaa*ceeeeiiiidnooooo*ouuuuy*y"
    u"AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOo"
    u"RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(kLatinBase.size() == 0x180 - 0xC0);

// Cyrillic letters beyond the Russian alphabet (U+0400-U+040F, U+0450-U+045F) as the Russian
// letter nearest in sound: Ќ is К, Ў is У, Ђ and Џ are Д.
constexpr std::u16string_view kCyrillicBase = u"ЕЕДГЕЗИИЙЛНЧКИУДеедгезиийлнчкиуд";
static_assert(kCyrillicBase.size() == 32);

bool isBasicLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'А' && c <= u'я') || c == u'Ё' || c == u'ё';
}

std::u16string_view folded(char16_t c) {
    if (c >= 0x0400 && c <= 0x040F) {
        return kCyrillicBase.substr(c - 0x0400, 1);
    }
    if (c >= 0x0450 && c <= 0x045F) {
        return kCyrillicBase.substr(c - 0x0450 + 16, 1);
    }
    switch (c) {
    case u'Ґ': return u"Г";
    case u'ґ': return u"г";
    case u'Æ': return u"AE";
    case u'æ': return u"ae";
    case u'Þ': return u"TH";
    case u'þ': return u"th";
    case u'ß': return u"ss";
    default: break;
    }
    if (c < 0xC0 || c >= 0x180 || kLatinBase[c - 0xC0] == u'*') {
        return {};
    }
    return kLatinBase.substr(c - 0xC0, 1);
}

// Marks that only change how a letter is drawn or where a line may break: stress accents and
// other combining marks, the soft hyphen, zero-width spaces and joiners, the byte order mark.
bool isInvisible(char16_t c) {
    return (c >= 0x0300 && c <= 0x036F) || c == 0x00AD || (c >= 0x200B && c <= 0x200D) || c == 0x2060 ||
           c == 0xFEFF;
}

class LetterFolder {
public:
    explicit LetterFolder(std::span<const Language* const> languages) : languages_(languages) {}

    // originalOf, when given, gets for each folded character the position it came from.
    std::u16string fold(std::u16string_view text, std::vector<std::uint32_t>* originalOf) const {
        std::u16string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (isInvisible(c)) {
                continue;
            }
            if (!isLetter(c) || isKept(c)) {
                out += c;
            } else {
                const std::u16string_view base = folded(c);
                out += !base.empty() && isKept(base.front()) ? base : u" ";
            }
            if (originalOf) {
                originalOf->resize(out.size(), static_cast<std::uint32_t>(i));
            }
        }
        if (originalOf) {
            originalOf->push_back(static_cast<std::uint32_t>(text.size()));
        }
        return out;
    }

private:
    // A letter of the Russian or Latin alphabet that a language of the voice has, one that a
    // language adds to its alphabet (і ї є ґ), or one the first language names (π); any other
    // letter is folded.
    bool isKept(char16_t c) const {
        return std::ranges::any_of(languages_,
                                   [&](const Language* language) {
                                       return (isBasicLetter(c) && language->isLetter(c)) || language->listsLetter(c);
                                   }) ||
               languages_.front()->reading().isNamedSymbol(c);
    }

    std::span<const Language* const> languages_;
};

// Where the word, number or other character at the cursor ends.
std::size_t tokenEnd(const ReadingCursor& cursor) {
    const std::size_t at = cursor.position();
    if (const std::size_t letters = cursor.lettersAt(at)) {
        return at + letters;
    }
    if (const std::size_t digits = cursor.digitsAt(at)) {
        return at + digits;
    }
    return at + 1;
}

} // namespace

std::pair<std::uint32_t, std::uint32_t> ReadingMap::source(std::uint32_t begin, std::uint32_t end) const {
    if (stretches_.empty() || end <= begin) {
        const std::uint32_t at = originalOf_.empty() ? begin : originalOf_.back();
        return {std::min(begin, at), std::min(begin, at)};
    }
    const std::uint32_t foldedBegin = foldedAt(begin, false);
    const std::uint32_t foldedEnd = std::max(foldedBegin, foldedAt(end - 1, true));
    const auto original = [&](std::uint32_t folded) {
        return originalOf_.empty() ? folded : originalOf_[std::min<std::size_t>(folded, originalOf_.size() - 1)];
    };
    // The end is one past the original of the span's last folded character (ß folds to two).
    const std::uint32_t sourceEnd = foldedEnd > foldedBegin ? original(foldedEnd - 1) + 1 : original(foldedBegin);
    return {original(foldedBegin), std::max(original(foldedBegin), sourceEnd)};
}

// The folded position of a read character (isEnd: one past it); a character the stage put
// between stretches (a space before said words) belongs to the stretch after it.
std::uint32_t ReadingMap::foldedAt(std::uint32_t read, bool isEnd) const {
    const auto next = std::ranges::upper_bound(stretches_, read, {}, &Stretch::readBegin);
    if (next != stretches_.begin() && read < std::prev(next)->readEnd) {
        const Stretch& containing = *std::prev(next);
        if (containing.copied) {
            return containing.foldedBegin + (read - containing.readBegin) + (isEnd ? 1 : 0);
        }
        return isEnd ? containing.foldedEnd : containing.foldedBegin;
    }
    return next == stretches_.end() ? stretches_.back().foldedEnd : next->foldedBegin;
}

void ReadingMap::addStretch(std::uint32_t readBegin, std::uint32_t readEnd, std::uint32_t foldedBegin,
                            std::uint32_t foldedEnd, bool copied) {
    // Copied stretches that follow each other are one: a long plain text keeps a short map.
    if (copied && !stretches_.empty() && stretches_.back().copied && stretches_.back().readEnd == readBegin &&
        stretches_.back().foldedEnd == foldedBegin) {
        stretches_.back().readEnd = readEnd;
        stretches_.back().foldedEnd = foldedEnd;
        return;
    }
    stretches_.push_back({readBegin, readEnd, foldedBegin, foldedEnd, copied});
}

void ReadingMap::extendLast(std::uint32_t readEnd) {
    if (!stretches_.empty()) {
        stretches_.back().readEnd = readEnd;
    }
}

std::u16string readText(std::u16string_view text, std::span<const Language* const> languages, ReadingMap* map) {
    if (languages.empty()) {
        return std::u16string(text);
    }
    std::vector<std::uint32_t> originalOf;
    const std::u16string folded = LetterFolder(languages).fold(text, map ? &originalOf : nullptr);
    if (map) {
        map->setFolding(std::move(originalOf));
    }
    ReadingCursor cursor(folded, *languages.front(), map);
    while (!cursor.atEnd()) {
        if (!(readAddress(cursor) || readAbbreviation(cursor) || readDateOrTime(cursor) || readNumber(cursor) ||
              readSymbol(cursor))) {
            cursor.copyTo(tokenEnd(cursor));
        }
    }
    return cursor.takeOutput();
}

} // namespace vx
