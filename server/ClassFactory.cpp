#include "server/ClassFactory.h"

#include "engine/TtsEngine.h"
#include "server/ServerModule.h"

namespace vx::server {
namespace {

// An engine object that keeps the DLL loaded while it lives.
class ServerEngine : public TtsEngine {
public:
    ServerEngine() { ServerModule::lock(); }
    ~ServerEngine() override { ServerModule::unlock(); }
};

} // namespace

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The module's own reference is the first; the step from one to two references (a client's)
// locks the module, the step back unlocks it.
ULONG ClassFactory::AddRef() {
    const ULONG count = ++references_;
    if (count == 2) {
        ServerModule::lock();
    }
    return count;
}

ULONG ClassFactory::Release() {
    const ULONG count = --references_;
    if (count == 1) {
        ServerModule::unlock();
    } else if (count == 0) {
        delete this;
    }
    return count;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    return ComObject<ServerEngine>::Create(outer, iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        ServerModule::lock();
    } else {
        ServerModule::unlock();
    }
    return S_OK;
}

} // namespace vx::server
