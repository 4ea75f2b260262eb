#include "text/TextReader.h"

#include "platform/CharClass.h"
#include "text/ReadingTopics.h"

namespace vx {
namespace {

// Latin letters U+00C0-U+017F without their marks; '*' where the letter is written with two
// (Æ, Þ, ß and their small forms) or is no letter (× ÷).
constexpr std::u16string_view kLatinBase =
    u"AAAAAA*CEEEEIIIIDNOOOOO*OUUUUY**aaaaaa*ceeeeiiiidnooooo*ouuuuy*y"
    u"AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOo"
    u"RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(kLatinBase.size() == 0x180 - 0xC0);

std::u16string_view foldedLatin(char16_t c) {
    switch (c) {
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

    std::u16string fold(std::u16string_view text) const {
        std::u16string out;
        out.reserve(text.size());
        for (const char16_t c : text) {
            if (isInvisible(c)) {
                continue;
            }
            if (!isLetter(c) || isVoiceLetter(c)) {
                out += c;
                continue;
            }
            const std::u16string_view folded = foldedLatin(c);
            out += !folded.empty() && isVoiceLetter(folded.front()) ? folded : u" ";
        }
        return out;
    }

private:
    bool isVoiceLetter(char16_t c) const {
        for (const Language* language : languages_) {
            if (language->isLetter(c)) {
                return true;
            }
        }
        return false;
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

std::u16string readText(std::u16string_view text, std::span<const Language* const> languages) {
    if (languages.empty()) {
        return std::u16string(text);
    }
    const std::u16string folded = LetterFolder(languages).fold(text);
    ReadingCursor cursor(folded, *languages.front());
    while (!cursor.atEnd()) {
        if (!(readAddress(cursor) || readAbbreviation(cursor) || readDateOrTime(cursor) || readNumber(cursor) ||
              readSymbol(cursor))) {
            cursor.copyTo(tokenEnd(cursor));
        }
    }
    return cursor.takeOutput();
}

} // namespace vx
