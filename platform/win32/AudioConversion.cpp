// PCM conversion on Windows by the Audio Compression Manager: one ACM stream for the blocks of
// one stream, the first pass marked as the start of the stream and the last as its end. Each block
// is held back until the next arrives, so that the one that turns out to be the last can be
// marked as the end, which flushes what the converter holds.

#include "platform/PcmLayout.h"

#include <algorithm>
#include <new>
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

namespace vx::pcm {
namespace {

// Source bytes given to the converter in one pass (rounded down to whole frames): more than the
// audio of a long sentence, so that a block is normally converted in a single START|END pass.
// A converter may restart its resampling phase at a pass boundary (Wine's does, by a fraction
// of a sample), so passes are few; the bound keeps the target buffer of one pass moderate.
constexpr std::uint32_t kPassBytes = 1024 * 1024;

// The format as ACM wants it: block size and byte rate computed from the layout, whatever the
// caller's record said about them.
WAVEFORMATEX pcmFormat(const WAVEFORMATEX& f) {
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = f.nChannels;
    pcm.nSamplesPerSec = f.nSamplesPerSec;
    pcm.wBitsPerSample = f.wBitsPerSample;
    pcm.nBlockAlign = static_cast<WORD>(bytesPerFrame(f));
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    pcm.cbSize = 0;
    return pcm;
}

class AcmHandle {
public:
    AcmHandle() = default;
    AcmHandle(const AcmHandle&) = delete;
    AcmHandle& operator=(const AcmHandle&) = delete;
    ~AcmHandle() {
        if (handle_) {
            ::acmStreamClose(handle_, 0);
        }
    }

    bool open(WAVEFORMATEX& from, WAVEFORMATEX& to) {
        return ::acmStreamOpen(&handle_, nullptr, &from, &to, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) ==
               MMSYSERR_NOERROR;
    }

    // Converts source into the end of out; used tells how much of source the converter took (it
    // may keep back a partial block in a pass that is not the last).
    bool convert(std::vector<unsigned char>& source, DWORD flags, std::vector<unsigned char>& out, DWORD& used) {
        DWORD targetBytes = 0;
        if (::acmStreamSize(handle_, static_cast<DWORD>(source.size()), &targetBytes, ACM_STREAMSIZEF_SOURCE) !=
            MMSYSERR_NOERROR) {
            return false;
        }
        // Room for what the end of the stream flushes out beyond the estimate.
        std::vector<unsigned char> target(std::size_t{targetBytes} + 4096);
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = source.data();
        header.cbSrcLength = static_cast<DWORD>(source.size());
        header.pbDst = target.data();
        header.cbDstLength = static_cast<DWORD>(target.size());
        if (::acmStreamPrepareHeader(handle_, &header, 0) != MMSYSERR_NOERROR) {
            return false;
        }
        const bool converted = ::acmStreamConvert(handle_, &header, flags) == MMSYSERR_NOERROR &&
                               (header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE) != 0 &&
                               header.cbSrcLengthUsed <= header.cbSrcLength &&
                               header.cbDstLengthUsed <= header.cbDstLength;
        if (converted) {
            out.insert(out.end(), target.begin(), target.begin() + header.cbDstLengthUsed);
            used = header.cbSrcLengthUsed;
        }
        // Unpreparing needs the lengths that were prepared.
        header.cbSrcLength = static_cast<DWORD>(source.size());
        header.cbDstLength = static_cast<DWORD>(target.size());
        return ::acmStreamUnprepareHeader(handle_, &header, 0) == MMSYSERR_NOERROR && converted;
    }

private:
    HACMSTREAM handle_ = nullptr;
};

class AcmStream final : public LayoutStream {
public:
    AcmStream(const WAVEFORMATEX& from, const WAVEFORMATEX& to) : from_(pcmFormat(from)), to_(pcmFormat(to)) {}

    bool open() { return handle_.open(from_, to_); }

    bool convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) override {
        const bool converted = held_.empty() || convertHeld(0, out);
        held_.assign(source, source + bytes);
        return converted;
    }

    bool finish(std::vector<unsigned char>& out) override {
        return held_.empty() || convertHeld(ACM_STREAMCONVERTF_END, out);
    }

private:
    // Converts the held block in buffer-sized passes; end marks its last pass as the stream's.
    bool convertHeld(DWORD end, std::vector<unsigned char>& out) {
        const std::uint32_t frame = from_.nBlockAlign;
        const std::uint32_t passBytes = kPassBytes / frame * frame;
        const auto size = static_cast<std::uint32_t>(held_.size());
        std::uint32_t done = 0;
        while (done < size) {
            const std::uint32_t take = std::min(passBytes, size - done);
            const bool last = done + take == size;
            std::vector<unsigned char> pass(held_.begin() + done, held_.begin() + done + take);
            DWORD flags = last && end ? end : ACM_STREAMCONVERTF_BLOCKALIGN;
            if (!started_) {
                flags |= ACM_STREAMCONVERTF_START;
                started_ = true;
            }
            DWORD used = 0;
            if (!handle_.convert(pass, flags, out, used)) {
                return false;
            }
            // A pass that moves nothing forward would repeat for ever; the last pass must take all.
            if (used == 0 || (last && used != take)) {
                return false;
            }
            done += used;
        }
        held_.clear();
        return true;
    }

    WAVEFORMATEX from_;
    WAVEFORMATEX to_;
    AcmHandle handle_;
    std::vector<unsigned char> held_;
    bool started_ = false;
};

} // namespace

std::unique_ptr<LayoutStream> openLayoutStream(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    auto stream = std::make_unique<AcmStream>(from, to);
    return stream->open() ? std::move(stream) : nullptr;
}

} // namespace vx::pcm
