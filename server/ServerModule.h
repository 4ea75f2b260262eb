#pragma once
// The DLL's own state: its module handle, the count of what keeps it loaded, and the one class
// factory it hands out.

#include "platform/Lock.h"
#include "platform/Sapi.h"

#include <atomic>

namespace vx::server {

class ServerModule {
public:
    // The module, set when the DLL is loaded.
    static void attach(void* instance) { instance_ = instance; }
    // Releases the cached class factory when the DLL is unloaded.
    static void detach();
    static void* instance() { return instance_; }

    // Live engine objects, LockServer locks and client references to the factory.
    static void lock() { ++locks_; }
    static void unlock() { --locks_; }
    static bool canUnload() { return locks_ == 0; }

    // The class factory, made on the first request and kept; asked for iid.
    static HRESULT getClassFactory(REFIID iid, void** object);

private:
    static inline void* instance_ = nullptr;
    static inline std::atomic<long> locks_{0};
    static inline platform::Lock factoryLock_;
    static inline IClassFactory* factory_ = nullptr;
};

} // namespace vx::server
