#pragma once
// The topics of the reading stage, each in its own file. Each looks at the cursor's place, which
// starts a word, a number or a symbol; when its kind of text stands there it says it, moves the
// cursor past it and returns true; otherwise it changes nothing and returns false.

#include "text/ReadingCursor.h"

namespace vx {

// E-mail and web addresses (AddressReading.cpp).
bool readAddress(ReadingCursor& cursor);
// Abbreviations with their dots, and listed acronyms (AbbreviationReading.cpp).
bool readAbbreviation(ReadingCursor& cursor);
// Dates, years and times of day (DateReading.cpp).
bool readDateOrTime(ReadingCursor& cursor);
// Numbers in context, ordinals and Roman numerals (NumberReading.cpp).
bool readNumber(ReadingCursor& cursor);
// Symbols read by name (SymbolReading.cpp).
bool readSymbol(ReadingCursor& cursor);

} // namespace vx
