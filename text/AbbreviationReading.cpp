// Abbreviations with their dots kept whole ("т. е.", "и т. д.", "до н. э.", "ул."), whatever the
// spacing between their parts; a title (ул., проф.) is declined after a preposition ("на ул.
// Ленина": на улице), and an abbreviation that can end a sentence ends it when a capital or the
// end of the text follows. Acronyms listed in the dictionary are said by their letters.

#include "platform/CharClass.h"
#include "text/ReadingTopics.h"

namespace vx {
namespace {

using enum GrammaticalCase;

// Where an abbreviation written as key ends in text at i, or 0 when it is not there. A space in
// the key stands for any number of spaces in the text, none too ("т. е." matches "т.е."). A
// one-letter abbreviation (г., м.) must be written small: a capital with a dot is an initial.
std::size_t matchEnd(const ReadingCursor& cursor, std::u16string_view key, std::size_t i) {
    if (key.size() == 2 && key[1] == u'.' && cursor.at(i) != key[0]) {
        return 0;
    }
    for (std::size_t k = 0; k < key.size(); ++k) {
        if (key[k] == u' ') {
            i += cursor.spacesAt(i);
            continue;
        }
        if (lowerLetter(cursor.at(i)) != key[k]) {
            return 0;
        }
        ++i;
    }
    const bool endsWithLetter = isLetter(key.back());
    if (endsWithLetter && (isLetter(cursor.at(i)) || cursor.language().isLetter(cursor.at(i)))) {
        return 0;
    }
    return i;
}

bool readAcronym(ReadingCursor& cursor) {
    const std::size_t start = cursor.position();
    const std::size_t length = cursor.lettersAt(start);
    const std::u16string* reading = length > 0 ? cursor.rules().acronym(cursor.text().substr(start, length)) : nullptr;
    if (!reading) {
        return false;
    }
    cursor.say(*reading, start + length);
    return true;
}

// A title names a place or a person after it; after a preposition it takes the case that a place
// takes there (на улице, по улице, за улицей), after another word the genitive (главы
// администрации города).
std::u16string titleWords(const ReadingCursor& cursor, const Abbreviation& abbreviation) {
    const Noun* noun = cursor.rules().noun(abbreviation.words);
    const std::size_t at = cursor.position();
    const std::size_t wordStart = cursor.wordStartBefore(at);
    if (!noun || wordStart == at) {
        return abbreviation.words;
    }
    if (cursor.casesGovernedBefore(at).empty()) {
        return cursor.isCapitalAt(wordStart) ? abbreviation.words : noun->form(Genitive, false);
    }
    const GrammaticalCase grammaticalCase =
        cursor.caseAfterPreposition(at, {Prepositional, Instrumental, Dative, Genitive, Accusative}, Nominative);
    return noun->form(grammaticalCase, false);
}

} // namespace

bool readAbbreviation(ReadingCursor& cursor) {
    const std::size_t start = cursor.position();
    const char16_t first = cursor.at(start);
    if (!(isLetter(first) || cursor.language().isLetter(first)) || !cursor.startsToken(start)) {
        return false;
    }
    for (const Abbreviation& abbreviation : cursor.rules().abbreviationsFrom(lowerLetter(first))) {
        const std::size_t end = matchEnd(cursor, abbreviation.key, start);
        if (end == 0) {
            continue;
        }
        if (abbreviation.endsSentence) {
            cursor.sayAbbreviated(abbreviation.words, end);
        } else {
            cursor.say(titleWords(cursor, abbreviation), end);
        }
        return true;
    }
    return readAcronym(cursor);
}

} // namespace vx
