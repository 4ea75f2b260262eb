// The WAV header of an online service's response, read as it arrives: where the samples start is
// found in the bytes (after a "data" chunk header of a RIFF file, or 0 for bytes that are no RIFF
// file), never past them, and the bytes up to it, or any more, find the same start.

#include "fuzz/FuzzSupport.h"
#include "modules/MsTranslatorModule.h"

#include <cstring>
#include <optional>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    const std::optional<std::size_t> start = vx::wavSamplesStart(bytes);
    if (!start) return 0;
    VX_FUZZ_CHECK(*start <= size);
    if (*start > 0) {
        VX_FUZZ_CHECK(*start >= 20 && (std::memcmp(data, "RIFF", 4) == 0 || std::memcmp(data, "FFIR", 4) == 0) &&
                      std::memcmp(data + *start - 8, "data", 4) == 0);
    }
    // What came before the start is all it took: the bytes up to it, and any more, find it again.
    for (const std::size_t length : {*start, (*start + size) / 2}) {
        const std::optional<std::size_t> again = vx::wavSamplesStart({data, data + length});
        VX_FUZZ_CHECK(length < 4 || (again && *again == *start));
    }
    return 0;
}
