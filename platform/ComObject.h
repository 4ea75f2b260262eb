#pragma once
// The COM machinery of an object: reference counting, QueryInterface over the object's table of
// interfaces, and aggregation (an outer object owns the identity and the count, and the inner
// object's interfaces delegate to it).
//
// A class T derives from its COM interfaces and provides
//     static std::span<const InterfaceEntry> interfaces();
// listing the interfaces it answers for (IUnknown is answered by the first entry); ComObject<T>
// is the object that is created and counted.

#include "platform/Sapi.h"

#include <atomic>
#include <new>
#include <span>
#include <utility>

namespace vx {

struct InterfaceEntry {
    const IID* iid;
    void* (*cast)(void* object); // the object's pointer to this interface
};

// An entry for Interface of Object.
template <class Object, class Interface>
constexpr InterfaceEntry interfaceEntry(const IID& iid) {
    return {&iid, [](void* object) -> void* { return static_cast<Interface*>(static_cast<Object*>(object)); }};
}

template <class T>
class ComObject final : public T {
public:
    // Creates an object and asks it for iid. With an outer object, iid must be IUnknown and the
    // result is the inner (non-delegating) unknown; otherwise CLASS_E_NOAGGREGATION. The arguments
    // are passed to T's constructor. E_OUTOFMEMORY when T cannot be made; T's FinalConstruct,
    // when it has one, may fail the creation with its own result.
    template <class... Args>
    static HRESULT Create(IUnknown* outer, REFIID iid, void** object, Args&&... args) {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer && !IsEqualGUID(iid, IID_IUnknown)) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* created = new (std::nothrow) ComObject(outer, std::forward<Args>(args)...);
        if (!created) {
            return E_OUTOFMEMORY;
        }
        created->inner_.AddRef(); // held while constructing, so that the object cannot vanish
        HRESULT result = finalConstruct(*created);
        if (SUCCEEDED(result)) {
            result = created->inner_.QueryInterface(iid, object);
        }
        created->inner_.Release();
        return result;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return controlling()->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return controlling()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return controlling()->Release(); }

private:
    // The object's own IUnknown, which never delegates.
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(ComObject& object) : object_(object) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            if (!out) {
                return E_POINTER;
            }
            *out = object_.find(iid, this);
            if (!*out) {
                return E_NOINTERFACE;
            }
            static_cast<IUnknown*>(*out)->AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++object_.references_; }
        ULONG STDMETHODCALLTYPE Release() override {
            const ULONG left = --object_.references_;
            if (left == 0) {
                delete &object_;
            }
            return left;
        }

    private:
        ComObject& object_;
    };

    template <class... Args>
    explicit ComObject(IUnknown* outer, Args&&... args)
        : T(std::forward<Args>(args)...), inner_(*this), outer_(outer) {}

    template <class U>
    static auto finalConstruct(U& object) -> decltype(object.FinalConstruct()) {
        return object.FinalConstruct();
    }
    template <class... Ignored>
    static HRESULT finalConstruct(Ignored&...) {
        return S_OK;
    }

    IUnknown* controlling() { return outer_ ? outer_ : &inner_; }

    // The interface for iid, or null. IUnknown is the inner unknown when aggregated (the outer
    // object holds it to reach our interfaces), else the first interface of the table.
    void* find(REFIID iid, IUnknown* inner) {
        const std::span<const InterfaceEntry> table = T::interfaces();
        if (IsEqualGUID(iid, IID_IUnknown)) {
            return outer_ ? static_cast<void*>(inner) : table.front().cast(static_cast<T*>(this));
        }
        for (const InterfaceEntry& entry : table) {
            if (IsEqualGUID(iid, *entry.iid)) {
                return entry.cast(static_cast<T*>(this));
            }
        }
        return nullptr;
    }

    InnerUnknown inner_;
    IUnknown* outer_;
    std::atomic<ULONG> references_{0};
};

} // namespace vx

namespace vx {

// Runs the body of a COM method so that no exception crosses the COM boundary: running out of
// memory becomes E_OUTOFMEMORY, any other failure E_FAIL.
template <class Body>
HRESULT guardedCall(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace vx
