#include "platform/Files.h"

#include "platform/Utf.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::platform {
namespace {

std::u16string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? fromUtf8(value) : std::u16string{};
}

std::u16string homeFolder() {
    std::u16string home = environment("HOME");
    if (!home.empty()) {
        return home;
    }
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? fromUtf8(entry->pw_dir) : std::u16string{};
}

std::u16string withoutTrailingSeparator(std::u16string path) {
    while (path.size() > 1 && path.back() == kPathSeparator) {
        path.pop_back();
    }
    return path;
}

} // namespace

std::u16string joinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!path.empty() && path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

std::u16string parentFolder(std::u16string_view path) {
    const auto last = path.rfind(kPathSeparator);
    return last == std::u16string_view::npos ? std::u16string{} : std::u16string(path.substr(0, last));
}

std::optional<std::vector<unsigned char>> readFileBytes(const std::u16string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then rejects it.
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::vector<unsigned char>> content;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::vector<unsigned char> bytes;
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        unsigned char block[65536];
        for (;;) {
            const ssize_t n = ::read(fd, block, sizeof block);
            if (n > 0) {
                bytes.insert(bytes.end(), block, block + n);
            } else if (n == 0) {
                content = std::move(bytes);
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    ::close(fd);
    return content;
}

bool folderExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(toUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool createFolder(const std::u16string& path) {
    return ::mkdir(toUtf8(path).c_str(), 0700) == 0 || folderExists(path);
}

bool pathExists(const std::u16string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(toUtf8(path).c_str(), &info) == 0;
}

bool copyFolder(const std::u16string& from, const std::u16string& to) {
    std::error_code error;
    std::filesystem::copy(std::filesystem::path(toUtf8(from)), std::filesystem::path(toUtf8(to)),
                          std::filesystem::copy_options::recursive, error);
    return !error;
}

bool replaceFile(const std::u16string& from, const std::u16string& to) {
    const std::filesystem::path target(toUtf8(to));
    // A name of this writer's own: two engine objects may bring the same file up to date at once.
    static std::atomic<unsigned> writes{0};
    std::filesystem::path part = target;
    part += "." + std::to_string(::getpid()) + "." + std::to_string(writes++) + ".part";
    std::error_code error;
    if (!std::filesystem::copy_file(std::filesystem::path(toUtf8(from)), part,
                                    std::filesystem::copy_options::overwrite_existing, error)) {
        std::filesystem::remove(part, error);
        return false;
    }
    std::filesystem::rename(part, target, error);
    if (error) {
        std::filesystem::remove(part, error);
        return false;
    }
    return true;
}

std::u16string programFolder() {
    Dl_info info{};
    std::error_code error;
    std::filesystem::path file;
    // A relative name (the main program started by a relative path) is not reliable once the
    // working folder changes; the kernel's link to the executable is.
    if (::dladdr(reinterpret_cast<void*>(&programFolder), &info) != 0 && info.dli_fname &&
        info.dli_fname[0] == '/') {
        file = std::filesystem::canonical(info.dli_fname, error);
    } else {
        file = std::filesystem::canonical("/proc/self/exe", error);
    }
    return error ? std::u16string{} : fromUtf8(file.parent_path().string());
}

std::string narrowPath(const std::u16string& path) { return toUtf8(path); }

std::u16string temporaryFolder() {
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
        std::u16string folder = environment(name);
        if (!folder.empty()) {
            return withoutTrailingSeparator(std::move(folder));
        }
    }
    return u"/tmp";
}

std::u16string logFolder() {
    std::u16string folder = environment("XDG_RUNTIME_DIR");
    return folder.empty() ? temporaryFolder() : withoutTrailingSeparator(std::move(folder));
}

std::u16string perUserFolder() {
    std::u16string base = environment("XDG_CONFIG_HOME");
    if (base.empty()) {
        const std::u16string home = homeFolder();
        if (home.empty()) {
            return {};
        }
        base = joinPath(home, u".config");
    }
    return joinPath(withoutTrailingSeparator(std::move(base)), u"VxTts");
}

} // namespace vx::platform
