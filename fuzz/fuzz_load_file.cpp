// The input is a configuration file. Its entries must read the same without sections; a Language
// loaded from them must be safe to use, and its replacements must give what applying the entries
// one by one gives.

#include "config/TextUtil.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceReplacements.h"
#include "text/Language.h"

#include <cstdio>

namespace {

using namespace vx;

// Each code unit as a key may spell it, "\uxxxx", with lower-case and upper-case digits in turn.
std::u16string escape(std::u16string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char unit[7];
        std::snprintf(unit, sizeof unit, i % 2 == 0 ? "\\u%04x" : "\\u%04X", static_cast<unsigned>(text[i]));
        out.append(unit, unit + 6);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::decodeUtf16le(data, size);
    VX_FUZZ_CHECK(ConfigParser::unescape(escape(text)) == text);
    const auto entries = fuzz::loadEntries(data, size);
    const auto plain = fuzz::loadEntries(data, size, ConfigParser::Headers::None);
    VX_FUZZ_CHECK(plain.size() == entries.size()); // a header line holds no "="
    Language language(u"fuzz");
    ReplacementDictionary dictionary; // the same entries, to learn what the language stores
    fuzz::Replacements stored;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [section, key, value] = entries[i];
        VX_FUZZ_CHECK(plain[i] == (fuzz::Entry{u"", key, value}));
        // Key, separator and value come from one line; escapes only shorten the key.
        VX_FUZZ_CHECK(key.size() + 1 + value.size() <= ConfigParser::kMaxLineLength);
        VX_FUZZ_CHECK(value == TextUtil::trimChars(value, u" \t\"") && value.find(u'\n') == value.npos);
        language.onEntry(u"fuzz.conf", section, key, value);
        if (section == u"Replacements" && !key.empty()) {
            dictionary.set(key, value);
            stored[key] = *dictionary.find(key);
        }
    }
    // Whatever the dictionaries hold, using them must be safe.
    language.numberToWords(u"0012345678901234567");
    language.spellSymbols(text, Punctuation::All);
    language.spellSingleLetters(text);
    language.spellAbbreviations(text);
    // Replacements are applied to the file's own text, which holds their keys, unless growing entries
    // could make it too long.
    if (fuzz::referenceStaysSmall(text.size(), stored))
        VX_FUZZ_CHECK(language.applyReplacements(text) == fuzz::replaceOneByOne(text, stored));
    return 0;
}
