#pragma once
// A plain, non-recursive lock for std::lock_guard and std::scoped_lock. It exists as our own type
// because MinGW's default g++ has no std::mutex: the Windows build wraps a critical section
// behind the same two operations.

#include <mutex>

namespace vx::platform {

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

} // namespace vx::platform
