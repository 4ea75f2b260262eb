#include "platform/LogFile.h"

#include "platform/Utf.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::platform {
namespace {

// A second name (a hard link) would let whoever made it point the log at another file of ours,
// which the log would then empty and write.
bool isOwnRegularFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

bool truncateIfFull(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return false;
    }
    return static_cast<std::uint64_t>(info.st_size) < LogFile::kSizeLimit || ::ftruncate(fd, 0) == 0;
}

} // namespace

LogFile::~LogFile() {
    if (isOpen()) {
        ::close(static_cast<int>(handle_));
    }
}

bool LogFile::open(const std::u16string& path) {
    if (isOpen()) {
        return true;
    }
    const int fd = ::open(toUtf8(path).c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        return false;
    }
    if (!isOwnRegularFile(fd) || !truncateIfFull(fd)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

bool LogFile::append(const void* bytes, std::size_t size) {
    if (!isOpen()) {
        return false;
    }
    const auto* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), next, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        next += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace vx::platform
