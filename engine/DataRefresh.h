#pragma once
// The user's copy of the shipped data follows upgrades. The program's data folder holds a
// manifest, manifest.txt: one line per shipped file, its content hash (FNV-1a, 64 bits, as 16
// hexadecimal digits), two spaces and its name. The user's copy keeps the manifest of the data it
// was last brought up to date with, so that a file the user has not changed can be told from one
// the user has.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vx {

inline constexpr std::u16string_view kDataManifest = u"manifest.txt";

// The content hash the manifests give: FNV-1a over the bytes, 64 bits.
std::uint64_t contentHash(std::span<const unsigned char> bytes);

// Brings the user's data folder up to date with the program's, when their manifests differ (the
// common case, equal manifests, reads the two small files and nothing else): each shipped file
// the user lacks is added; one that is still what the user's manifest says was shipped to the
// user is replaced by the program's; one the user has changed is kept, and a log line says so.
// The program's manifest then becomes the user's. A user's copy without a manifest (made before
// manifests were shipped) is taken as changed wherever it differs from the program's. Nothing
// happens without a program manifest. Files that could not be written are left to the next
// engine object, as the user's manifest is then kept as it was. userData is created when missing
// (a new per-user folder is filled this way: each file whole, the manifest last). False when the
// program has no manifest.
bool refreshUserData(const std::u16string& programData, const std::u16string& userData);

} // namespace vx
