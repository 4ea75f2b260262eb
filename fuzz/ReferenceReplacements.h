#pragma once
// Replacement dictionaries applied the plain way their header describes, slow but plainly right:
// the fuzz targets hold ReplacementDictionary::apply to it and the benchmarks measure against it.

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

} // namespace vx::fuzz
