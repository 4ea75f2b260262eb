// The log file on Windows: opened shared, so that several processes speaking at once and a
// reader watching the log can all hold it; every append goes to the end of the file in one
// write.

#include "platform/LogFile.h"

#include <limits>
#include <windows.h>

namespace vx::platform {
namespace {

HANDLE fileHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// A disk file, not a link or junction that somebody planted where the log goes.
bool isPlainDiskFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool truncateIfFull(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        return false;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) < LogFile::kSizeLimit) {
        return true;
    }
    LARGE_INTEGER start{};
    return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

} // namespace

LogFile::~LogFile() {
    if (isOpen()) {
        ::CloseHandle(fileHandle(handle_));
    }
}

bool LogFile::open(const std::u16string& path) {
    if (isOpen()) {
        return true;
    }
    if (path.empty()) {
        return false;
    }
    // FILE_WRITE_DATA only for emptying a full log; appends name the end of the file each time.
    // FILE_FLAG_OPEN_REPARSE_POINT: a link at the path is opened itself (and then refused), not
    // followed.
    HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_APPEND_DATA | FILE_WRITE_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (!isPlainDiskFile(file) || !truncateIfFull(file)) {
        ::CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool LogFile::append(const void* bytes, std::size_t size) {
    if (!isOpen()) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (size > std::numeric_limits<DWORD>::max()) {
        return false;
    }
    // Offset and OffsetHigh both 0xFFFFFFFF: this write goes to the current end of the file,
    // whatever other processes appended meanwhile.
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;
    atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    return ::WriteFile(fileHandle(handle_), bytes, static_cast<DWORD>(size), &written, &atEnd) && written == size;
}

} // namespace vx::platform
