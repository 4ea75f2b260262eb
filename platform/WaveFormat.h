#pragma once
// WAVEFORMATEX, the PCM format record of the Windows audio APIs and SAPI. Windows builds take it
// from the system headers; elsewhere it is declared here with the same name, fields and packed
// 18-byte layout.

#ifdef _WIN32
#include <windows.h>
#include <mmreg.h>
#else
#include <cstdint>

#ifndef WAVE_FORMAT_PCM
#define WAVE_FORMAT_PCM 1
#endif

#pragma pack(push, 1)
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
#endif
