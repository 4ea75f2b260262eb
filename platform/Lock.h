#pragma once
// A plain, non-recursive lock for std::lock_guard and std::scoped_lock. It exists as our own type
// because MinGW's default g++ has no std::mutex: the Windows build wraps a critical section
// behind the same two operations.

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace vx::platform {

#ifdef _WIN32

class Lock {
public:
    Lock() { ::InitializeCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() { ::DeleteCriticalSection(&section_); }

    // A critical section can be entered again by its owner; a Lock is never locked twice by one
    // thread, as with std::mutex.
    void lock() { ::EnterCriticalSection(&section_); }
    void unlock() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

#else

class Lock {
public:
    Lock() = default;
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

#endif

} // namespace vx::platform
