#pragma once
// The reading stage's place in a text and what it has said so far, with the questions every
// reading topic asks about the text around that place: the preposition before it, the noun
// after it.

#include "text/Language.h"
#include "text/NumberWords.h"
#include "text/TextReader.h"

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vx {

class ReadingCursor {
public:
    // map, when given, is told where each stretch of the output came from.
    ReadingCursor(std::u16string_view text, const Language& language, ReadingMap* map = nullptr)
        : text_(text), language_(language), numbers_(language.reading()), map_(map) {}

    std::u16string_view text() const { return text_; }
    std::size_t position() const { return position_; }
    bool atEnd() const { return position_ >= text_.size(); }
    // The character at i, or 0 beyond the end.
    char16_t at(std::size_t i) const { return i < text_.size() ? text_[i] : u'\0'; }

    const Language& language() const { return language_; }
    const ReadingRules& rules() const { return language_.reading(); }
    const NumberWords& numbers() const { return numbers_; }

    // How a symbol is said: its reading name, else its symbol name; empty when it has neither.
    std::u16string symbolWords(char16_t symbol) const;

    // The lengths of the runs of digits, letters and spaces (no-break ones too) that start at i.
    std::size_t digitsAt(std::size_t i) const;
    std::size_t lettersAt(std::size_t i) const;
    std::size_t spacesAt(std::size_t i) const;
    // True when i starts a word or number: the character before it is neither a letter nor a digit.
    bool startsToken(std::size_t i) const;
    // True when an upper-case letter (Cyrillic or Latin) stands at i.
    bool isCapitalAt(std::size_t i) const;

    // Where the word that ends before i, with only spaces between, starts; i when none does.
    std::size_t wordStartBefore(std::size_t i) const;
    // That word, lowered; empty when none.
    std::u16string wordBefore(std::size_t i) const;
    // The cases that the preposition (or other governing word) before i governs, looking past
    // particles; empty when none stands there.
    std::span<const GrammaticalCase> casesGovernedBefore(std::size_t i) const;
    // The first of preferred that the preposition before i governs, else the first case it
    // governs, else fallback.
    GrammaticalCase caseAfterPreposition(std::size_t i, std::initializer_list<GrammaticalCase> preferred,
                                         GrammaticalCase fallback) const;

    // A quantity with a unit ("4 ч") was said in a case up to end; "4 ч 30 мин" says the next one
    // in the same case.
    void rememberQuantity(std::size_t end, GrammaticalCase grammaticalCase) { lastQuantity_ = {end, grammaticalCase}; }
    // The case of the quantity said right before i (only spaces between), if one was.
    std::optional<GrammaticalCase> caseOfQuantityBefore(std::size_t i) const {
        return lastQuantity_ && lastQuantity_->first + spacesAt(lastQuantity_->first) == i && lastQuantity_->first < i
                   ? std::optional(lastQuantity_->second)
                   : std::nullopt;
    }

    struct NounAfter {
        std::span<const NounForm> forms; // empty when no known noun follows
        std::size_t end = 0;             // where the noun ends
    };
    // The known noun that follows i after spaces, passing over up to two adjectives before it.
    NounAfter nounAfter(std::size_t i) const;

    // Says words in place of the text up to end, set apart by spaces from what stands around.
    void say(std::u16string_view words, std::size_t end);
    // Copies the text up to end as it stands.
    void copyTo(std::size_t end);
    // Says words in place of text that ends with an abbreviation's dot ("руб.", "т. д."): when a
    // capital after a space, or the end of the text, follows, the dot ends the sentence too.
    void sayAbbreviated(std::u16string_view words, std::size_t end);

    std::u16string takeOutput() { return std::move(output_); }

private:
    std::u16string_view text_;
    const Language& language_;
    NumberWords numbers_;
    ReadingMap* map_;
    std::size_t position_ = 0;
    std::u16string output_;
    bool spaceAfterWords_ = false; // words were said last: a letter or digit copied next gets a space
    std::optional<std::pair<std::size_t, GrammaticalCase>> lastQuantity_;
};

} // namespace vx
