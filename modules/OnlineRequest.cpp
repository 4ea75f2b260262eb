#include "modules/OnlineRequest.h"

namespace vx {

std::string UrlEncodeUtf8(std::string_view bytes, bool withMark) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (bytes.empty()) {
        return {};
    }
    std::string out = withMark ? "%EF%BB%BF" : "";
    out.reserve(out.size() + 3 * bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

} // namespace vx
