#include "engine/DataRefresh.h"

#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Utf.h"

#include <charconv>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace vx {
namespace {

using Manifest = std::map<std::u16string, std::uint64_t>;

// A file name of the data folder itself: no folder part, no "." or "..".
bool isPlainName(std::string_view name) {
    return name.find_first_of("/\\:") == std::string_view::npos && name != "." && name != "..";
}

// The entries of a manifest's text; a line that is not "hash  name" (a plain name) is passed over.
Manifest parseManifest(std::span<const unsigned char> bytes) {
    Manifest manifest;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::uint64_t hash = 0;
        const auto [after, error] = std::from_chars(line.data(), line.data() + line.size(), hash, 16);
        const std::size_t digits = static_cast<std::size_t>(after - line.data());
        if (error == std::errc{} && digits == 16 && line.substr(digits, 2) == "  " && line.size() > digits + 2 &&
            isPlainName(line.substr(digits + 2))) {
            manifest[fromUtf8(std::string(line.substr(digits + 2)))] = hash;
        }
    }
    return manifest;
}

std::optional<std::uint64_t> hashOfFile(const std::u16string& path) {
    const std::optional<std::vector<unsigned char>> bytes = platform::readFileBytes(path);
    return bytes ? std::optional<std::uint64_t>(contentHash(*bytes)) : std::nullopt;
}

// Brings one shipped file of the user's copy up to date; false when it could not be written.
bool refreshFile(const std::u16string& name, std::uint64_t shipped, const Manifest& userManifest,
                 const std::u16string& programData, const std::u16string& userData) {
    const std::u16string from = platform::joinPath(programData, name);
    const std::u16string to = platform::joinPath(userData, name);
    const std::optional<std::uint64_t> current = hashOfFile(to);
    if (current == shipped) {
        return true;
    }
    const auto given = userManifest.find(name);
    if (current && (given == userManifest.end() || given->second != *current)) {
        Log::Write(u"* %s was changed by the user: kept, though this version of the program ships another", to);
        return true;
    }
    if (!platform::replaceFile(from, to)) {
        Log::Write(u"* %s could not be brought up to date from %s", to, from);
        return false;
    }
    return true;
}

} // namespace

std::uint64_t contentHash(std::span<const unsigned char> bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    return hash;
}

bool refreshUserData(const std::u16string& programData, const std::u16string& userData) {
    const std::u16string programManifest = platform::joinPath(programData, kDataManifest);
    const std::u16string userManifest = platform::joinPath(userData, kDataManifest);
    const std::optional<std::vector<unsigned char>> shipped = platform::readFileBytes(programManifest);
    if (!shipped) {
        return false;
    }
    const std::vector<unsigned char> given = platform::readFileBytes(userManifest).value_or(std::vector<unsigned char>{});
    if (given == *shipped) {
        return true;
    }
    if (!platform::folderExists(userData)) {
        platform::createFolder(userData);
    }
    const Manifest userEntries = parseManifest(given);
    bool complete = true;
    for (const auto& [name, hash] : parseManifest(*shipped)) {
        complete = refreshFile(name, hash, userEntries, programData, userData) && complete;
    }
    if (complete) {
        platform::replaceFile(programManifest, userManifest);
    }
    return true;
}

} // namespace vx
