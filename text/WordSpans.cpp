#include "text/WordSpans.h"

#include "platform/CharClass.h"

#include <algorithm>
#include <optional>

namespace vx {
namespace {

// How far ahead a kept word is looked for, in words of each text.
constexpr std::size_t kLookAhead = 6;

struct Word {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    std::u16string key; // letters and digits, lowered: what a kept word keeps
};

std::u16string keyOf(std::u16string_view word, const Language& language) {
    std::u16string key;
    for (const char16_t c : word) {
        if (isLetter(c) || isDigit(c) || language.isLetter(c)) {
            key += c;
        }
    }
    return language.toLower(key);
}

std::vector<Word> wordsOf(std::u16string_view text, const Language& language) {
    std::vector<Word> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isSpaceLike(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !isSpaceLike(text[at])) {
            ++at;
        }
        if (at > start) {
            // A word's span leaves out the punctuation around it ("раз." is раз), as SAPI's word
            // boundaries do; a word of punctuation alone keeps it.
            const std::u16string_view word = text.substr(start, at - start);
            const auto isWordCharacter = [&](char16_t c) { return isLetter(c) || isDigit(c) || language.isLetter(c); };
            const auto first = std::ranges::find_if(word, isWordCharacter);
            const auto last = std::ranges::find_if(word.rbegin(), word.rend(), isWordCharacter);
            const std::size_t begin = first == word.end() ? 0 : static_cast<std::size_t>(first - word.begin());
            const std::size_t end = first == word.end() ? word.size() : word.size() - static_cast<std::size_t>(last - word.rbegin());
            words.push_back({static_cast<std::uint32_t>(start + begin), static_cast<std::uint32_t>(start + end),
                             keyOf(word, language)});
        }
    }
    return words;
}

// The nearest pair of words ahead (output i + di, source j + dj) with the same key, nearest by
// di + dj; nullopt when there is none within the look-ahead.
std::optional<std::pair<std::size_t, std::size_t>> nextKept(const std::vector<Word>& out, std::size_t i,
                                                           const std::vector<Word>& src, std::size_t j) {
    for (std::size_t distance = 0; distance <= 2 * kLookAhead; ++distance) {
        for (std::size_t di = 0; di <= std::min(distance, kLookAhead); ++di) {
            const std::size_t dj = distance - di;
            if (dj <= kLookAhead && i + di < out.size() && j + dj < src.size() && !out[i + di].key.empty() &&
                out[i + di].key == src[j + dj].key) {
                return std::pair(di, dj);
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<WordSpan> alignWords(std::u16string_view output, std::u16string_view source, std::uint32_t sourceOffset,
                                 const Language& language) {
    const std::vector<Word> out = wordsOf(output, language);
    const std::vector<Word> src = wordsOf(source, language);
    std::vector<WordSpan> spans;
    spans.reserve(out.size());
    const auto stand = [&](std::size_t i, std::size_t from, std::size_t to) {
        // Source words from..to (exclusive); none: the word before (or the first) stands in.
        if (src.empty()) {
            spans.push_back({out[i].begin, out[i].end - out[i].begin, sourceOffset, sourceOffset});
            return;
        }
        if (from >= to) {
            from = std::min(from > 0 ? from - 1 : 0, src.size() - 1);
            to = from + 1;
        }
        spans.push_back({out[i].begin, out[i].end - out[i].begin, sourceOffset + src[from].begin,
                         sourceOffset + src[to - 1].end});
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < out.size()) {
        const auto kept = nextKept(out, i, src, j);
        const std::size_t di = kept ? kept->first : out.size() - i;
        const std::size_t dj = kept ? kept->second : src.size() - std::min(j, src.size());
        for (std::size_t k = 0; k < di; ++k) {
            stand(i + k, j, j + dj);
        }
        i += di;
        j += dj;
        if (kept) {
            stand(i, j, j + 1);
            ++i;
            ++j;
        }
    }
    return spans;
}

} // namespace vx
