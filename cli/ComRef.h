#pragma once
// One counted reference to a COM interface, released when it goes out of scope.

#include "platform/Sapi.h"

#include <utility>

namespace vx::cli {

template <class Interface> class ComRef {
public:
    ComRef() = default;
    // Takes over a reference that the caller holds (as Create and QueryInterface hand out).
    explicit ComRef(Interface* held)
        : pointer_(held) {}
    ~ComRef() { reset(); }
    ComRef(ComRef&& other) noexcept
        : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Where Create or QueryInterface writes a new reference; any held one is released first.
    void** out() {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }

    void reset() {
        if (pointer_) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

} // namespace vx::cli
