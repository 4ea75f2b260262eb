// Symbols that the text pipeline would drop as punctuation but that a reader says (% № € ° + =
// @ and the like, as the language lists them) are named wherever a number has not taken them.

#include "text/ReadingTopics.h"

namespace vx {

bool readSymbol(ReadingCursor& cursor) {
    const std::size_t at = cursor.position();
    const char16_t c = cursor.at(at);
    if (!cursor.rules().isNamedSymbol(c)) {
        return false;
    }
    const std::u16string name = cursor.symbolWords(c);
    if (name.empty()) {
        return false;
    }
    cursor.say(name, at + 1);
    return true;
}

} // namespace vx
