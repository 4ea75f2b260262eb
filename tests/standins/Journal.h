#pragma once
// Test libraries that stand in for engine libraries which cannot be installed here. Each keeps a
// journal of what it was asked to do, a line per call, which a test reads back (and empties)
// through the exported standin_journal. Each library includes this in exactly one source file.

#include "platform/Lock.h"

#include <mutex>
#include <string>

#ifdef _WIN32
#define VX_STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define VX_STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace vx::standin {

inline platform::Lock journalLock;
inline std::string journal, handedOut;

inline void note(const std::string& line) {
    const std::lock_guard guard(journalLock);
    journal += line + "\n";
}

} // namespace vx::standin

VX_STANDIN_EXPORT const char* standin_journal() {
    using namespace vx::standin;
    const std::lock_guard guard(journalLock);
    handedOut.swap(journal);
    journal.clear();
    return handedOut.c_str();
}
