#pragma once
// A private folder for one test, removed with everything in it when the test ends, and helpers
// that write the UTF-16LE files the engine reads.

#include <filesystem>
#include <string>
#include <string_view>

namespace vx::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of name inside the folder, as the engine spells paths.
    std::u16string file(std::string_view name) const;

    // Writes text (given as UTF-16) as UTF-16LE without a byte-order mark; folders are created.
    std::u16string writeUtf16(std::string_view name, std::u16string_view text) const;
    // Writes raw bytes.
    std::u16string writeBytes(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// The file's bytes, or an empty string when it does not exist.
std::string readBytes(const std::filesystem::path& path);

// UTF-16LE bytes of text.
std::string utf16le(std::u16string_view text);

} // namespace vx::test
