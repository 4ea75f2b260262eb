// The input is a configuration file. Its entries are held to what the line syntax allows, read
// again without sections and in two halves, then loaded into a Language whose dictionaries must
// be safe to use whatever they hold; its replacements must give what applying the entries one by
// one gives.

#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceReplacements.h"
#include "text/Language.h"

#include <set>

namespace {

using namespace vx;
using ConfigParser::Headers;

// Replacements are applied to the file's own text, which holds their keys, unless a chain of
// growing entries could make it longer than this.
constexpr double kLongestText = 1 << 14;

constexpr std::u16string_view kSample = u"Съешь ещё 12 мягких булок, 1000001 × 3 = ?! АБВГД abc";

void checkEntry(const fuzz::Entry& entry) {
    // A line runs up to its line feed, which trimming removes, and a header line holds no "=".
    VX_FUZZ_CHECK(entry.section.find(u'\n') == std::u16string::npos);
    VX_FUZZ_CHECK(entry.section.find(u'=') == std::u16string::npos);
    VX_FUZZ_CHECK(entry.section == TextUtil::trim(entry.section));
    VX_FUZZ_CHECK(entry.value.find(u'\n') == std::u16string::npos);
    VX_FUZZ_CHECK(entry.value == TextUtil::trimChars(entry.value, u" \t\""));
    // Key, separator and value come from one line; escapes only shorten the key.
    VX_FUZZ_CHECK(entry.key.size() + 1 + entry.value.size() <= ConfigParser::kMaxLineLength);
}

// Section headers hold no "=", so read as ordinary lines they add no entry; a file cut after a
// line feed reads as its two parts one after the other.
void checkWithoutSections(const std::uint8_t* data, std::size_t size, const std::u16string& text,
                          const std::vector<fuzz::Entry>& entries) {
    const auto plain = fuzz::loadEntries(data, size, Headers::None);
    VX_FUZZ_CHECK(plain.size() == entries.size());
    for (std::size_t i = 0; i < plain.size() && i < entries.size(); ++i) {
        VX_FUZZ_CHECK(plain[i].section.empty());
        VX_FUZZ_CHECK(plain[i].key == entries[i].key && plain[i].value == entries[i].value);
    }
    if (const auto feed = text.find(u'\n'); feed != std::u16string::npos) {
        const std::size_t cut = 2 * (feed + 1);
        auto halves = fuzz::loadEntries(data, cut, Headers::None);
        const auto rest = fuzz::loadEntries(data + cut, size - cut, Headers::None);
        halves.insert(halves.end(), rest.begin(), rest.end());
        VX_FUZZ_CHECK(halves == plain);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::decodeUtf16le(data, size);
    const auto entries = fuzz::loadEntries(data, size);
    for (const fuzz::Entry& entry : entries) {
        checkEntry(entry);
    }
    checkWithoutSections(data, size, text, entries);

    Language language(u"fuzz");
    ReplacementDictionary replacements; // the same entries, to learn what the language stores
    std::set<std::u16string> replacementKeys;
    std::set<std::u16string> sections; // those with an entry that the language keeps
    for (const fuzz::Entry& entry : entries) {
        VX_FUZZ_CHECK(language.onEntry(u"fuzz.conf", entry.section, entry.key, entry.value));
        if (!entry.key.empty()) {
            sections.insert(entry.section);
        }
        if (entry.section == u"Replacements") {
            replacements.set(entry.key, entry.value);
            replacementKeys.insert(entry.key);
        }
    }

    // An empty section leaves text as it is.
    if (!sections.contains(u"Numbers")) {
        VX_FUZZ_CHECK(language.numberToWords(u"1000001") == u"1000001");
    }
    if (!sections.contains(u"Letters")) {
        VX_FUZZ_CHECK(language.mapLetters(kSample) == kSample);
    }
    if (!sections.contains(u"Symbols")) {
        VX_FUZZ_CHECK(language.spellSymbols(kSample, Punctuation::All) == kSample);
    }
    // Whatever the dictionaries hold, using them must be safe.
    for (const std::u16string_view digits :
         {u"0", u"7", u"0012", u"1000001", u"987654321012", u"12345678901234567"}) {
        language.numberToWords(digits);
    }
    language.spellSymbols(kSample, Punctuation::None);
    language.spellSingleLetters(kSample);
    language.spellAbbreviations(kSample);

    replacementKeys.erase(u"");
    const fuzz::Replacements stored = fuzz::storedEntries(replacements, replacementKeys);
    VX_FUZZ_CHECK(stored.size() == replacementKeys.size());
    if (fuzz::longestResult(text.size(), stored) <= kLongestText) {
        VX_FUZZ_CHECK(language.applyReplacements(text) == fuzz::replaceOneByOne(text, stored));
    }
    return 0;
}
