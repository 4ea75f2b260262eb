#include "platform/CodePage.h"

#include "platform/Utf.h"

namespace vx {

std::string ToMultiByte(std::u16string_view text, unsigned codePage) {
    text = text.substr(0, text.find(u'\0'));
    if (text.empty()) {
        return {};
    }
    // UTF-8 is the same on every system; its own converter also replaces lone surrogates.
    return codePage == kUtf8CodePage ? toUtf8(text) : platform::encodeInCodePage(text, codePage);
}

std::string ToUtf8(std::u16string_view text) { return ToMultiByte(text, kUtf8CodePage); }

} // namespace vx
