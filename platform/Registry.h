#pragma once
// The Windows registry and type libraries, as much as self-registration needs. All values are
// strings.

#include "platform/Sapi.h"

#include <string>
#include <vector>

namespace vx::platform {

enum class RegistryRoot { ClassesRoot, LocalMachine };

struct RegistryValue {
    std::u16string name; // empty: the key's default value
    std::u16string data;
};

// Creates the key (and its missing parents) and sets its values. S_OK, or the failure as an
// HRESULT.
HRESULT writeRegistryKey(RegistryRoot root, const std::u16string& path, const std::vector<RegistryValue>& values);

// Deletes the key with everything below it. True when it is gone, also when it never existed.
bool deleteRegistryTree(RegistryRoot root, const std::u16string& path);

bool registryKeyExists(RegistryRoot root, const std::u16string& path);

// The full path of the loaded module (DLL or program) with that handle.
std::u16string modulePath(void* module);

// Registers the type library stored in file (a TYPELIB resource of a DLL, or a .tlb file), with
// helpFolder as its help directory.
HRESULT registerTypeLibrary(const std::u16string& file, const std::u16string& helpFolder);

// Removes a type library's registration. UnRegisterTypeLib is looked up in oleaut32.dll at run
// time, as older systems lack it.
HRESULT unregisterTypeLibrary(REFGUID id, WORD major, WORD minor, DWORD locale);

} // namespace vx::platform
