#pragma once
// The test libraries that stand in for engine libraries (tests/standins), as the modules find
// them: a folder each in the build.

#include "modules/SpeechModule.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <map>
#include <memory>
#include <vector>

namespace vx::test {

inline std::u16string standinFolder(const char* engine) { return fromUtf8(std::string(VX_STANDIN_FOLDER "/") + engine); }

// What the stand-in library file in folder was asked to do since the last call. The library is
// held loaded from then on: one that nothing holds would forget it (unless the loader happens to
// keep it, which depends on what other libraries the process loaded first).
inline std::string journal(const std::u16string& folder, const std::u16string& file) {
    static std::map<std::u16string, platform::DynamicLibrary> held;
    const std::u16string path = platform::joinPath(folder, file + platform::kLibrarySuffix);
    if (!held[path].isOpen()) held[path].open(path);
    const auto read = reinterpret_cast<const char* (*)()>(held[path].symbol("standin_journal"));
    return read ? read() : "no journal";
}

using Settings = std::vector<std::pair<std::u16string, std::u16string>>;

// A module of kind M driving the stand-in library file (named without its suffix) in folder at the
// normal rate, with the settings read after those; the library's journal starts afresh.
template <class M>
std::unique_ptr<M> standin(const std::u16string& folder, const std::u16string& file, const Settings& settings = {}) {
    auto module = std::make_unique<M>();
    module->ReadSetting(u"path", folder);
    module->ReadSetting(u"module", file + platform::kLibrarySuffix);
    for (const auto& [key, value] : settings) module->ReadSetting(key, value);
    module->SetRate(50);
    journal(folder, file);
    return module;
}

} // namespace vx::test
