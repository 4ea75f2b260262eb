#pragma once
// What the fuzz targets share: UTF-16LE bytes, a check that stops the run with a message (and
// survives NDEBUG, unlike assert), and a handler that records the entries of a file.

#include "config/ConfigHandler.h"
#include "config/ConfigParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#define VX_FUZZ_CHECK(condition)                                                                   \
    ((condition) ? static_cast<void>(0) : vx::fuzz::fail(#condition, __FILE__, __LINE__))

namespace vx::fuzz {

// abort() is what libFuzzer (and the standalone runner, through the test's exit status) reports
// as a crash, with the input that caused it.
[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

// The code units of the bytes read as UTF-16LE; a last odd byte is dropped, as the parser does.
inline std::u16string decodeUtf16le(const std::uint8_t* bytes, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

inline std::vector<unsigned char> encodeUtf16le(std::u16string_view text) {
    std::vector<unsigned char> bytes;
    bytes.reserve(2 * text.size());
    for (const char16_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    return bytes;
}

struct Entry {
    std::u16string section;
    std::u16string key;
    std::u16string value;
    bool operator==(const Entry&) const = default;
};

// Keeps every entry it is given, and checks that the path is passed on unchanged.
class EntryRecorder : public ConfigHandler {
public:
    explicit EntryRecorder(std::u16string path)
        : path_(std::move(path)) {}

    bool onEntry(const std::u16string& path, const std::u16string& section,
                 const std::u16string& key, const std::u16string& value) override {
        VX_FUZZ_CHECK(path == path_);
        entries.push_back({section, key, value});
        return true;
    }

    std::vector<Entry> entries;

private:
    std::u16string path_;
};

inline std::vector<Entry>
loadEntries(const unsigned char* bytes, std::size_t size,
            ConfigParser::Headers headers = ConfigParser::Headers::Sections) {
    EntryRecorder recorder(u"fuzz.conf");
    VX_FUZZ_CHECK(ConfigParser::loadBytes(bytes, size, u"fuzz.conf", recorder, headers));
    return std::move(recorder.entries);
}

} // namespace vx::fuzz
