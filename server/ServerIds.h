#pragma once
// The identities under which the engine is registered with COM and SAPI.

#include "platform/Sapi.h"

#include <string_view>

namespace vx::server {

// {5E31A0C4-7D92-4b6e-9A13-C84F2D60B7E5}
inline constexpr CLSID kEngineClassId = {0x5E31A0C4, 0x7D92, 0x4B6E, {0x9A, 0x13, 0xC8, 0x4F, 0x2D, 0x60, 0xB7, 0xE5}};
inline constexpr std::u16string_view kEngineClassIdText = u"{5E31A0C4-7D92-4b6e-9A13-C84F2D60B7E5}";

// {A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}, version 1.0, locale 0x409
inline constexpr GUID kTypeLibraryId = {0xA2D6E9F1, 0x0B47, 0x4C3A, {0x8E, 0x25, 0x71, 0xF9, 0xC3, 0xB0, 0x4D, 0x68}};
inline constexpr std::u16string_view kTypeLibraryIdText = u"{A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}";
inline constexpr WORD kTypeLibraryMajor = 1;
inline constexpr WORD kTypeLibraryMinor = 0;
inline constexpr DWORD kTypeLibraryLocale = 0x409;

} // namespace vx::server
