#include "cli/EventLines.h"

namespace vx::cli {

std::string jsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

namespace {

std::string spanLine(std::string_view event, std::uint64_t offset, std::uint64_t length,
                     std::uint64_t position) {
    return R"({"event":")" + std::string(event) + R"(","offset":)" + std::to_string(offset) +
           R"(,"length":)" + std::to_string(length) + R"(,"position":)" + std::to_string(position) +
           "}";
}

} // namespace

std::string sentenceLine(std::uint64_t offset, std::uint64_t length, std::uint64_t position) {
    return spanLine("sentence", offset, length, position);
}

std::string wordLine(std::uint64_t offset, std::uint64_t length, std::uint64_t position) {
    return spanLine("word", offset, length, position);
}

std::string bookmarkLine(std::string_view name, std::int64_t value, std::uint64_t position) {
    return R"({"event":"bookmark","name":)" + jsonString(name) + R"(,"value":)" +
           std::to_string(value) + R"(,"position":)" + std::to_string(position) + "}";
}

} // namespace vx::cli
