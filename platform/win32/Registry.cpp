#include "platform/Registry.h"

#include <oleauto.h>

namespace vx::platform {
namespace {

HKEY rootKey(RegistryRoot root) { return root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE; }

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Closes a registry key when it goes out of scope.
class KeyHandle {
public:
    KeyHandle() = default;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        if (key) {
            RegCloseKey(key);
        }
    }
    HKEY key = nullptr;
};

LSTATUS setString(HKEY key, const RegistryValue& value) {
    const auto bytes = static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, value.name.empty() ? nullptr : wide(value.name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wide(value.data)), bytes);
}

} // namespace

HRESULT writeRegistryKey(RegistryRoot root, const std::u16string& path, const std::vector<RegistryValue>& values) {
    KeyHandle handle;
    LSTATUS status = RegCreateKeyExW(rootKey(root), wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                     nullptr, &handle.key, nullptr);
    for (std::size_t i = 0; status == ERROR_SUCCESS && i < values.size(); ++i) {
        status = setString(handle.key, values[i]);
    }
    return HRESULT_FROM_WIN32(status);
}

bool deleteRegistryTree(RegistryRoot root, const std::u16string& path) {
    // With a subkey name, RegDeleteTreeW removes that key itself too.
    const LSTATUS status = RegDeleteTreeW(rootKey(root), wide(path));
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool registryKeyExists(RegistryRoot root, const std::u16string& path) {
    KeyHandle handle;
    return RegOpenKeyExW(rootKey(root), wide(path), 0, KEY_READ, &handle.key) == ERROR_SUCCESS;
}

std::u16string modulePath(void* module) {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(static_cast<HMODULE>(module), reinterpret_cast<wchar_t*>(path.data()),
                                                static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2); // the name did not fit: ask again with room for it
    }
}

HRESULT registerTypeLibrary(const std::u16string& file, const std::u16string& helpFolder) {
    ITypeLib* library = nullptr;
    HRESULT result = LoadTypeLib(wide(file), &library);
    if (SUCCEEDED(result)) {
        result = RegisterTypeLib(library, const_cast<wchar_t*>(wide(file)), const_cast<wchar_t*>(wide(helpFolder)));
        library->Release();
    }
    return result;
}

HRESULT unregisterTypeLibrary(REFGUID id, WORD major, WORD minor, DWORD locale) {
    using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    const HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    const auto unregister =
        oleaut ? reinterpret_cast<Unregister>(reinterpret_cast<void*>(GetProcAddress(oleaut, "UnRegisterTypeLib")))
               : nullptr;
    if (!unregister) {
        return S_OK;
    }
#ifdef _WIN64
    constexpr SYSKIND kSystem = SYS_WIN64;
#else
    constexpr SYSKIND kSystem = SYS_WIN32;
#endif
    return unregister(id, major, minor, locale, kSystem);
}

} // namespace vx::platform
