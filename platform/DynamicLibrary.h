#pragma once
// A shared library loaded at run time (an external speech engine), unloaded on destruction.

#include <string>

namespace vx::platform {

// How the names of shared library files end on this system.
#ifdef _WIN32
inline constexpr char16_t kLibrarySuffix[] = u".dll";
#else
inline constexpr char16_t kLibrarySuffix[] = u".so";
#endif

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary() { close(); }

    // Loads the library at path, unloading any library held before. False when it cannot be
    // loaded. On Windows a library given by its full path finds the libraries it depends on in
    // its own folder first, as dlopen of a full path does on POSIX; the process's current
    // folder is never changed for it.
    bool open(const std::u16string& path);
    bool isOpen() const { return handle_ != nullptr; }
    void close();

    // The address of an exported symbol, or null when the library is not open or lacks it.
    void* symbol(const char* name) const;
    // entry = the exported function name as a pointer of entry's type (null when missing).
    template <class Pointer> void find(const char* name, Pointer& entry) const {
        entry = reinterpret_cast<Pointer>(symbol(name));
    }

private:
    void* handle_ = nullptr;
};

} // namespace vx::platform
