#include "text/Language.h"

#include "config/ConfigParser.h"
#include "config/TextUtil.h"
#include "platform/CharClass.h"
#include "platform/Log.h"

namespace vx {
namespace {

constexpr std::u16string_view kCyrillicVowels = u"аеёиоуыэюя";
constexpr std::u16string_view kLatinVowels = u"aeiouy";
constexpr std::u16string_view kCyrillicPrepositions = u"вкосу";
constexpr unsigned kMaxNumberGroup = 12;

bool contains(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

bool containsAnyOf(std::u16string_view text, std::u16string_view set) {
    return !set.empty() && text.find_first_of(set) != std::u16string_view::npos;
}

bool isCyrillicLetter(char16_t c) { return (c >= 0x040A && c <= 0x044F) || c == 0x0401 || c == 0x0451; }

bool isLatinLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Sends every entry of a user dictionary file, whatever its section, to one dictionary.
class UserDictionaryReader : public ConfigHandler {
public:
    explicit UserDictionaryReader(ReplacementDictionary& dictionary) : dictionary_(dictionary) {}

    bool onEntry(const std::u16string&, const std::u16string&, const std::u16string& key,
                 const std::u16string& value) override {
        dictionary_.set(key, value);
        return true;
    }

private:
    ReplacementDictionary& dictionary_;
};

} // namespace

Language::Language(std::u16string name) : name_(std::move(name)) {}

bool Language::onEntry(const std::u16string&, const std::u16string& section, const std::u16string& key,
                       const std::u16string& value) {
    if (key.empty()) {
        return true;
    }
    if (section == u"Letters") {
        letters_[key] = TextUtil::lowerCyrillicLatin(value);
    } else if (section == u"Numbers") {
        numbers_[key] = TextUtil::lowerCyrillicLatin(value);
    } else if (section == u"Symbols") {
        symbols_[key] = TextUtil::lowerCyrillicLatin(value);
    } else if (section == u"Replacements") {
        replacements_.set(key, value);
    } else {
        reading_.onEntry(section, key, value);
    }
    return true;
}

void Language::set(const std::u16string& key, const std::u16string& value) {
    if (key == u"alphabet") {
        alphabet_ = value == u"cyrillic" ? Alphabet::Cyrillic : value == u"latin" ? Alphabet::Latin : Alphabet::None;
    } else if (key == u"lower") {
        lower_ = value;
    } else if (key == u"upper") {
        upper_ = value;
    } else if (key == u"vowels") {
        vowels_ = value;
    } else if (key == u"preposition") {
        preposition_ = value;
    } else if (key == u"numgrp") {
        const int group = TextUtil::toInt(value);
        if (group >= 1 && group <= static_cast<int>(kMaxNumberGroup)) {
            numberGroup_ = static_cast<unsigned>(group);
        }
    }
}

bool Language::isLetter(char16_t c) const {
    return (alphabet_ == Alphabet::Latin && isLatinLetter(c)) ||
           (alphabet_ == Alphabet::Cyrillic && isCyrillicLetter(c)) || contains(lower_, c) ||
           contains(upper_, c);
}

std::u16string Language::toLower(std::u16string_view text) const {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (alphabet_ == Alphabet::Cyrillic) {
            if (c >= 0x0410 && c <= 0x042F) {
                c = static_cast<char16_t>(c + 32);
            } else if (c == 0x0401) {
                c = 0x0451;
            }
        } else if (alphabet_ == Alphabet::Latin && c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + 32);
        }
    }
    // The pairs apply one after another, so a later pair also sees what an earlier one produced.
    const std::size_t pairs = std::min(upper_.size(), lower_.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        for (char16_t& c : out) {
            if (c == upper_[i]) {
                c = lower_[i];
            }
        }
    }
    return out;
}

bool Language::isPreposition(std::u16string_view text) const {
    return alphabet_ == Alphabet::Cyrillic &&
           (containsAnyOf(text, kCyrillicPrepositions) || containsAnyOf(text, preposition_));
}

bool Language::hasVowel(std::u16string_view text) const {
    const std::u16string_view builtIn = alphabet_ == Alphabet::Cyrillic ? kCyrillicVowels
                                        : alphabet_ == Alphabet::Latin  ? kLatinVowels
                                                                        : std::u16string_view{};
    return containsAnyOf(text, builtIn) || containsAnyOf(text, vowels_);
}

std::size_t Language::splitDigits(std::u16string_view digits, std::vector<std::u16string>& out) const {
    return TextUtil::chunk(digits, out, numberGroup_, true);
}

bool Language::loadDictionary(const std::u16string& path) {
    return !path.empty() && ConfigParser::loadFile(path, *this);
}

bool Language::loadUserDictionary(const std::u16string& path) {
    UserDictionaryReader reader(userDictionary_);
    return !path.empty() && ConfigParser::loadFile(path, reader, ConfigParser::Headers::None);
}

std::u16string Language::applyReplacements(std::u16string_view text, const std::function<bool()>& stopRequested) const {
    return applyDictionary(replacements_, u"the replacements", replacementsLogged_, text, stopRequested);
}

std::u16string Language::applyUserDictionary(std::u16string_view text, const std::function<bool()>& stopRequested) const {
    return applyDictionary(userDictionary_, u"the user dictionary", userDictionaryLogged_, text, stopRequested);
}

std::u16string Language::applyDictionary(const ReplacementDictionary& dictionary, std::u16string_view what,
                                         std::atomic<bool>& logged, std::u16string_view text,
                                         const std::function<bool()>& stopRequested) const {
    ReplacementDictionary::Cut cut;
    std::u16string applied = dictionary.apply(text, stopRequested, &cut);
    if (cut.why == ReplacementDictionary::Cut::Why::Growth && !logged.exchange(true)) {
        Log::Write(u"* %s of %s: the entry '%s' would make a text of %u characters longer than %u; "
                   u"it and the entries after it are not applied",
                   what, name_, cut.key, text.size(), cut.limit);
    }
    return applied;
}

} // namespace vx
