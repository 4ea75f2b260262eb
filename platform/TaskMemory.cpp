#include "platform/Sapi.h"

#include <cstring>

namespace vx {

LPWSTR CoTaskMemDuplicate(std::u16string_view text) {
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (copy) {
        std::memcpy(copy, text.data(), text.size() * sizeof(WCHAR));
        copy[text.size()] = 0;
    }
    return copy;
}

} // namespace vx
