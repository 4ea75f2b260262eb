#pragma once
// The test libraries that stand in for engine libraries (tests/standins), as the modules find
// them: a folder each in the build.

#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <string>

namespace vx::test {

inline std::u16string standinFolder(const char* engine) { return fromUtf8(std::string(VX_STANDIN_FOLDER "/") + engine); }

// What the stand-in library file (named without its suffix) in folder was asked to do since the
// last call. A library that nothing holds loaded any more has forgotten it.
inline std::string journal(const std::u16string& folder, const std::u16string& file) {
    platform::DynamicLibrary library;
    library.open(platform::joinPath(folder, file + platform::kLibrarySuffix));
    const auto read = reinterpret_cast<const char* (*)()>(library.symbol("standin_journal"));
    return read ? read() : "no journal";
}

} // namespace vx::test
