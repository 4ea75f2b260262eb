#pragma once
// The part of the RHVoice library's interface that RhvoiceModule relies on: the records it reads
// or writes and the signatures of the functions it calls. A 32-bit build has 32-bit fields
// throughout; in a 64-bit build the pointer fields are pointer-sized with natural alignment. The
// module and the test library that stands in for RHVoice both declare the interface from here,
// so the two cannot drift apart.

#include <cstdint>

namespace vx::rhvoice {

struct Wave;
struct StreamingInfo;

// Called by the library for each block of a synthesis, on the thread that called SynthText:
// samples first .. first + count - 1 of wave's samples. 0 goes on; -1 stops the synthesis. last
// is not used.
using Callback = std::int32_t(Wave* wave, std::int32_t first, std::int32_t count, std::int32_t last,
                              StreamingInfo* info);

// A voice: the module reads only its feature set, the second pointer-sized field.
struct Voice {
    void* reserved;
    void* features;
};

// The streaming information of a voice, filled by the module after creating it.
struct StreamingInfo {
    std::int32_t minimumBufferSize; // samples per block the library should hand over
    Callback* callback;
    void* userData;
};

// The audio of a synthesis: four 32-bit fields, then the signed 16-bit samples.
struct Wave {
    std::int32_t reserved[4];
    std::int16_t* samples;
};

using CreateVoice = Voice*(const char* voiceFolderUtf8);
using DeleteVoice = void(Voice* voice);
using SynthText = std::int32_t(const char* textUtf8, Voice* voice);
using LoadUserDictionary = std::int32_t(Voice* voice, const char* pathUtf8); // nonzero: loaded
using FeatSet = void(void* features, const char* name, void* value);
using FeatSetFloat = void(void* features, const char* name, float value);
using FeatSetInt = void(void* features, const char* name, std::int32_t value);
using FeatSetString = void(void* features, const char* name, const char* value);
using NewStreamingInfo = StreamingInfo*();
using StreamingInfoValue = void*(StreamingInfo* info); // what feature "streaming_info" holds

} // namespace vx::rhvoice
