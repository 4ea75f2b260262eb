#include "platform/CodePage.h"

#include <windows.h>

namespace vx::platform {

std::string encodeInCodePage(std::u16string_view text, unsigned codePage) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    // No substitution character is set, so the code page's own ('?') stands for what it lacks.
    const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size < 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, wide, length, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace vx::platform
