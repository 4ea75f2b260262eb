#pragma once
// The system's millisecond tick count and a plain sleep, for time-outs measured across threads.
// The Windows build calls the system directly: MinGW's default g++ has no std::this_thread.

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace vx::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32: compare two ticks by their unsigned
// difference only.
inline std::uint32_t tickCount() {
#ifdef _WIN32
    return ::GetTickCount();
#else
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
#endif
}

inline void sleepMilliseconds(std::uint32_t milliseconds) {
#ifdef _WIN32
    ::Sleep(milliseconds);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
#endif
}

} // namespace vx::platform
