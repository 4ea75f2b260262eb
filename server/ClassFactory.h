#pragma once
// The class factory of the engine object. The module holds its first reference; a client that
// holds it as well keeps the DLL loaded.

#include "platform/Sapi.h"

#include <atomic>

namespace vx::server {

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // A new engine object, aggregated when outer is given (then iid must be IUnknown). Its
    // configuration is loaded before it is returned; E_OUTOFMEMORY when it cannot be.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    // Adds (lock) or takes (unlock) one lock on the module.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    virtual ~ClassFactory() = default;

private:
    std::atomic<ULONG> references_{1};
};

} // namespace vx::server
