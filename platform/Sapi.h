#pragma once
// COM and SAPI types for the engine: the system's own on Windows, our declarations elsewhere.

#include "platform/posix/ComTypes.h"

#include <string>
#include <string_view>

namespace vx {

// A SAPI string as the engine's text (WCHAR is a 16-bit unit on every platform).
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
