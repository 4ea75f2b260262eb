// Paths, folders and whole-file reads on Windows. WCHAR is a 16-bit unit as is char16_t, so a
// path passes to the wide system calls by reinterpret_cast.

#include "platform/Files.h"

#include <atomic>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace vx::platform {
namespace {

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string narrow(const wchar_t* text, std::size_t length) {
    return {reinterpret_cast<const char16_t*>(text), length};
}

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A handle closed on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::FindClose(handle_);
        }
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

std::u16string withoutTrailingSeparator(std::u16string path) {
    // "C:\" keeps its separator: without it the path means the drive's current folder.
    while (path.size() > 1 && isSeparator(path.back()) && !(path.size() == 3 && path[1] == u':')) {
        path.pop_back();
    }
    return path;
}

DWORD attributes(const std::u16string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide(path));
}

// path in the legacy code page, when every character of it is there as it stands (no default
// character, no best-fit lookalike).
std::optional<std::string> inLegacyCodePage(const wchar_t* path, int length) {
    BOOL lossy = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, length, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) {
        return std::nullopt;
    }
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

} // namespace

std::u16string joinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!path.empty() && !isSeparator(path.back())) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

std::u16string parentFolder(std::u16string_view path) {
    const auto last = path.find_last_of(u"\\/");
    return last == std::u16string_view::npos ? std::u16string{} : std::u16string(path.substr(0, last));
}

std::optional<std::vector<unsigned char>> readFileBytes(const std::u16string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Others may go on reading and writing the file (an editor holding a dictionary open).
    FileHandle file(::CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS; a pipe or a device is no
    // disk file.
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    unsigned char block[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), block, sizeof block, &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), block, block + read);
    }
}

bool folderExists(const std::u16string& path) {
    const DWORD found = attributes(path);
    return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool pathExists(const std::u16string& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool createFolder(const std::u16string& path) {
    return (!path.empty() && ::CreateDirectoryW(wide(path), nullptr)) || folderExists(path);
}

bool copyFolder(const std::u16string& from, const std::u16string& to) {
    if (!folderExists(from) || !createFolder(to)) {
        return false;
    }
    WIN32_FIND_DATAW entry{};
    FindHandle find(::FindFirstFileW(wide(joinPath(from, u"*")), &entry));
    if (!find.valid()) {
        return false;
    }
    bool copied = true;
    do {
        const std::u16string name = narrow(entry.cFileName, std::char_traits<wchar_t>::length(entry.cFileName));
        if (name == u"." || name == u"..") {
            continue;
        }
        const std::u16string source = joinPath(from, name);
        const std::u16string target = joinPath(to, name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or folder link is not followed: it could lead back into the copy.
            copied = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && copyFolder(source, target) && copied;
        } else {
            copied = ::CopyFileW(wide(source), wide(target), FALSE) && copied;
        }
    } while (::FindNextFileW(find.get(), &entry));
    return copied && ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool replaceFile(const std::u16string& from, const std::u16string& to) {
    // A name of this writer's own: two engine objects, or a 32-bit and a 64-bit program sharing
    // the user's folder, may bring the same file up to date at once.
    static std::atomic<unsigned> writes{0};
    const std::string unique = "." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(writes++) + ".part";
    const std::u16string part = to + std::u16string(unique.begin(), unique.end());
    if (!::CopyFileW(wide(from), wide(part), FALSE)) {
        return false;
    }
    if (!::MoveFileExW(wide(part), wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(wide(part));
        return false;
    }
    return true;
}

std::u16string programFolder() {
    // The module that holds this function: the engine's DLL, not the program that loaded it.
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&programFolder), &module)) {
        return {};
    }
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            return parentFolder(narrow(name.data(), length));
        }
        if (name.size() >= 32768) {
            return {};
        }
        name.resize(name.size() * 2); // cut short: the path is longer than the buffer
    }
}

std::string narrowPath(const std::u16string& path) {
    if (path.empty()) {
        return {};
    }
    if (auto narrow = inLegacyCodePage(wide(path), static_cast<int>(path.size()))) {
        return *narrow;
    }
    const DWORD size = ::GetShortPathNameW(wide(path), nullptr, 0);
    std::wstring shortPath(size, L'\0');
    const DWORD length = size ? ::GetShortPathNameW(wide(path), shortPath.data(), size) : 0;
    if (length == 0 || length >= size) {
        return {};
    }
    return inLegacyCodePage(shortPath.c_str(), static_cast<int>(length)).value_or(std::string());
}

std::u16string temporaryFolder() {
    wchar_t folder[MAX_PATH + 2];
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, folder);
    if (length == 0 || length > MAX_PATH + 1) {
        return {};
    }
    return withoutTrailingSeparator(narrow(folder, length));
}

std::u16string logFolder() {
    return temporaryFolder();
}

std::u16string perUserFolder() {
    wchar_t folder[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return {};
    }
    return joinPath(withoutTrailingSeparator(narrow(folder, std::char_traits<wchar_t>::length(folder))), u"VxTts");
}

} // namespace vx::platform
