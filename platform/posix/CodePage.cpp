#include "platform/CodePage.h"

#include <bit>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace vx::platform {
namespace {

// iconv's name for a Windows code page: "CP<n>" for the Windows and DOS ones, else by name.
std::string iconvName(unsigned codePage) {
    constexpr unsigned kThreadCodePage = 3, kOemCodePage = 1, kOemCyrillic = 866;
    constexpr unsigned kKoi8R = 20866, kKoi8U = 21866, kIso8859First = 28591, kIso8859Last = 28599;
    if (codePage == 0 || codePage == kThreadCodePage) {
        return "CP" + std::to_string(kLegacyCodePage);
    }
    if (codePage == kOemCodePage) {
        return "CP" + std::to_string(kOemCyrillic);
    }
    if (codePage == kKoi8R || codePage == kKoi8U) {
        return codePage == kKoi8R ? "KOI8-R" : "KOI8-U";
    }
    if (codePage >= kIso8859First && codePage <= kIso8859Last) {
        return "ISO-8859-" + std::to_string(codePage - kIso8859First + 1);
    }
    return "CP" + std::to_string(codePage);
}

} // namespace

std::string encodeInCodePage(std::u16string_view text, unsigned codePage) {
    const std::string target = iconvName(codePage);
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
            // The code page's own substitution character, as Windows writes it where its best-fit
            // table has no lookalike: a '?' for each UTF-16 unit the code page has no character
            // for (two for a surrogate pair), and for a lone surrogate.
            out += '?';
            text.remove_prefix(1);
        }
    }
    return out;
}

} // namespace vx::platform
