#pragma once
// COM and SAPI types for the engine: the system's own on Windows, our declarations elsewhere.

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <mmreg.h>
#include <sapi.h>
#include "platform/win32/SapiEngine.h"
#else
#include "platform/posix/ComTypes.h"
#endif

#include <string>
#include <string_view>

namespace vx {

// A SAPI string as the engine's text. WCHAR is a 16-bit unit on every platform: char16_t on
// POSIX, wchar_t on Windows.
static_assert(sizeof(WCHAR) == sizeof(char16_t));

inline std::u16string_view fromWide(LPCWSTR text, std::size_t length) {
    return {reinterpret_cast<const char16_t*>(text), length};
}
inline std::u16string_view fromWide(LPCWSTR text) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view{};
}
inline LPCWSTR toWide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

// A copy of text in task-allocator memory, NUL-terminated; null when memory runs out.
LPWSTR CoTaskMemDuplicate(std::u16string_view text);

} // namespace vx
