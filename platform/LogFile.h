#pragma once
// The file behind the process-wide log: append-only, opened so that nobody else can redirect
// it, emptied on open once it has grown too large.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vx::platform {

class LogFile {
public:
    // A file that has reached this size when it is opened starts again from empty.
    static constexpr std::uint64_t kSizeLimit = 1'024'000;

    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile();

    // Opens path for appending, creating it for this user only. On POSIX the last component is
    // never followed as a symbolic link and the file is used only when it is a regular file
    // owned by this user with no other name: in a shared temporary folder anybody could
    // otherwise plant a link that the log would write through. Truncates the file when it holds kSizeLimit bytes or
    // more. Returns false, and stays closed, on any failure.
    bool open(const std::u16string& path);

    bool isOpen() const { return handle_ >= 0; }

    // Appends the bytes in one write; false when closed or the write failed.
    bool append(const void* bytes, std::size_t size);

private:
    std::intptr_t handle_ = -1;
};

} // namespace vx::platform
