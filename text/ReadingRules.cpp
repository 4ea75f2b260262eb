#include "text/ReadingRules.h"

#include "config/TextUtil.h"
#include "platform/CharClass.h"

#include <algorithm>

namespace vx {
namespace {

constexpr std::array<std::u16string_view, kCaseCount> kCaseNames = {u"nom", u"gen", u"dat", u"acc", u"ins", u"prep"};

// The words of text apart by spaces, as views into it.
std::vector<std::u16string_view> words(std::u16string_view text) {
    std::vector<std::u16string_view> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(u' ', at);
        if (start == std::u16string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(u' ', start), text.size());
        out.push_back(text.substr(start, end - start));
        at = end;
    }
    return out;
}

std::optional<GrammaticalCase> caseNamed(std::u16string_view name) {
    const auto found = std::ranges::find(kCaseNames, name);
    if (found == kCaseNames.end()) {
        return std::nullopt;
    }
    return static_cast<GrammaticalCase>(found - kCaseNames.begin());
}

// A multi-word form is written with "_" in place of its spaces, so that forms stay apart.
std::u16string formWord(std::u16string_view written) {
    std::u16string word = lowerLetters(written);
    std::ranges::replace(word, u'_', u' ');
    return word;
}

template <std::size_t N>
std::optional<std::array<std::u16string, N>> forms(std::span<const std::u16string_view> list) {
    if (list.size() != N) {
        return std::nullopt;
    }
    std::array<std::u16string, N> out;
    std::ranges::transform(list, out.begin(), formWord);
    return out;
}

std::optional<std::uint64_t> numberKey(std::u16string_view key) {
    if (!TextUtil::isAllDigits(key) || key.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char16_t c : key) {
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return value;
}

bool endsWithLetter(std::u16string_view text) { return !text.empty() && isLetter(text.back()); }

} // namespace

std::u16string lowerLetters(std::u16string_view text) {
    std::u16string out(text);
    std::ranges::transform(out, out.begin(), lowerLetter);
    return out;
}

const std::u16string& Noun::form(GrammaticalCase grammaticalCase, bool isPlural) const {
    return (isPlural ? plural : singular)[static_cast<std::size_t>(grammaticalCase)];
}

std::u16string Ordinal::inSlot(Slot slot) const {
    return std::u16string(stem) +
           (*endings)[static_cast<std::size_t>(slot.gender) * kCaseCount + static_cast<std::size_t>(slot.grammaticalCase)];
}

bool ReadingRules::onEntry(std::u16string_view section, const std::u16string& key, const std::u16string& value) {
    if (section == u"Reading") {
        setReadingKey(key, value);
    } else if (section == u"Cardinals") {
        addCardinal(key, value);
    } else if (section == u"Ordinals") {
        addOrdinal(key, value);
    } else if (section == u"Endings") {
        addEndings(key, value);
    } else if (section == u"Nouns") {
        addNoun(key, value);
    } else if (section == u"Prepositions") {
        addPreposition(key, value);
    } else if (section == u"Months") {
        const std::optional<std::uint64_t> month = numberKey(key);
        if (month && *month >= 1 && *month <= 12) {
            monthNames_[*month - 1] = lowerLetters(value);
            months_[monthNames_[*month - 1]] = static_cast<unsigned>(*month);
        }
    } else if (section == u"Units") {
        addUnit(key, value);
    } else if (section == u"Abbreviations" || section == u"Titles") {
        addAbbreviation(key, value, section == u"Abbreviations");
    } else if (section == u"Acronyms") {
        acronyms_[key] = value;
    } else if (section == u"Domains") {
        domainParts_[lowerLetters(key)] = value;
    } else if (section == u"Names") {
        names_[key] = value;
    } else {
        return false;
    }
    return true;
}

void ReadingRules::setReadingKey(const std::u16string& key, const std::u16string& value) {
    const std::vector<std::u16string_view> list = words(value);
    if (key == u"few" && list.size() == 2) {
        if (const std::optional<GrammaticalCase> form = caseNamed(list[0])) {
            fewForm_ = {*form, list[1] == u"pl"};
        }
    } else if (key == u"thousand" || key == u"million" || key == u"billion") {
        scaleNames_[key == u"thousand" ? 0 : key == u"million" ? 1 : 2] = lowerLetters(value);
    } else if (key == u"whole") {
        wholeName_ = lowerLetters(value);
    } else if (key == u"fractions") {
        fractionNames_.clear();
        std::ranges::transform(list, std::back_inserter(fractionNames_), lowerLetters);
    } else if (key == u"year") {
        yearName_ = lowerLetters(value);
    } else if (key == u"short decades") {
        shortDecadesCentury_ = static_cast<unsigned>(std::max(0, TextUtil::toInt(value)));
    } else if (key == u"named") {
        named_ = value;
    } else if (key == u"particles") {
        particles_.clear();
        std::ranges::transform(list, std::back_inserter(particles_), lowerLetters);
    } else if (key == u"cardinal endings") {
        cardinalEndings_.assign(list.begin(), list.end());
    } else if (key == u"day ranges") {
        dayJoiners_.assign(list.begin(), list.end());
    } else if (key == u"distance") {
        distanceWord_ = lowerLetters(value);
    } else if (key == u"century") {
        centuryName_ = lowerLetters(value);
    }
}

// Six case forms, and a seventh when the word begins compounds otherwise than in the genitive.
void ReadingRules::addCardinal(const std::u16string& key, const std::u16string& value) {
    std::vector<std::u16string_view> list = words(value);
    if (list.size() == kCaseCount + 1) {
        combiningForms_[key] = formWord(list.back());
        list.pop_back();
    }
    if (const auto caseForms = forms<kCaseCount>(list)) {
        cardinals_[key] = *caseForms;
    }
}

void ReadingRules::addOrdinal(const std::u16string& key, const std::u16string& value) {
    const std::optional<std::uint64_t> number = numberKey(key);
    const std::vector<std::u16string_view> list = words(value);
    if (number && list.size() == 2) {
        ordinals_[*number] = {formWord(list[0]), std::u16string(list[1])};
    }
}

void ReadingRules::addEndings(const std::u16string& key, const std::u16string& value) {
    if (const auto list = forms<24>(words(value))) {
        endings_[key] = *list;
    }
}

// "книга = f книга книги ... книгах": the gender (m, f, n; "a" after it for a noun declined as
// an adjective), then six singular and six plural forms, and the form after two to four when it
// is none of them.
void ReadingRules::addNoun(const std::u16string& key, const std::u16string& value) {
    const std::vector<std::u16string_view> list = words(value);
    if (list.empty() || list[0].empty() || list[0].size() > 2 || (list[0].size() == 2 && list[0][1] != u'a')) {
        return;
    }
    const std::u16string_view genders = u"mfn";
    const std::size_t gender = genders.find(list[0][0]);
    const auto singular = forms<kCaseCount>(std::span(list).subspan(1, std::min<std::size_t>(kCaseCount, list.size() - 1)));
    const bool hasFew = list.size() == 2 * kCaseCount + 2;
    const auto plural = list.size() == 2 * kCaseCount + 1 || hasFew
                            ? forms<kCaseCount>(std::span(list).subspan(kCaseCount + 1, kCaseCount))
                            : std::nullopt;
    if (gender == std::u16string_view::npos || !singular || !plural) {
        return;
    }
    auto noun = std::make_unique<Noun>(Noun{static_cast<Gender>(gender), list[0].size() == 2, *singular, *plural,
                                            hasFew ? formWord(list.back()) : std::u16string()});
    for (const bool isPlural : {false, true}) {
        for (std::size_t c = 0; c < kCaseCount; ++c) {
            const auto grammaticalCase = static_cast<GrammaticalCase>(c);
            std::vector<NounForm>& readings = nounForms_[std::u16string_view(noun->form(grammaticalCase, isPlural))];
            readings.push_back({noun.get(), grammaticalCase, isPlural});
        }
    }
    nounsByLemma_[formWord(key)] = noun.get();
    nouns_.push_back(std::move(noun));
}

void ReadingRules::addPreposition(const std::u16string& key, const std::u16string& value) {
    std::vector<GrammaticalCase> cases;
    for (const std::u16string_view name : words(value)) {
        if (const std::optional<GrammaticalCase> grammaticalCase = caseNamed(name)) {
            cases.push_back(*grammaticalCase);
        }
    }
    if (!cases.empty()) {
        prepositions_[lowerLetters(key)] = std::move(cases);
    }
}

void ReadingRules::addUnit(const std::u16string& key, const std::u16string& value) {
    std::erase_if(unitEntries_, [&](const auto& entry) { return entry.first == key; });
    const auto longer = [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); };
    unitEntries_.insert(std::ranges::upper_bound(unitEntries_, std::pair(key, value), longer), {key, value});
}

void ReadingRules::addAbbreviation(const std::u16string& key, const std::u16string& value, bool endsSentence) {
    const std::u16string lowered = lowerLetters(key);
    std::vector<Abbreviation>& list = abbreviations_[lowered.front()];
    std::erase_if(list, [&](const Abbreviation& entry) { return entry.key == lowered; });
    const auto longer = [](const Abbreviation& a, const Abbreviation& b) { return a.key.size() > b.key.size(); };
    const Abbreviation entry{lowered, value, endsSentence};
    list.insert(std::ranges::upper_bound(list, entry, longer), entry);
}

const CaseForms* ReadingRules::cardinal(std::u16string_view key) const {
    const auto found = cardinals_.find(key);
    return found == cardinals_.end() ? nullptr : &found->second;
}

const std::u16string* ReadingRules::combiningForm(std::u16string_view key) const {
    const auto found = combiningForms_.find(key);
    return found == combiningForms_.end() ? nullptr : &found->second;
}

std::optional<Ordinal> ReadingRules::ordinal(std::uint64_t value) const {
    const auto found = ordinals_.find(value);
    if (found == ordinals_.end()) {
        return std::nullopt;
    }
    const auto endings = endings_.find(found->second.second);
    if (endings == endings_.end()) {
        return std::nullopt;
    }
    return Ordinal{found->second.first, &endings->second};
}

std::span<const NounForm> ReadingRules::nounForms(std::u16string_view lowered) const {
    const auto found = nounForms_.find(lowered);
    return found == nounForms_.end() ? std::span<const NounForm>() : found->second;
}

const Noun* ReadingRules::noun(std::u16string_view lemma) const {
    const auto found = nounsByLemma_.find(lemma);
    return found == nounsByLemma_.end() ? nullptr : found->second;
}

bool ReadingRules::looksLikeAdjective(std::u16string_view lowered) const {
    // Ukrainian нову, нові end with one letter; Russian adjectives with two.
    constexpr std::size_t kShortestStem = 3;
    return std::ranges::any_of(endings_, [&](const auto& entry) {
        return std::ranges::any_of(entry.second, [&](const std::u16string& ending) {
            return !ending.empty() && lowered.size() >= ending.size() + kShortestStem && lowered.ends_with(ending);
        });
    });
}

std::span<const GrammaticalCase> ReadingRules::prepositionCases(std::u16string_view lowered) const {
    const auto found = prepositions_.find(lowered);
    return found == prepositions_.end() ? std::span<const GrammaticalCase>() : found->second;
}

unsigned ReadingRules::month(std::u16string_view lowered) const {
    const auto found = months_.find(lowered);
    return found == months_.end() ? 0 : found->second;
}

std::optional<std::pair<Unit, std::size_t>> ReadingRules::unitAt(std::u16string_view text) const {
    for (const auto& [key, value] : unitEntries_) {
        if (text.starts_with(key) && !(endsWithLetter(key) && text.size() > key.size() && isLetter(text[key.size()]))) {
            return std::pair(unitOf(value), key.size());
        }
    }
    return std::nullopt;
}

// A unit is plural only when every reading of its first word is plural (гг. = годы).
Unit ReadingRules::unitOf(std::u16string_view value) const {
    const std::size_t space = std::min(value.find(u' '), value.size());
    const std::u16string first = formWord(std::u16string(value.substr(0, space)));
    const std::span<const NounForm> readings = nounForms(first);
    if (readings.empty()) {
        return {nullptr, std::u16string(value), false};
    }
    const bool pluralOnly = std::ranges::all_of(readings, &NounForm::plural);
    return {readings.front().noun, std::u16string(TextUtil::trim(value.substr(space))), pluralOnly};
}

std::span<const Abbreviation> ReadingRules::abbreviationsFrom(char16_t lowered) const {
    const auto found = abbreviations_.find(lowered);
    return found == abbreviations_.end() ? std::span<const Abbreviation>() : found->second;
}

const std::u16string* ReadingRules::acronym(std::u16string_view word) const {
    const auto found = acronyms_.find(word);
    return found == acronyms_.end() ? nullptr : &found->second;
}

const std::u16string* ReadingRules::domainPart(std::u16string_view lowered) const {
    const auto found = domainParts_.find(lowered);
    return found == domainParts_.end() ? nullptr : &found->second;
}

const std::u16string* ReadingRules::name(char16_t symbol) const {
    const auto found = names_.find(std::u16string_view(&symbol, 1));
    return found == names_.end() ? nullptr : &found->second;
}

bool ReadingRules::isCardinalEnding(std::u16string_view ending) const {
    return std::ranges::find(cardinalEndings_, ending) != cardinalEndings_.end();
}

bool ReadingRules::joinsDays(std::u16string_view lowered) const {
    return !lowered.empty() && std::ranges::find(dayJoiners_, lowered) != dayJoiners_.end();
}

bool ReadingRules::isParticle(std::u16string_view lowered) const {
    return !lowered.empty() && std::ranges::find(particles_, lowered) != particles_.end();
}

const Noun* ReadingRules::scale(std::size_t order) const {
    return order >= 1 && order <= scaleNames_.size() ? noun(scaleNames_[order - 1]) : nullptr;
}

const Noun* ReadingRules::fraction(std::size_t digits) const {
    return digits >= 1 && digits <= fractionNames_.size() ? noun(fractionNames_[digits - 1]) : nullptr;
}

} // namespace vx
