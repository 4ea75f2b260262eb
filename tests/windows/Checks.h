#pragma once
// What the Windows test programs share: a check that prints what failed and counts it, the
// program's last line, the audio of the WAV files the Linux build wrote for them to match, a
// registry value, and which engine DLL a program has loaded.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace vx::test {

inline int failures = 0;

// Prints what failed and counts it; returns ok.
inline bool check(bool ok, const std::wstring& what) {
    if (!ok) {
        std::wprintf(L"FAIL: %ls\n", what.c_str());
        ++failures;
    }
    return ok;
}

// Prints how many checks failed; the program's exit status, 1 when any did.
inline int finish(const char* program) {
    std::printf("%s: %d failure(s)\n", program, failures);
    return failures == 0 ? 0 : 1;
}

// The bytes of a file (path as a narrow or a wide string); empty when it cannot be read.
template <class Char> std::string fileBytes(const std::basic_string<Char>& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The audio of a WAV file that vxtts wrote: its data chunk as the header sizes it (an odd-sized
// chunk is followed by a pad byte, which is not audio); empty when the file is shorter.
inline std::string wavAudio(const std::string& wav) {
    std::uint32_t size = 0;
    if (wav.size() >= 44) std::memcpy(&size, wav.data() + 40, sizeof size);
    return wav.size() >= 44 + std::size_t{size} ? wav.substr(44, size) : std::string();
}

// The string value of key under root ("" names the default value); "no key" or "no value" when
// there is none.
inline std::wstring registryValue(HKEY root, const std::wstring& key, const wchar_t* name = L"") {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return L"no key";
    wchar_t value[512];
    DWORD size = sizeof value;
    const LSTATUS read = RegGetValueW(handle, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size);
    RegCloseKey(handle);
    return read == ERROR_SUCCESS ? value : L"no value";
}

// The path of the engine DLL (vxtts.dll) loaded into this program; empty when none is.
inline std::wstring loadedEngine() {
    wchar_t path[MAX_PATH] = L"";
    if (const HMODULE engine = GetModuleHandleW(L"vxtts.dll")) GetModuleFileNameW(engine, path, MAX_PATH);
    return path;
}

} // namespace vx::test
