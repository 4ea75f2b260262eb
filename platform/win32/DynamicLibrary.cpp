#include "platform/DynamicLibrary.h"

#include <windows.h>

namespace vx::platform {

bool DynamicLibrary::open(const std::u16string& path) {
    close();
    if (path.empty()) {
        return false;
    }
    // A library that cannot be found or loaded is reported by the result, never by a system
    // message box in the speaking application.
    DWORD previous = 0;
    const bool quiet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    // The altered search path is defined only for a full path; a bare name keeps the standard
    // search.
    const bool fullPath = path.find_first_of(u"\\/") != std::u16string::npos;
    HMODULE module = ::LoadLibraryExW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr,
                                      fullPath ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    if (quiet) {
        ::SetThreadErrorMode(previous, nullptr);
    }
    handle_ = reinterpret_cast<void*>(module);
    return handle_ != nullptr;
}

void DynamicLibrary::close() {
    if (handle_) {
        ::FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

void* DynamicLibrary::symbol(const char* name) const {
    if (!handle_ || !name) {
        return nullptr;
    }
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

} // namespace vx::platform
