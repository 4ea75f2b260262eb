#pragma once
// Replacement dictionaries applied the plain way their header describes: entry after entry in
// ascending key order, each key replaced from left to right, the search going on after the
// inserted text. Slow but plainly right: the fuzz targets hold ReplacementDictionary::apply to it
// and the benchmarks measure against it.

#include "text/ReplacementDictionary.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>

namespace vx::fuzz {

using Replacements = std::map<std::u16string, std::u16string>; // key -> replacement, no empty key

inline std::u16string replaceOneByOne(std::u16string text, const Replacements& entries) {
    for (const auto& [key, replacement] : entries) {
        for (std::size_t at = text.find(key); at != std::u16string::npos;
             at = text.find(key, at + replacement.size())) {
            text.replace(at, key.size(), replacement);
        }
    }
    return text;
}

// The longest text that applying the entries to a text of this length can give. An entry whose
// key occurs n times (n <= length / key length, as it never rescans its own output) changes the
// length by n * (replacement - key), so a growing entry multiplies the length by at most
// replacement / key. Chains of growing entries grow geometrically, which is why callers with
// arbitrary dictionaries look at this before applying them.
inline double longestResult(std::size_t length, const Replacements& entries) {
    double longest = static_cast<double>(length);
    for (const auto& [key, replacement] : entries) {
        longest *= std::max(1.0, static_cast<double>(replacement.size()) /
                                     static_cast<double>(key.size()));
    }
    return longest;
}

// The entries of a dictionary as it stores them (flags dropped), for the keys given.
template <class Keys>
Replacements storedEntries(const ReplacementDictionary& dictionary, const Keys& keys) {
    Replacements entries;
    for (const std::u16string& key : keys) {
        if (const std::u16string* replacement = dictionary.find(key)) {
            entries[key] = *replacement;
        }
    }
    return entries;
}

} // namespace vx::fuzz
