#pragma once
// WAVEFORMATEX, the audio format record of the Windows audio APIs and SAPI, and
// MPEGLAYER3WAVEFORMAT, the record of MPEG Layer-3 that a WAVEFORMATEX tagged
// WAVE_FORMAT_MPEGLAYER3 heads. Windows builds take them from the system headers; elsewhere they
// are declared here with the same names, fields and packed layouts (18 and 30 bytes).

#ifdef _WIN32
#include <windows.h>
#include <mmreg.h>
#else
#include <cstdint>

#ifndef WAVE_FORMAT_PCM
#define WAVE_FORMAT_PCM 1
#endif
#define WAVE_FORMAT_MPEGLAYER3 0x0055

#define MPEGLAYER3_WFX_EXTRA_BYTES 12
#define MPEGLAYER3_ID_UNKNOWN 0
#define MPEGLAYER3_ID_MPEG 1
#define MPEGLAYER3_ID_CONSTANTFRAMESIZE 2
#define MPEGLAYER3_FLAG_PADDING_ISO 0x00000000
#define MPEGLAYER3_FLAG_PADDING_ON 0x00000001
#define MPEGLAYER3_FLAG_PADDING_OFF 0x00000002

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

struct MPEGLAYER3WAVEFORMAT {
    WAVEFORMATEX wfx;
    std::uint16_t wID;
    std::uint32_t fdwFlags;
    std::uint16_t nBlockSize;
    std::uint16_t nFramesPerBlock;
    std::uint16_t nCodecDelay;
};
#pragma pack(pop)
#endif

static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 18 + MPEGLAYER3_WFX_EXTRA_BYTES);
