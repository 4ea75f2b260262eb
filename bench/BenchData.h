#pragma once
// Deterministic Russian-looking data for the benchmarks: the same words, dictionary and text on
// every run and platform (minstd_rand is the same everywhere; distribution objects are not).

#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceReplacements.h"
#include "tests/support/RussianDictionary.h"
#include "text/Language.h"

#include <cstddef>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vx::bench {

class WordMaker {
public:
    explicit WordMaker(unsigned seed)
        : random_(seed) {}

    std::size_t below(std::size_t bound) { return random_() % bound; }

    // Consonants and vowels in turn, as most Russian words go.
    std::u16string word(std::size_t length) {
        std::u16string out;
        bool vowel = below(2) == 0;
        for (std::size_t i = 0; i < length; ++i, vowel = !vowel) {
            out += vowel ? pick(kVowels) : pick(kConsonants);
        }
        return out;
    }

    // A key of a replacement dictionary: mostly words of 4 to 12 letters, a few abbreviations of
    // two or three consonants ("кг", "млн"), which are what short keys are in real dictionaries.
    std::u16string key() {
        if (below(100) == 0) {
            std::u16string out;
            for (std::size_t length = 2 + below(2); out.size() < length;) {
                out += pick(kConsonants);
            }
            return out;
        }
        return word(4 + below(5) + below(5));
    }

private:
    static constexpr std::u16string_view kVowels = u"аеиоуыэюя";
    static constexpr std::u16string_view kConsonants = u"бвгджзклмнпрстфхцчшщ";

    char16_t pick(std::u16string_view letters) { return letters[below(letters.size())]; }

    std::minstd_rand random_;
};

// That many distinct keys, each with the word that replaces it.
inline fuzz::Replacements makeReplacements(std::size_t count) {
    WordMaker maker(1);
    fuzz::Replacements entries;
    while (entries.size() < count) {
        entries.emplace(maker.key(), maker.word(3 + maker.below(10)));
    }
    return entries;
}

// A text of exactly length characters: words, one in four of them a key of the entries, with
// commas and full stops now and then.
inline std::u16string makeText(std::size_t length, const fuzz::Replacements& entries) {
    WordMaker maker(2);
    const std::vector<std::u16string> keys = [&] {
        std::vector<std::u16string> all;
        for (const auto& entry : entries) {
            all.push_back(entry.first);
        }
        return all;
    }();
    std::u16string text;
    while (text.size() < length) {
        text +=
            maker.below(4) == 0 ? keys[maker.below(keys.size())] : maker.word(2 + maker.below(9));
        text += maker.below(8) == 0 ? u", " : maker.below(12) == 0 ? u". " : u" ";
    }
    text.resize(length);
    return text;
}

inline std::vector<unsigned char> sampleBytes() {
    return fuzz::encodeUtf16le(test::kRussianDictionary);
}

// The sample language: every letter, number word, a few symbols and replacements.
inline void loadSample(Language& language) {
    const auto bytes = sampleBytes();
    ConfigParser::loadBytes(bytes.data(), bytes.size(), u"ru.dic", language);
}

} // namespace vx::bench
