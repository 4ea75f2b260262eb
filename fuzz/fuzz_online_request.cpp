// A service's request template and its arguments (the lines of the input: the template first), as
// the online modules fill them: each argument is used at most once and in order, and nothing but
// the template and the arguments comes out; the input as a text is percent-encoded into nothing
// but "+" and "%XX", which decode to its bytes (after the byte-order mark, when asked for).

#include "fuzz/FuzzSupport.h"
#include "modules/OnlineRequest.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vx;

int hexValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The bytes an encoded text stands for; a malformed encoding fails the check.
std::string decoded(std::string_view encoded) {
    std::string bytes;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '+') {
            bytes += ' ';
            continue;
        }
        VX_FUZZ_CHECK(encoded[i] == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 &&
                      hexValue(encoded[i + 2]) >= 0);
        bytes += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
        i += 2;
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= input.size();) {
        const std::size_t end = std::min(input.find('\n', at), input.size());
        lines.emplace_back(input.substr(at, end - at));
        at = end + 1;
    }
    const std::string format = lines.front();
    const std::vector<std::string> arguments(lines.begin() + 1, lines.end());
    // Arguments that are markers of their own, so that where each went can be seen.
    std::vector<std::string> markers;
    for (std::size_t i = 0; i < arguments.size(); ++i)
        markers.push_back(std::string(1, '\x01') + std::to_string(i) + '\x02');
    const std::string filled = fillPlaceholders<char>(format, markers);
    // Each argument is used at most once, in order, and nothing else is added: the template
    // cannot make the filling read past its arguments.
    std::size_t length = format.size(), from = 0;
    for (const std::string& marker : markers) {
        const std::size_t at = format.find('\x01') == std::string::npos ? filled.find(marker) : std::string::npos;
        if (at != std::string::npos) {
            VX_FUZZ_CHECK(at >= from && filled.find(marker, at + 1) == std::string::npos);
            from = at + marker.size();
        }
        length += marker.size();
    }
    VX_FUZZ_CHECK(filled.size() <= length);
    for (const bool withMark : {false, true}) {
        const std::string encoded = UrlEncodeUtf8(input, withMark);
        const std::string bytes = decoded(encoded);
        VX_FUZZ_CHECK(bytes == (withMark && !input.empty() ? "\xEF\xBB\xBF" + std::string(input) : std::string(input)));
    }
    return 0;
}
