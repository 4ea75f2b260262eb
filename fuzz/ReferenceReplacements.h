#pragma once
// Replacement dictionaries applied the plain way their header describes, slow but plainly right:
// the fuzz targets hold ReplacementDictionary::apply to it and the benchmarks measure against it.

#include <algorithm>
#include <map>
#include <string>

namespace vx::fuzz {

using Replacements = std::map<std::u16string, std::u16string>; // key -> replacement, no empty key

// Entry after entry in ascending key order, each key replaced from left to right, the search going
// on after the inserted text.
inline std::u16string replaceOneByOne(std::u16string text, const Replacements& entries) {
    for (const auto& [key, replacement] : entries) {
        for (std::size_t at = text.find(key); at != std::u16string::npos; at = text.find(key, at + replacement.size()))
            text.replace(at, key.size(), replacement);
    }
    return text;
}

// Whether replaceOneByOne stays fast on a text of length: each entry can multiply the length by
// its replacement's length over its key's, and the bound is kept under 16,384.
inline bool referenceStaysSmall(std::size_t length, const Replacements& entries) {
    double longest = static_cast<double>(length);
    for (const auto& [key, replacement] : entries)
        longest *= std::max(1.0, static_cast<double>(replacement.size()) / static_cast<double>(key.size()));
    return longest <= 1 << 14;
}

} // namespace vx::fuzz
