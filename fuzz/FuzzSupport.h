#pragma once
// What the fuzz targets (and the benchmarks) share: a check that survives NDEBUG and aborts, which
// libFuzzer and the standalone runner report with the input; UTF-16LE text; a file's entries.

#include "config/ConfigParser.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#define VX_FUZZ_CHECK(condition)                                                                   \
    ((condition) ? void() : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace vx::fuzz {

static_assert(std::endian::native == std::endian::little); // UTF-16LE text is copied as it stands

// A last odd byte is dropped, as the parser does.
inline std::u16string decodeUtf16le(const std::uint8_t* bytes, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), bytes, 2 * text.size());
    return text;
}

inline std::vector<unsigned char> encodeUtf16le(std::u16string_view text) {
    std::vector<unsigned char> bytes(2 * text.size());
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

using Entry = std::array<std::u16string, 3>; // section, key, value

inline std::vector<Entry> loadEntries(const unsigned char* bytes, std::size_t size,
                                      ConfigParser::Headers headers = ConfigParser::Headers::Sections) {
    struct Recorder : ConfigHandler {
        bool onEntry(const std::u16string&, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override {
            entries.push_back({section, key, value});
            return true;
        }
        std::vector<Entry> entries;
    } recorder;
    VX_FUZZ_CHECK(ConfigParser::loadBytes(bytes, size, u"fuzz.conf", recorder, headers));
    return std::move(recorder.entries);
}

} // namespace vx::fuzz
