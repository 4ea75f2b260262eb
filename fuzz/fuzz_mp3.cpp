// An MP3 stream, as an online service sends it, decoded and converted block by block (the first
// byte of the input sets the block size; the seeds are real frames): whatever the bytes, the
// decoding fails or gives whole 16-bit frames, where the stream is cut into blocks does not change
// the PCM that comes out before any failure, and a stream that failed gives nothing at its end.

#include "fuzz/FuzzSupport.h"
#include "platform/AudioConversion.h"

#include <algorithm>
#include <vector>

namespace {

using namespace vx;

// The PCM of the stream converted in blocks of size bytes, up to the first failure; failed says
// whether one came.
std::vector<unsigned char> convert(const std::uint8_t* data, std::size_t size, std::size_t block, bool& failed) {
    static const MPEGLAYER3WAVEFORMAT kMp3{{WAVE_FORMAT_MPEGLAYER3, 1, 22050, 4000, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES},
                                           MPEGLAYER3_ID_MPEG, MPEGLAYER3_FLAG_PADDING_OFF, 104, 1, 0};
    static const WAVEFORMATEX kPcm{WAVE_FORMAT_PCM, 1, 16000, 32000, 2, 16, 0};
    std::vector<unsigned char> out, part;
    const auto converter = AudioConverter::open(kMp3.wfx, kPcm);
    VX_FUZZ_CHECK(converter != nullptr);
    failed = false;
    for (std::size_t at = 0; at < size && !failed; at += block) {
        failed = !converter->convert(data + at, static_cast<std::uint32_t>(std::min(block, size - at)), part);
        out.insert(out.end(), part.begin(), part.end());
    }
    // A stream that failed gives nothing more when it ends: no bytes are decoded twice.
    if (converter->finish(part)) {
        VX_FUZZ_CHECK(!failed);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t block = data[0] + 1;
    bool wholeFailed = false, cutFailed = false;
    const std::vector<unsigned char> whole = convert(data + 1, size - 1, size, wholeFailed);
    const std::vector<unsigned char> cut = convert(data + 1, size - 1, block, cutFailed);
    VX_FUZZ_CHECK(whole.size() % 2 == 0 && cut.size() % 2 == 0);
    if (!wholeFailed && !cutFailed) VX_FUZZ_CHECK(whole == cut);
    return 0;
}
