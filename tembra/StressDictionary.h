#pragma once
// Where the stress of a word falls, for the built-in voice's natural speaking mode: the entries of
// stress files (data/ru_stress.txt, data/uk_stress.txt; the format is described at their top and
// in data/README.md).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::tembra {

// The listed word forms (each with its stressed vowel, or said without stress), the suffix rules
// and the default of one or more stress files. The files' text is kept in one buffer, and each form
// or rule is a slice of it in a hash table: no string is made per entry, and lookups make none
// either. Lookups of a loaded dictionary may run on several threads at once.
class StressDictionary {
public:
    static constexpr std::size_t kNone = std::u16string_view::npos;

    // Adds the entries of a stress file (UTF-8; a leading byte-order mark is passed over); a word
    // listed twice takes the later entry, as do a suffix rule and the default. False when the file
    // cannot be read. A malformed line is skipped (and counted: badLines()).
    bool load(const std::u16string& path);

    // The index in word (small Russian letters а-я ё only) of its stressed vowel letter, or kNone
    // when the word is said without stress or has no vowel. Order: the listed form; then ё (the
    // last, when there are two); then a word of one vowel; then the longest matching suffix rule
    // (one that counts more vowels than the word has is passed over); then the default position
    // (the first vowel when the word has fewer). kNone too when nothing places a word of several
    // vowels: no rule fits and no file gave a default.
    std::size_t stressedVowel(std::u16string_view word) const;

    // The malformed lines skipped by all loads so far.
    std::size_t badLines() const { return badLines_; }

private:
    // A form, or a rule's ending, is the letters of a stem followed by those of an ending (which
    // may be empty), as UTF-8 in text_: two bytes a letter. value is the index of the stressed
    // letter in a form (kUnstressed: said without stress), or the vowel counted from the end that
    // a rule stresses. check holds bits of the key's hash that its slot does not give, so that
    // keys that differ seldom need their letters compared.
    struct Entry {
        std::uint32_t stem = 0;
        std::uint16_t endingFromStem = 0;
        std::uint8_t stemBytes = 0;
        std::uint8_t endingBytes = 0;
        std::uint16_t value = 0;
        std::uint16_t check = 0;
    };
    static constexpr std::uint16_t kUnstressed = 0xFFFF;

    // Open addressing with linear probing over a power-of-two number of slots; a slot whose entry
    // has no stem is free. Keys are slices of text.
    class Table {
    public:
        // Room for count more entries without growing again.
        void reserve(std::size_t count, std::string_view text);
        // Sets the value of entry's key, adding the key when it is new.
        void put(Entry entry, std::string_view text);
        // The entry whose key is key (UTF-8), or null.
        const Entry* find(std::string_view key, std::string_view text) const;

    private:
        void rehash(std::size_t slotCount, std::string_view text);

        std::vector<Entry> slots_;
        std::size_t used_ = 0;
    };

    std::string_view text() const;
    // Each reads a line of text_ from its first character that is not blank, begin, to lineEnd:
    // the forms of a stem and its endings (added to forms), or a rule or the default, then blanks
    // and a comment. False when the line is malformed, and then nothing of it is kept.
    bool addForms(std::size_t begin, std::size_t lineEnd, std::vector<Entry>& forms);
    bool addRule(std::size_t begin, std::size_t lineEnd);

    std::vector<unsigned char> text_;
    Table forms_;
    Table rules_;
    std::size_t longestRule_ = 0; // letters of the longest rule ending
    std::uint16_t default_ = 0;   // vowel from the end; 0 when no file gave one
    std::size_t badLines_ = 0;
};

} // namespace vx::tembra
