#pragma once
// A private folder for one test, removed with everything in it when the test ends, and helpers
// that write the UTF-16LE files the engine reads; the process's own temporary folder and its log.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vx::test {

// The file's bytes, or an empty string when it does not exist.
std::string readBytes(const std::filesystem::path& path);

// UTF-16LE bytes of text.
std::string utf16le(std::u16string_view text);

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of name inside the folder, as the engine spells paths.
    std::u16string file(std::string_view name) const { return (path_ / name).u16string(); }

    // Write bytes, or text (given as UTF-16) as UTF-16LE without a byte-order mark; folders are
    // created. They return the file's path as file() spells it.
    std::u16string writeBytes(std::string_view name, std::string_view bytes) const;
    std::u16string writeUtf16(std::string_view name, std::u16string_view text) const {
        return writeBytes(name, utf16le(text));
    }

private:
    std::filesystem::path path_;
};

// The temporary folder of this test program, where the process-wide log is. The log is opened
// once per process, so every test program points the temporary folder at one folder of its own
// for its whole run: whichever test opens the log, the others find it there, in any order.
const std::filesystem::path& processTemporaryFolder();

// What the process log gained since this was made, which opens it if need be.
class LogTail {
public:
    LogTail();
    std::u16string text() const;

private:
    std::uintmax_t start_;
};

} // namespace vx::test
