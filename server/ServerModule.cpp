#include "server/ServerModule.h"

#include "server/ClassFactory.h"

#include <mutex>
#include <new>

namespace vx::server {

void ServerModule::detach() {
    std::lock_guard guard(factoryLock_);
    if (factory_) {
        factory_->Release();
        factory_ = nullptr;
    }
}

HRESULT ServerModule::getClassFactory(REFIID iid, void** object) {
    {
        std::lock_guard guard(factoryLock_);
        if (!factory_) {
            factory_ = new (std::nothrow) ClassFactory;
            if (!factory_) {
                return E_OUTOFMEMORY;
            }
        }
    }
    return factory_->QueryInterface(iid, object);
}

} // namespace vx::server
