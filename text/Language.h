#pragma once
// How text in one language is recognised and normalized: its letters and their lowercasing, its
// vowels and one-letter words, how digits are grouped and read, and its dictionaries of letter
// names, number words, symbol names and replacements.

#include "config/ConfigHandler.h"
#include "text/ReadingRules.h"
#include "text/ReplacementDictionary.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

enum class Alphabet { None = 0, Cyrillic = 1, Latin = 2 };

// How much punctuation is spoken; the dictionaries only tell None from the others.
enum class Punctuation { None = 0, Some = 1, All = 2 };

class Language : public ConfigHandler {
public:
    explicit Language(std::u16string name);

    // Takes one entry of the language's dictionary file: "Letters", "Numbers" and "Symbols" store
    // the value lowercased (Russian and ASCII capitals), "Replacements" a replacement entry, the
    // reading sections go to the reading rules; other sections and empty keys are ignored.
    // Always true.
    bool onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override;

    // Applies one langs.conf key: "alphabet" ("cyrillic", "latin", anything else: none), "lower",
    // "upper", "vowels", "preposition", "numgrp" (kept only when 1 to 12). Others are ignored.
    void set(const std::u16string& key, const std::u16string& value);

    // A letter of the alphabet, or a character listed in lower or upper.
    bool isLetter(char16_t c) const;
    // A character listed in lower or upper: a letter this language adds to its alphabet.
    bool listsLetter(char16_t c) const {
        return lower_.find(c) != std::u16string::npos || upper_.find(c) != std::u16string::npos;
    }
    // Capitals of the alphabet lowered, then each character of upper replaced by its partner in
    // lower.
    std::u16string toLower(std::u16string_view text) const;
    // For a Cyrillic language: the text holds one of в к о с у or a character of preposition.
    // Always false for other alphabets.
    bool isPreposition(std::u16string_view text) const;
    // The text holds a vowel of the alphabet or a character of vowels.
    bool hasVowel(std::u16string_view text) const;
    // The digits cut from the left into groups of the number-group length; the count of groups.
    std::size_t splitDigits(std::u16string_view digits, std::vector<std::u16string>& out) const;

    // Reads a dictionary file into this language; false for an empty path or an unreadable file.
    bool loadDictionary(const std::u16string& path);
    // Reads a user dictionary (every entry, no sections) into the user dictionary; false when the
    // file cannot be read.
    bool loadUserDictionary(const std::u16string& path);

    // The letters (symbols) entry of a one-character text, or the text itself.
    std::u16string letterName(std::u16string_view character) const;
    std::u16string symbolName(std::u16string_view character) const;
    // The letter name of every character, concatenated.
    std::u16string mapLetters(std::u16string_view text) const;
    // Symbol names put in, each after a space; with Punctuation::None punctuation stays as it is.
    std::u16string spellSymbols(std::u16string_view text, Punctuation mode) const;
    // Runs of one character (except one-letter words) replaced by their letter names.
    std::u16string spellSingleLetters(std::u16string_view text) const;
    // Runs of two or more characters without a vowel (abbreviations) spelled letter by letter.
    std::u16string spellAbbreviations(std::u16string_view text) const;
    // The "Replacements" section, and the user dictionary, applied to text (see
    // ReplacementDictionary::apply); stopRequested is asked between entries. An entry that would
    // grow the text past the limit is logged, once per dictionary.
    std::u16string applyReplacements(std::u16string_view text, const std::function<bool()>& stopRequested = {}) const;
    std::u16string applyUserDictionary(std::u16string_view text, const std::function<bool()>& stopRequested = {}) const;

    // A run of decimal digits in words from the "Numbers" section, with the plural forms of
    // thousands, millions and billions; runs of 13 digits or more are read group by group. The
    // digits unchanged when the section is empty.
    std::u16string numberToWords(std::u16string_view digits) const;
    // The words of one group of three digits (0-999, else empty); order 0 units, 1 thousands,
    // 2 millions, 3 billions.
    std::u16string groupWords(unsigned value, int order) const;

    // What the reading stage knows of this language (empty unless the dictionary file has it).
    const ReadingRules& reading() const { return reading_; }

    const std::u16string& name() const { return name_; }
    Alphabet alphabet() const { return alphabet_; }
    unsigned numberGroup() const { return numberGroup_; }

private:
    using Words = std::map<std::u16string, std::u16string, std::less<>>;

    static std::u16string lookup(const Words& words, std::u16string_view key);
    std::u16string word(std::u16string_view key) const;
    std::u16string wordOrEmpty(std::u16string_view key) const;
    std::u16string scaleWord(unsigned units, std::u16string_view singular, std::u16string_view fewKey,
                             std::u16string_view manyKey, bool manyMayBeEmpty) const;
    std::u16string spellWord(std::u16string_view word) const;

    std::u16string name_;
    Alphabet alphabet_ = Alphabet::Cyrillic;
    std::u16string lower_;
    std::u16string upper_;
    std::u16string vowels_;
    std::u16string preposition_;
    unsigned numberGroup_ = 3;
    // dictionary applied to text, what cut it short logged the first time it happens.
    std::u16string applyDictionary(const ReplacementDictionary& dictionary, std::u16string_view what,
                                   std::atomic<bool>& logged, std::u16string_view text,
                                   const std::function<bool()>& stopRequested) const;

    ReplacementDictionary replacements_;
    ReplacementDictionary userDictionary_;
    mutable std::atomic<bool> replacementsLogged_{false};
    mutable std::atomic<bool> userDictionaryLogged_{false};
    Words letters_;
    Words numbers_;
    Words symbols_;
    ReadingRules reading_;
};

} // namespace vx
