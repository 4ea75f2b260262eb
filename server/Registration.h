#pragma once
// What self-registration writes: the engine's class with its two ProgIDs, and the two SAPI voice
// tokens that make the voices visible to every SAPI application.

#include "platform/Sapi.h"

#include <string>

namespace vx::server {

// Writes every key for the DLL at modulePath (the class key is made afresh), then registers the
// type library. On a failed write or type library, everything of the registration is removed
// again (an earlier registration's too) and the failure returned; else S_OK.
HRESULT registerServer(const std::u16string& modulePath);

// Removes the class, ProgID and token keys (their parents stay) and the type library. S_OK.
HRESULT unregisterServer();

} // namespace vx::server
