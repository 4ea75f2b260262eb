#pragma once
// What the reading stage knows of one language: the forms of its number words in every case and
// gender, the nouns that numbers count, the cases prepositions govern, month names, units,
// abbreviations, acronyms and web domain names. All of it comes from sections of the language's
// dictionary file, so a language is taught to read by data alone; the stage's code holds only
// the mechanisms.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx {

// A Russian, Ukrainian or Latin capital lowered; any other character as it is.
constexpr char16_t lowerLetter(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'\u0410' && c <= u'\u042F')) {
        return static_cast<char16_t>(c + 32);
    }
    if (c >= u'\u0400' && c <= u'\u040F') {
        return static_cast<char16_t>(c + 80); // Ё Є І Ї and the other capitals before А
    }
    return c == u'\u0490' ? u'\u0491' : c; // Ґ
}

// The text with its Russian, Ukrainian and Latin capitals lowered: how words are looked up.
std::u16string lowerLetters(std::u16string_view text);

enum class GrammaticalCase : std::uint8_t { Nominative, Genitive, Dative, Accusative, Instrumental, Prepositional };
inline constexpr std::size_t kCaseCount = 6;

// The gender of a singular form, or Plural: what an adjective (an ordinal) agrees with.
enum class Gender : std::uint8_t { Masculine, Feminine, Neuter, Plural };

// One slot of a declension: a case with a gender (or the plural).
struct Slot {
    GrammaticalCase grammaticalCase = GrammaticalCase::Nominative;
    Gender gender = Gender::Masculine;
    bool operator==(const Slot&) const = default;
};

// A word's six case forms, nominative first.
using CaseForms = std::array<std::u16string, kCaseCount>;

struct Noun {
    Gender gender = Gender::Masculine;
    // Declined like an adjective (целая, десятая): after two to four it takes the genitive
    // plural in Russian, where other nouns take the genitive singular.
    bool adjectival = false;
    CaseForms singular;
    CaseForms plural;
    // The form after two to four in the nominative, where it is neither of the above
    // (квадратных метра); empty for most nouns.
    std::u16string few;

    const std::u16string& form(GrammaticalCase grammaticalCase, bool isPlural) const;
};

// One reading of a word as a form of a known noun.
struct NounForm {
    const Noun* noun;
    GrammaticalCase grammaticalCase;
    bool plural;
};

// The 24 endings of an adjective: masculine, feminine, neuter and plural, each in six cases.
using EndingTable = std::array<std::u16string, 24>;

// An ordinal's stem and the endings it takes: "перв" + "ый".
struct Ordinal {
    std::u16string_view stem;
    const EndingTable* endings;

    std::u16string inSlot(Slot slot) const;
};

// What follows a number: a unit's noun, declined, and the words said after it unchanged
// ("километр" + "в час").
struct Unit {
    const Noun* noun = nullptr;
    std::u16string rest;      // said after the noun; the whole value when the noun is unknown
    bool pluralOnly = false;  // written as a plural (гг., вв.)
};

// An abbreviation: its words, and whether the dot that ends it may end a sentence too (т. д.
// may, ул. before a name may not).
struct Abbreviation {
    std::u16string key; // lowered, as written in the file
    std::u16string words;
    bool endsSentence = true;
};

class ReadingRules {
    // Lets the tables be searched with a string view, without making a string of it.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>()(text); }
    };
    template <class Value>
    using Table = std::unordered_map<std::u16string, Value, Hash, std::equal_to<>>;

public:
    // Takes an entry of one of the reading sections of a dictionary file ("Reading", "Cardinals",
    // "Ordinals", "Endings", "Nouns", "Prepositions", "Months", "Units", "Abbreviations",
    // "Titles", "Acronyms", "Domains", "Names"). False when the section is not one of them. An entry whose
    // value does not have the form its section asks for is ignored.
    bool onEntry(std::u16string_view section, const std::u16string& key, const std::u16string& value);

    // True until a cardinals section has been read: the stage then reads no numbers.
    bool readsNoNumbers() const { return cardinals_.empty(); }

    // The case forms of a number word: "1" to "19", tens, hundreds, and "1f", "1n", "2f" for the
    // feminine and neuter one and two. Null when the data has none.
    const CaseForms* cardinal(std::u16string_view key) const;
    // The form a number word takes at the front of a compound ("одно" of однокомнатный, "сто" of
    // столетие); null when it is the genitive.
    const std::u16string* combiningForm(std::u16string_view key) const;
    // The ordinal of 0-19, a ten, a hundred, 1000, 10^6 or 10^9; nullopt when the data has none.
    std::optional<Ordinal> ordinal(std::uint64_t value) const;
    // The readings of a word as a form of a known noun (the word lowered).
    std::span<const NounForm> nounForms(std::u16string_view lowered) const;
    const Noun* noun(std::u16string_view lemma) const;
    // True for a word that ends with an adjective's ending and has a stem of three letters or
    // more before it.
    bool looksLikeAdjective(std::u16string_view lowered) const;
    // The cases a preposition governs, the likeliest first; empty for other words (lowered).
    std::span<const GrammaticalCase> prepositionCases(std::u16string_view lowered) const;
    // The month (1-12) whose name in a date ("декабря") is the word, or 0.
    unsigned month(std::u16string_view lowered) const;
    const std::u16string& monthName(unsigned month) const { return monthNames_[month - 1]; }

    // The longest unit written at the start of text, with its length; nullopt when none. A unit
    // that ends with a letter must not be followed by one.
    std::optional<std::pair<Unit, std::size_t>> unitAt(std::u16string_view text) const;
    // A unit's value as said: its first word a form of a known noun, or words said as they are.
    Unit unitOf(std::u16string_view value) const;
    // The abbreviations whose keys begin with the letter (lowered), longest first.
    std::span<const Abbreviation> abbreviationsFrom(char16_t lowered) const;
    // How an acronym written exactly so is said; null when it is not listed.
    const std::u16string* acronym(std::u16string_view word) const;
    // How a part of a web or e-mail address is said ("ru": ру, "/": слэш); null when not listed.
    const std::u16string* domainPart(std::u16string_view lowered) const;

    // After two to four, a noun in the nominative takes this form (Russian: genitive singular;
    // Ukrainian: nominative plural).
    std::pair<GrammaticalCase, bool> fewForm() const { return fewForm_; }
    // The scale nouns: thousand (1), million (2), billion (3); null when not set.
    const Noun* scale(std::size_t order) const;
    // The noun of a decimal's whole part (целая); of its fraction with the given number of
    // digits (1: десятая); null when not set.
    const Noun* whole() const { return noun(wholeName_); }
    const Noun* fraction(std::size_t digits) const;
    // The noun that marks a number as a year (год).
    const Noun* year() const { return noun(yearName_); }
    // Decades of this century (1900: the 1910s to the 1990s) are said by their tens alone.
    unsigned shortDecadesCentury() const { return shortDecadesCentury_; }
    // How the reading stage names a symbol, in the language's ordinary spelling; null when the
    // "Names" section does not list it (the "Symbols" name is said then).
    const std::u16string* name(char16_t symbol) const;
    // The endings after a hyphen that mark a cardinal rather than an ordinal ("ти" of 5-ти).
    bool isCardinalEnding(std::u16string_view ending) const;
    // The words that join the first day of a range to the second ("с 1 по 5 мая", "1 и 2 мая").
    bool joinsDays(std::u16string_view lowered) const;
    // The word after a measure that makes it a distance (в 5 км от города), not an amount.
    bool marksDistance(std::u16string_view lowered) const { return !lowered.empty() && lowered == distanceWord_; }
    // The noun that marks a number as the count of a century (век); null when not set.
    const Noun* century() const { return noun(centuryName_); }
    // A word that stands between a number and the word governing it without changing its case
    // (всего, уже): the word before it is asked instead.
    bool isParticle(std::u16string_view lowered) const;
    // Symbols read by their names wherever they stand.
    bool isNamedSymbol(char16_t c) const { return named_.find(c) != std::u16string::npos; }

private:
    void setReadingKey(const std::u16string& key, const std::u16string& value);
    void addCardinal(const std::u16string& key, const std::u16string& value);
    void addOrdinal(const std::u16string& key, const std::u16string& value);
    void addEndings(const std::u16string& key, const std::u16string& value);
    void addNoun(const std::u16string& key, const std::u16string& value);
    void addPreposition(const std::u16string& key, const std::u16string& value);
    void addUnit(const std::u16string& key, const std::u16string& value);
    void addAbbreviation(const std::u16string& key, const std::u16string& value, bool endsSentence);

    Table<CaseForms> cardinals_;
    Table<std::u16string> combiningForms_;
    std::unordered_map<std::uint64_t, std::pair<std::u16string, std::u16string>> ordinals_; // stem, endings
    std::map<std::u16string, EndingTable, std::less<>> endings_;
    // Nouns are kept in a list whose addresses never change, as the form index points into it.
    std::vector<std::unique_ptr<Noun>> nouns_;
    Table<const Noun*> nounsByLemma_;
    // Keyed by views of the nouns' own forms, which live as long as the nouns.
    std::unordered_map<std::u16string_view, std::vector<NounForm>> nounForms_;
    Table<std::vector<GrammaticalCase>> prepositions_;
    std::array<std::u16string, 12> monthNames_;
    Table<unsigned> months_;
    std::vector<std::pair<std::u16string, std::u16string>> unitEntries_; // key, value; sorted longest first
    std::map<char16_t, std::vector<Abbreviation>> abbreviations_;
    Table<std::u16string> acronyms_;
    Table<std::u16string> domainParts_;
    std::pair<GrammaticalCase, bool> fewForm_{GrammaticalCase::Genitive, false};
    std::array<std::u16string, 3> scaleNames_;
    std::u16string wholeName_;
    std::vector<std::u16string> fractionNames_;
    std::u16string yearName_;
    unsigned shortDecadesCentury_ = 0;
    std::u16string named_;
    std::vector<std::u16string> particles_;
    std::vector<std::u16string> cardinalEndings_;
    std::vector<std::u16string> dayJoiners_;
    std::u16string centuryName_;
    std::u16string distanceWord_;
    Table<std::u16string> names_;
};

} // namespace vx
