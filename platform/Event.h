#pragma once
// A manual-reset event: once set it stays set, waking every waiter, until it is reset. Used where
// one thread must wait, with a time limit, for another (an engine library's callback thread).
// The Windows build wraps an event object, since MinGW's default g++ has no std::condition_variable.

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <condition_variable>
#include <mutex>
#endif

namespace vx::platform {

#ifdef _WIN32

class Event {
public:
    Event() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() {
        if (handle_) {
            ::CloseHandle(handle_);
        }
    }

    void set() { ::SetEvent(handle_); }
    void reset() { ::ResetEvent(handle_); }
    bool isSet() const { return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }
    // True when the event is set, or becomes set within milliseconds.
    bool wait(std::uint32_t milliseconds) const { return ::WaitForSingleObject(handle_, milliseconds) == WAIT_OBJECT_0; }

private:
    HANDLE handle_;
};

#else

class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set() {
        {
            const std::lock_guard guard(mutex_);
            set_ = true;
        }
        changed_.notify_all();
    }
    void reset() {
        const std::lock_guard guard(mutex_);
        set_ = false;
    }
    bool isSet() const {
        const std::lock_guard guard(mutex_);
        return set_;
    }
    // True when the event is set, or becomes set within milliseconds.
    bool wait(std::uint32_t milliseconds) const {
        std::unique_lock guard(mutex_);
        return changed_.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return set_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_ = false;
};

#endif

} // namespace vx::platform
