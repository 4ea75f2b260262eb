#include "platform/CodePage.h"

#include <windows.h>

namespace vx::platform {

std::string encodeInCodePage(std::u16string_view text, unsigned codePage) {
    const std::wstring wide(text.begin(), text.end());
    // The size is asked first, the terminating zero counted; no substitution character is set,
    // so the code page's own ('?') stands for what it lacks.
    const int size = WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size < 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, wide.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size) - 1);
    return out;
}

} // namespace vx::platform
