#include "platform/CodePage.h"

#include <bit>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace vx::platform {

std::string encodeInCodePage(std::u16string_view text, unsigned codePage) {
    const std::string target = "CP" + std::to_string(codePage == 0 ? kLegacyCodePage : codePage);
    const char* source = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    const iconv_t opened = iconv_open(target.c_str(), source);
    if (opened == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    const std::unique_ptr<void, int (*)(iconv_t)> closer(opened, iconv_close);
    std::string out;
    char buffer[1024];
    while (!text.empty()) {
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
        std::size_t inBytes = text.size() * sizeof(char16_t);
        char* next = buffer;
        std::size_t room = sizeof buffer;
        const bool stopped = iconv(opened, &in, &inBytes, &next, &room) == static_cast<std::size_t>(-1);
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        text.remove_prefix(text.size() - inBytes / sizeof(char16_t));
        if (stopped && errno != E2BIG && !text.empty()) {
            // As Windows does without a substitution character: a '?' for each UTF-16 unit the
            // code page has no character for (two for a surrogate pair), and for a lone surrogate.
            out += '?';
            text.remove_prefix(1);
        }
    }
    return out;
}

} // namespace vx::platform
