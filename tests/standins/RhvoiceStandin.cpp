// Stands in for the RHVoice library: the voice, feature and streaming calls the module makes,
// each noted in the journal. A synthesis speaks, for each character, a tone whose length follows
// "duration_stretch" (160 samples at 1.0), whose frequency follows "f0_shift" (200 Hz at 1.0) and
// whose level follows "volume", handed to the callback in blocks of the streaming information's
// size. A text starting with '!' first hands over an empty block, noting the callback's answer.

#include "modules/RhvoiceApi.h"
#include "tests/standins/Journal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace vx::rhvoice;
using vx::standin::note;

namespace {

struct Features {
    float f0Shift = 1, durationStretch = 1, volume = 1;
    StreamingInfo* streaming = nullptr;
};

std::vector<std::unique_ptr<StreamingInfo>> streamingInfos;

} // namespace

VX_STANDIN_EXPORT Voice* RHVoice_create_voice(const char* folder) {
    note(std::string("create_voice ") + folder);
    struct stat status {};
    return stat(folder, &status) == 0 && (status.st_mode & S_IFDIR) ? new Voice{nullptr, new Features} : nullptr;
}

VX_STANDIN_EXPORT void RHVoice_delete_voice(Voice* voice) {
    note("delete_voice");
    delete static_cast<Features*>(voice->features);
    delete voice;
}

VX_STANDIN_EXPORT std::int32_t RHVoice_load_user_dict(Voice*, const char* path) {
    return note(std::string("load_user_dict ") + path), 1;
}

VX_STANDIN_EXPORT void feat_set(void* features, const char* name, void* value) {
    note(std::string("feat_set ") + name);
    if (std::string(name) == "streaming_info")
        static_cast<Features*>(features)->streaming = static_cast<StreamingInfo*>(value);
}

VX_STANDIN_EXPORT void feat_set_float(void* features, const char* name, float value) {
    char line[64];
    std::snprintf(line, sizeof line, "%s=%.2f", name, value);
    note(line);
    auto& f = *static_cast<Features*>(features);
    const std::string feature = name;
    (feature == "f0_shift" ? f.f0Shift : feature == "duration_stretch" ? f.durationStretch : f.volume) = value;
}

VX_STANDIN_EXPORT void feat_set_int(void*, const char* name, std::int32_t value) { note(std::string(name) + "=" + std::to_string(value)); }

VX_STANDIN_EXPORT StreamingInfo* new_audio_streaming_info() {
    streamingInfos.push_back(std::make_unique<StreamingInfo>());
    return streamingInfos.back().get();
}

VX_STANDIN_EXPORT void* audio_streaming_info_val(StreamingInfo* info) { return info; }

VX_STANDIN_EXPORT std::int32_t RHVoice_synth_text(const char* text, Voice* voice) {
    note(std::string("synth ") + text);
    const Features& f = *static_cast<Features*>(voice->features);
    StreamingInfo* const info = f.streaming;
    if (!info || !info->callback || info->minimumBufferSize <= 0) return 0;
    std::vector<std::int16_t> samples;
    const auto perCharacter = static_cast<std::size_t>(std::lround(160 * f.durationStretch));
    for (const char* c = text; *c; ++c) {
        if ((*c & 0xC0) != 0x80) { // the first byte of a UTF-8 character
            for (std::size_t i = 0; i < perCharacter; ++i) {
                const double phase = 2 * 3.14159265358979 * 200 * f.f0Shift * static_cast<double>(samples.size()) / 16000;
                samples.push_back(static_cast<std::int16_t>(8000 * f.volume * std::sin(phase)));
            }
        }
    }
    Wave wave{{}, samples.data()};
    if (text[0] == '!') note("empty block: " + std::to_string(info->callback(&wave, 0, 0, 0, info)));
    const auto total = static_cast<std::int32_t>(samples.size());
    for (std::int32_t first = 0; first < total; first += info->minimumBufferSize) {
        const std::int32_t count = std::min(info->minimumBufferSize, total - first);
        if (info->callback(&wave, first, count, first + count == total, info) != 0) {
            note("stopped");
            break;
        }
    }
    return 1;
}
