// A Language with the Russian sample dictionary reads the input. The first byte picks the
// number-group length; the rest, as UTF-16LE, is the text. Its digits, however many, are read as
// a number and the words read back into digits, which checks the grammar on the way (scale words
// in falling order, in the form their units call for, "одна"/"две" before thousands only).
// Every spelling and replacement operation runs on the text and keeps the properties its
// declaration states.

#include "config/TextUtil.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceReplacements.h"
#include "tests/support/RussianDictionary.h"
#include "text/Language.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace {

using namespace vx;

constexpr std::size_t kLongestWholeNumber = 12; // longer runs are read group by group

struct NumberWord {
    unsigned value = 0; // of a digit word; 0 for a scale word
    bool feminine = false;
    int order = 0; // of a scale word: 1 thousands, 2 millions, 3 billions
    int form = 0;  // of a scale word: 0 singular, 1 first plural, 2 second plural
};

NumberWord meaningOf(const std::u16string& key) {
    if (TextUtil::isAllDigits(key)) {
        return {static_cast<unsigned>(TextUtil::toInt(key))};
    }
    if (key == u"1f" || key == u"2f") {
        return {static_cast<unsigned>(key[0] - u'0'), true};
    }
    static const std::u16string kScales[] = {u"thousand", u"million", u"billion"};
    static const std::u16string kForms[] = {u"_s", u"_p1", u"_p2"};
    for (int order = 1; order <= 3; ++order) {
        for (int form = 0; form < 3; ++form) {
            if (key == kScales[order - 1] + kForms[form]) {
                return {0, false, order, form};
            }
        }
    }
    fuzz::fail("a number key the sample should not have", __FILE__, __LINE__);
}

// The words between spaces, however many spaces there are.
std::vector<std::u16string> wordsOf(std::u16string_view text) {
    std::vector<std::u16string> words;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(u' ', start), text.size());
        if (end > start) {
            words.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

struct Reading {
    std::size_t zeros = 0; // leading "ноль" words
    std::uint64_t value = 0;
};

// The sample language, its replacements as stored, and its number words by meaning.
struct Sample {
    Language language{u"ru"};
    fuzz::Replacements replacements;
    std::map<std::u16string, NumberWord> numberWords;

    Sample() {
        const auto bytes = fuzz::encodeUtf16le(test::kRussianDictionary);
        ReplacementDictionary dictionary;
        std::set<std::u16string> keys;
        for (const fuzz::Entry& entry : fuzz::loadEntries(bytes.data(), bytes.size())) {
            language.onEntry(u"ru.dic", entry.section, entry.key, entry.value);
            if (entry.section == u"Numbers") {
                numberWords[entry.value] = meaningOf(entry.key);
            } else if (entry.section == u"Replacements") {
                dictionary.set(entry.key, entry.value);
                keys.insert(entry.key);
            }
        }
        replacements = fuzz::storedEntries(dictionary, keys);
    }

    // The number that words name, or nothing when they break the grammar.
    std::optional<Reading> readBack(std::u16string_view words) const {
        Reading reading;
        std::uint64_t group = 0;
        int lastOrder = 4;
        bool feminine = false;
        for (const std::u16string& word : wordsOf(words)) {
            const auto at = numberWords.find(word);
            if (at == numberWords.end()) {
                return std::nullopt;
            }
            const NumberWord& meaning = at->second;
            if (meaning.order == 0 && meaning.value == 0) {
                if (reading.value != 0 || group != 0 || lastOrder != 4) {
                    return std::nullopt; // "ноль" only leads
                }
                ++reading.zeros;
            } else if (meaning.order == 0) {
                // Hundreds, then tens or a teen, then units, each at most once.
                const std::uint64_t low = group % 100;
                const bool fits = meaning.value >= 100  ? group == 0
                                  : meaning.value >= 10 ? low == 0
                                                        : low % 10 == 0 && low != 10;
                if (!fits) {
                    return std::nullopt;
                }
                group += meaning.value;
                feminine = meaning.feminine;
            } else {
                const std::uint64_t low = group % 100;
                const std::uint64_t units = low >= 10 && low <= 19 ? low : low % 10;
                const int form = units == 1 ? 0 : units >= 2 && units <= 4 ? 1 : 2;
                if (group == 0 || meaning.order >= lastOrder || meaning.form != form ||
                    feminine != (meaning.order == 1 && (units == 1 || units == 2))) {
                    return std::nullopt;
                }
                for (int i = 0; i < meaning.order; ++i) {
                    group *= 1000;
                }
                reading.value += group;
                group = 0;
                lastOrder = meaning.order;
                feminine = false;
            }
        }
        if (feminine) {
            return std::nullopt;
        }
        reading.value += group;
        return reading;
    }

    // The words of the digits, once they have been read back into the same digits.
    std::u16string checkWholeNumber(std::u16string_view digits) const {
        std::u16string words = language.numberToWords(digits);
        const auto reading = readBack(words);
        VX_FUZZ_CHECK(reading.has_value());
        std::uint64_t value = 0;
        for (const char16_t c : digits) {
            value = value * 10 + static_cast<unsigned>(c - u'0');
        }
        VX_FUZZ_CHECK(reading->zeros == std::min(digits.find_first_not_of(u'0'), digits.size()));
        VX_FUZZ_CHECK(reading->value == value);
        return words;
    }

    void checkNumber(std::u16string_view digits) const {
        if (digits.size() <= kLongestWholeNumber) {
            checkWholeNumber(digits);
            return;
        }
        std::vector<std::u16string> groups;
        language.splitDigits(digits, groups);
        std::vector<std::u16string> expected;
        for (const std::u16string& group : groups) {
            const auto words = wordsOf(checkWholeNumber(group));
            expected.insert(expected.end(), words.begin(), words.end());
        }
        VX_FUZZ_CHECK(wordsOf(language.numberToWords(digits)) == expected);
    }

    void checkGroup(unsigned value) const {
        std::uint64_t scale = 1;
        for (int order = 0; order <= 3; ++order, scale *= 1000) {
            VX_FUZZ_CHECK(language.groupWords(value + 1000, order).empty());
            if (value != 0) {
                const auto reading = readBack(language.groupWords(value, order));
                VX_FUZZ_CHECK(reading.has_value() && reading->zeros == 0 &&
                              reading->value == value * scale);
            }
        }
    }
};

std::u16string decimal(unsigned value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

void checkSpelling(const Sample& sample, std::u16string_view text) {
    const Language& language = sample.language;
    // Letters and symbols are named one character at a time, so cutting the text changes nothing.
    if (text.size() >= 2) {
        const auto head = text.substr(0, text.size() / 2);
        const auto tail = text.substr(text.size() / 2);
        VX_FUZZ_CHECK(language.mapLetters(text) ==
                      language.mapLetters(head) + language.mapLetters(tail));
        for (const Punctuation mode : {Punctuation::None, Punctuation::All}) {
            VX_FUZZ_CHECK(language.spellSymbols(text, mode) ==
                          language.spellSymbols(head, mode) + language.spellSymbols(tail, mode));
        }
    }
    VX_FUZZ_CHECK(language.spellSymbols(text, Punctuation::Some) ==
                  language.spellSymbols(text, Punctuation::All));
    // Every letter name of the sample is at least one character long.
    VX_FUZZ_CHECK(language.spellSingleLetters(text).size() >= text.size());
    VX_FUZZ_CHECK(language.spellAbbreviations(text).size() >= text.size());
    VX_FUZZ_CHECK(language.applyReplacements(text) ==
                  fuzz::replaceOneByOne(std::u16string(text), sample.replacements));
    VX_FUZZ_CHECK(language.applyUserDictionary(text) == text); // none loaded
    const std::u16string lowered = language.toLower(text);
    VX_FUZZ_CHECK(lowered.size() == text.size() && language.toLower(lowered) == lowered);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Sample sample; // read once: the sample dictionary is not what is fuzzed here
    if (size == 0) {
        return 0;
    }
    sample.language.set(u"numgrp", decimal(1 + data[0] % kLongestWholeNumber));
    const std::u16string text = fuzz::decodeUtf16le(data + 1, size - 1);

    std::u16string digits;
    for (const char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        }
    }
    if (!digits.empty()) {
        sample.checkNumber(digits);
        sample.checkGroup(static_cast<unsigned>(TextUtil::toInt(digits.substr(0, 3))));
    }
    checkSpelling(sample, text);
    return 0;
}
