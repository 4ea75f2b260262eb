#include "text/ReadingCursor.h"

#include "platform/CharClass.h"

#include <algorithm>

namespace vx {
namespace {

constexpr std::size_t kAdjectivesBeforeNoun = 2;

bool isSpaceOrNoBreak(char16_t c) { return isSpace(c) || c == u'\u00A0' || c == u'\u2007' || c == u'\u202F'; }

template <class Belongs>
std::size_t runAt(std::u16string_view text, std::size_t i, Belongs belongs) {
    std::size_t end = i;
    while (end < text.size() && belongs(text[end])) {
        ++end;
    }
    return end - i;
}

} // namespace

std::u16string ReadingCursor::symbolWords(char16_t symbol) const {
    if (const std::u16string* name = rules().name(symbol)) {
        return *name;
    }
    std::u16string name = language_.symbolName(std::u16string_view(&symbol, 1));
    return name.size() > 1 ? name : std::u16string();
}

std::size_t ReadingCursor::digitsAt(std::size_t i) const { return runAt(text_, i, isDigit); }

std::size_t ReadingCursor::lettersAt(std::size_t i) const {
    return runAt(text_, i, [this](char16_t c) { return isLetter(c) || language_.isLetter(c); });
}

std::size_t ReadingCursor::spacesAt(std::size_t i) const { return runAt(text_, i, isSpaceOrNoBreak); }

bool ReadingCursor::startsToken(std::size_t i) const {
    return i == 0 || !(isLetter(text_[i - 1]) || isDigit(text_[i - 1]) || language_.isLetter(text_[i - 1]));
}

bool ReadingCursor::isCapitalAt(std::size_t i) const {
    const char16_t c = at(i);
    return (c >= u'A' && c <= u'Z') || (c >= u'\u0410' && c <= u'\u042F') || c == u'\u0401' ||
           (c >= u'\u0400' && c <= u'\u040F');
}

std::size_t ReadingCursor::wordStartBefore(std::size_t i) const {
    std::size_t end = i;
    while (end > 0 && isSpaceOrNoBreak(text_[end - 1])) {
        --end;
    }
    std::size_t start = end;
    while (start > 0 && (isLetter(text_[start - 1]) || language_.isLetter(text_[start - 1]))) {
        --start;
    }
    return start == end ? i : start;
}

std::u16string ReadingCursor::wordBefore(std::size_t i) const {
    const std::size_t start = wordStartBefore(i);
    return start == i ? std::u16string() : lowerLetters(text_.substr(start, lettersAt(start)));
}

std::span<const GrammaticalCase> ReadingCursor::casesGovernedBefore(std::size_t i) const {
    std::u16string word = wordBefore(i);
    while (rules().isParticle(word)) {
        i = wordStartBefore(i);
        word = wordBefore(i);
    }
    return rules().prepositionCases(word);
}

GrammaticalCase ReadingCursor::caseAfterPreposition(std::size_t i, std::initializer_list<GrammaticalCase> preferred,
                                                    GrammaticalCase fallback) const {
    const std::span<const GrammaticalCase> governed = casesGovernedBefore(i);
    for (const GrammaticalCase grammaticalCase : preferred) {
        if (std::ranges::find(governed, grammaticalCase) != governed.end()) {
            return grammaticalCase;
        }
    }
    return governed.empty() ? fallback : governed.front();
}

ReadingCursor::NounAfter ReadingCursor::nounAfter(std::size_t i) const {
    for (std::size_t words = 0; words <= kAdjectivesBeforeNoun; ++words) {
        const std::size_t start = i + spacesAt(i);
        const std::size_t length = lettersAt(start);
        if (length == 0 || start == i) {
            return {};
        }
        const std::u16string lowered = lowerLetters(text_.substr(start, length));
        const std::span<const NounForm> forms = rules().nounForms(lowered);
        if (!forms.empty()) {
            return {forms, start + length};
        }
        if (!rules().looksLikeAdjective(lowered)) {
            return {};
        }
        i = start + length;
    }
    return {};
}

void ReadingCursor::say(std::u16string_view words, std::size_t end) {
    if (!output_.empty() && !isSpaceOrNoBreak(output_.back())) {
        output_ += u' ';
    }
    const std::size_t start = output_.size();
    output_ += words;
    if (map_) {
        map_->addStretch(static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(output_.size()),
                         static_cast<std::uint32_t>(position_), static_cast<std::uint32_t>(std::max(position_, end)), false);
    }
    position_ = std::max(position_, end);
    spaceAfterWords_ = true;
}

void ReadingCursor::sayAbbreviated(std::u16string_view words, std::size_t end) {
    say(words, end);
    const std::size_t next = end + spacesAt(end);
    if (end > 0 && text_[end - 1] == u'.' && (next >= text_.size() || (next > end && isCapitalAt(next)))) {
        output_ += u'.';
        if (map_) {
            map_->extendLast(static_cast<std::uint32_t>(output_.size()));
        }
    }
}

void ReadingCursor::copyTo(std::size_t end) {
    if (end <= position_) {
        return;
    }
    const char16_t first = text_[position_];
    if (spaceAfterWords_ && (isLetter(first) || isDigit(first) || language_.isLetter(first))) {
        output_ += u' ';
    }
    const std::size_t start = output_.size();
    output_.append(text_.substr(position_, end - position_));
    if (map_) {
        map_->addStretch(static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(output_.size()),
                         static_cast<std::uint32_t>(position_), static_cast<std::uint32_t>(end), true);
    }
    position_ = end;
    spaceAfterWords_ = false;
}

} // namespace vx
