#include "server/Registration.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "server/ServerIds.h"

#include <vector>

namespace vx::server {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;

struct RegistryKey {
    RegistryRoot root;
    std::u16string path;
    std::vector<RegistryValue> values;
};

constexpr std::u16string_view kProgId = u"Vexalon.TTSShell.1";
constexpr std::u16string_view kIndependentProgId = u"Vexalon.TTSShell";
constexpr std::u16string_view kClassName = u"TTSClass";
constexpr std::u16string_view kTokens = u"SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\";

std::u16string str(std::u16string_view text) { return std::u16string(text); }

std::u16string classKey() { return u"CLSID\\" + str(kEngineClassIdText); }

// One voice token: its display names per user-interface language, the voice it names, and its
// attributes.
std::vector<RegistryKey> voiceToken(std::u16string_view token, std::u16string_view description,
                                    std::u16string_view name, std::u16string_view voiceName,
                                    std::u16string_view language, bool ukrainianName) {
    const std::u16string key = str(kTokens) + str(token);
    std::vector<RegistryValue> values{{u"", str(description)},
                                      {u"409", str(name)},
                                      {u"419", str(name)},
                                      {u"CLSID", str(kEngineClassIdText)},
                                      {u"VoiceName", str(voiceName)}};
    if (ukrainianName) {
        values.push_back({u"422", str(name)});
    }
    return {{RegistryRoot::LocalMachine, key, values},
            {RegistryRoot::LocalMachine,
             key + u"\\Attributes",
             {{u"Name", str(name)}, {u"Gender", u"Male"}, {u"Age", u"Adult"}, {u"Vendor", u"VX"},
              {u"Language", str(language)}}}};
}

// Every key registration writes, parents before children.
std::vector<RegistryKey> registryContent(const std::u16string& modulePath) {
    std::vector<RegistryKey> keys{
        {RegistryRoot::ClassesRoot, str(kProgId), {{u"", str(kClassName)}}},
        {RegistryRoot::ClassesRoot, str(kProgId) + u"\\CLSID", {{u"", str(kEngineClassIdText)}}},
        {RegistryRoot::ClassesRoot, str(kIndependentProgId), {{u"", str(kClassName)}}},
        {RegistryRoot::ClassesRoot, str(kIndependentProgId) + u"\\CLSID", {{u"", str(kEngineClassIdText)}}},
        {RegistryRoot::ClassesRoot, str(kIndependentProgId) + u"\\CurVer", {{u"", str(kProgId)}}},
        {RegistryRoot::ClassesRoot, classKey(), {{u"", str(kClassName)}}},
        {RegistryRoot::ClassesRoot, classKey() + u"\\ProgID", {{u"", str(kProgId)}}},
        {RegistryRoot::ClassesRoot, classKey() + u"\\VersionIndependentProgID", {{u"", str(kIndependentProgId)}}},
        {RegistryRoot::ClassesRoot, classKey() + u"\\InprocServer32", {{u"", modulePath}, {u"ThreadingModel", u"Both"}}},
        {RegistryRoot::ClassesRoot, classKey() + u"\\TypeLib", {{u"", str(kTypeLibraryIdText)}}},
    };
    for (auto& key : voiceToken(u"VXTembraRU", u"Tembra TTS Engine (Russian)", u"Tembra_Russian", u"tembra", u"419", false)) {
        keys.push_back(std::move(key));
    }
    for (auto& key :
         voiceToken(u"VXTembraUK", u"Tembra TTS Engine (Ukrainian)", u"Tembra_Ukrainian", u"tembra_uk", u"422", true)) {
        keys.push_back(std::move(key));
    }
    return keys;
}

// The keys removed whole on unregistration; their parents stay.
std::vector<std::pair<RegistryRoot, std::u16string>> registeredTrees() {
    return {{RegistryRoot::ClassesRoot, str(kProgId)},
            {RegistryRoot::ClassesRoot, str(kIndependentProgId)},
            {RegistryRoot::ClassesRoot, classKey()},
            {RegistryRoot::LocalMachine, str(kTokens) + u"VXTembraRU"},
            {RegistryRoot::LocalMachine, str(kTokens) + u"VXTembraUK"}};
}

// Everything registration writes: the keys, then the type library's registration.
void removeRegistration() {
    for (const auto& [root, path] : registeredTrees()) {
        platform::deleteRegistryTree(root, path);
    }
    platform::unregisterTypeLibrary(kTypeLibraryId, kTypeLibraryMajor, kTypeLibraryMinor, kTypeLibraryLocale);
}

// The type library of the DLL's own TYPELIB resource, or of the .tlb file beside it.
HRESULT registerTypeLibrary(const std::u16string& modulePath) {
    const std::u16string folder = platform::parentFolder(modulePath);
    HRESULT result = platform::registerTypeLibrary(modulePath, folder);
    if (FAILED(result)) {
        const std::size_t dot = modulePath.rfind(u'.');
        const std::size_t separator = modulePath.find_last_of(u"\\/");
        const bool hasExtension = dot != std::u16string::npos && (separator == std::u16string::npos || dot > separator);
        result = platform::registerTypeLibrary((hasExtension ? modulePath.substr(0, dot) : modulePath) + u".tlb", folder);
    }
    return result;
}

} // namespace

HRESULT registerServer(const std::u16string& modulePath) {
    platform::deleteRegistryTree(RegistryRoot::ClassesRoot, classKey());
    for (const RegistryKey& key : registryContent(modulePath)) {
        if (const HRESULT written = platform::writeRegistryKey(key.root, key.path, key.values); FAILED(written)) {
            removeRegistration();
            return written;
        }
    }
    const HRESULT registered = registerTypeLibrary(modulePath);
    if (FAILED(registered)) {
        removeRegistration();
    }
    return registered;
}

HRESULT unregisterServer() {
    removeRegistration();
    return S_OK;
}

} // namespace vx::server
