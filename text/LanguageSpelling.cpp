// The Language operations that put letter and symbol names into text.

#include "config/TextUtil.h"
#include "platform/CharClass.h"
#include "text/Language.h"

namespace vx {

std::u16string Language::lookup(const Words& words, std::u16string_view key) {
    const auto at = words.find(key);
    return at == words.end() ? std::u16string(key) : at->second;
}

std::u16string Language::letterName(std::u16string_view character) const { return lookup(letters_, character); }

std::u16string Language::symbolName(std::u16string_view character) const { return lookup(symbols_, character); }

std::u16string Language::mapLetters(std::u16string_view text) const {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += letterName(text.substr(i, 1));
    }
    return out;
}

std::u16string Language::spellSymbols(std::u16string_view text, Punctuation mode) const {
    if (text.empty() || symbols_.empty()) {
        return std::u16string(text);
    }
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::u16string_view c = text.substr(i, 1);
        if (mode == Punctuation::None && isPunct(c[0])) {
            out += c;
            continue;
        }
        const std::u16string name = symbolName(c);
        if (name != c) {
            out += u' ';
        }
        out += name;
    }
    return out;
}

std::u16string Language::spellSingleLetters(std::u16string_view text) const {
    if (text.size() <= 1) {
        return text.empty() ? std::u16string{} : letterName(text);
    }
    std::vector<std::u16string> runs;
    TextUtil::splitRuns(text, runs);
    std::u16string out;
    out.reserve(text.size());
    for (const std::u16string& run : runs) {
        out += run.size() == 1 && !isPreposition(run) ? letterName(run) : run;
    }
    return out;
}

std::u16string Language::spellAbbreviations(std::u16string_view text) const {
    if (text.empty()) {
        return {};
    }
    std::vector<std::u16string> runs;
    TextUtil::splitRuns(text, runs);
    std::u16string out;
    out.reserve(text.size());
    for (const std::u16string& run : runs) {
        out += run.size() > 1 && !TextUtil::isAllDigits(run) ? spellWord(run) : run;
    }
    return out;
}

// A word without a vowel is read letter by letter, unless it holds a letter of another script,
// which this language could not name anyway.
std::u16string Language::spellWord(std::u16string_view word) const {
    if (hasVowel(word)) {
        return std::u16string(word);
    }
    for (const char16_t c : word) {
        if (vx::isLetter(c) && !isLetter(c)) {
            return std::u16string(word);
        }
    }
    std::u16string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        out += letterName(word.substr(i, 1));
        out += u' ';
    }
    return out;
}

} // namespace vx
