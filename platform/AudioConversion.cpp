#include "platform/AudioConversion.h"

#include "platform/PcmLayout.h"

#include <new>

namespace vx {

bool ConvertAudio(const unsigned char* source, std::uint32_t sourceBytes, std::vector<unsigned char>* out,
                  const WAVEFORMATEX* from, const WAVEFORMATEX* to) {
    if (!source || !out || !from || !to || sourceBytes == 0) {
        return false;
    }
    out->clear();
    if (!pcm::isSupported(*from) || !pcm::isSupported(*to)) {
        return false;
    }
    const std::uint32_t wholeFrames = sourceBytes / pcm::bytesPerFrame(*from) * pcm::bytesPerFrame(*from);
    try {
        if (pcm::sameLayout(*from, *to)) {
            out->assign(source, source + wholeFrames);
        } else if (wholeFrames != 0 && !pcm::convertLayout(source, wholeFrames, *out, *from, *to)) {
            out->clear();
        }
    } catch (const std::bad_alloc&) {
        out->clear();
    }
    return !out->empty();
}

} // namespace vx
