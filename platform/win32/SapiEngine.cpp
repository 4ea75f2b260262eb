// The one definition of SAPI's wave-format format id: MinGW-w64's <sapi.h> declares it, but no
// import library defines it.

#include "platform/Sapi.h"

extern "C" const GUID SPDFID_WaveFormatEx = {0xC31ADBAE, 0x527F, 0x4FF5,
                                             {0xA2, 0x30, 0xF6, 0x2B, 0xB6, 0x1F, 0xF7, 0x0C}};
