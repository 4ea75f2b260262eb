// A Language with the Russian sample dictionary reads the digits of the input (its first byte
// picks the number-group length, the rest is UTF-16LE text) as a number, however many there are,
// and the words must read back into the same digits, which checks the grammar on the way.

#include "config/TextUtil.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Utf.h"
#include "tests/support/RussianDictionary.h"
#include "text/Language.h"

#include <algorithm>
#include <map>

namespace {

using namespace vx;

constexpr std::size_t kLongestWholeNumber = 12; // longer runs are read group by group

// A digit word (feminine: "1f", "2f"), or a scale word: multiplier, form (0 singular, 1-2 plural).
struct NumberWord {
    std::uint64_t value = 0, scale = 0;
    bool feminine = false;
    unsigned form = 0;
};

struct Sample {
    Language language{u"ru"};
    std::map<std::u16string, NumberWord> numberWords; // by the word

    Sample() {
        const auto bytes = fuzz::encodeUtf16le(test::kRussianDictionary);
        for (const auto& [section, key, value] : fuzz::loadEntries(bytes.data(), bytes.size())) {
            language.onEntry(u"ru.dic", section, key, value);
            if (section == u"Numbers") { // the keys: "7", "1f", "thousand_s", "million_p1", "billion_p2"...
                const std::uint64_t scale = key[0] == u't' ? 1'000 : key[0] == u'm' ? 1'000'000 : key[0] == u'b' ? 1'000'000'000 : 0;
                numberWords[value] = {scale == 0 ? static_cast<std::uint64_t>(TextUtil::toInt(key)) : 0, scale,
                                      key.back() == u'f', key.back() == u's' ? 0u : static_cast<unsigned>(key.back() - u'0')};
            }
        }
    }

    // The digits that the words of a whole number name. "ноль" only leads; a group is hundreds,
    // then tens or a teen, then units, each at most once; scale words come in falling order, in
    // the form that their group's last digits call for, "одна"/"две" only before "тысяча".
    std::u16string readBack(std::u16string_view text) const {
        std::u16string zeros;
        std::uint64_t value = 0, group = 0, lastScale = ~0ULL;
        bool feminine = false;
        for (std::size_t start = 0, end = 0; (start = text.find_first_not_of(u' ', end)) != text.npos;) {
            end = std::min(text.find(u' ', start), text.size());
            const auto at = numberWords.find(std::u16string(text.substr(start, end - start)));
            VX_FUZZ_CHECK(at != numberWords.end());
            const NumberWord& w = at->second;
            const std::uint64_t low = group % 100, units = low >= 10 && low <= 19 ? low : low % 10;
            if (w.scale == 0 && w.value == 0) {
                VX_FUZZ_CHECK(value == 0 && group == 0);
                zeros += u'0';
            } else if (w.scale == 0) {
                VX_FUZZ_CHECK(w.value >= 100 ? group == 0 : w.value >= 10 ? low == 0 : low % 10 == 0 && low != 10);
                group += w.value;
                feminine = w.feminine;
            } else {
                VX_FUZZ_CHECK(group != 0 && w.scale < lastScale &&
                              w.form == (units == 1 ? 0u : units >= 2 && units <= 4 ? 1u : 2u));
                VX_FUZZ_CHECK(feminine == (w.scale == 1000 && (units == 1 || units == 2)));
                value += group * w.scale;
                lastScale = w.scale;
                group = 0;
                feminine = false;
            }
        }
        VX_FUZZ_CHECK(!feminine);
        return value + group == 0 ? zeros : zeros + fromUtf8(std::to_string(value + group));
    }

    void checkNumber(std::u16string_view digits) const {
        std::u16string words = language.numberToWords(digits);
        if (digits.size() <= kLongestWholeNumber) {
            VX_FUZZ_CHECK(readBack(words) == digits);
            return;
        }
        std::vector<std::u16string> groups;
        language.splitDigits(digits, groups);
        std::u16string groupWords;
        for (const std::u16string& group : groups) {
            checkNumber(group);
            groupWords += language.numberToWords(group);
        }
        std::erase(words, u' ');
        std::erase(groupWords, u' ');
        VX_FUZZ_CHECK(words == groupWords);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Sample sample; // read once: the sample dictionary is not what is fuzzed here
    if (size == 0) return 0;
    sample.language.set(u"numgrp", fromUtf8(std::to_string(1 + data[0] % kLongestWholeNumber)));
    std::u16string digits = fuzz::decodeUtf16le(data + 1, size - 1);
    std::erase_if(digits, [](char16_t c) { return c < u'0' || c > u'9'; });
    if (!digits.empty()) sample.checkNumber(digits);
    return 0;
}
