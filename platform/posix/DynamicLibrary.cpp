#include "platform/DynamicLibrary.h"

#include "platform/Utf.h"

#include <dlfcn.h>

namespace vx::platform {

bool DynamicLibrary::open(const std::u16string& path) {
    close();
    handle_ = ::dlopen(toUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void DynamicLibrary::close() {
    if (handle_) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

void* DynamicLibrary::symbol(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

} // namespace vx::platform
