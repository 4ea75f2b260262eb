// Audio conversion on Windows by the Audio Compression Manager: one ACM stream for the blocks of
// one stream, the first pass marked as the start of the stream and the last as its end. PCM blocks
// are held back until the next arrives, so that the one that turns out to be the last can be
// marked as the end, which flushes what the converter holds; MP3 goes through the system's
// MPEG Layer-3 codec, whole frames at a time.

#include "platform/PcmLayout.h"

#include <algorithm>
#include <cstring>
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

    // The converter's estimate of what sourceBytes become, with room for what the end of the
    // stream flushes out beyond it; false when it has none.
    bool targetSize(DWORD sourceBytes, DWORD& targetBytes) {
        const MMRESULT sized = ::acmStreamSize(handle_, sourceBytes, &targetBytes, ACM_STREAMSIZEF_SOURCE);
        targetBytes += 4096;
        return sized == MMSYSERR_NOERROR;
    }

    // Converts source (sourceBytes of it) into the end of out, at most targetBytes; used tells how
    // much of source the converter took (it may keep back a partial block in a pass that is not
    // the last).
    bool convert(unsigned char* source, DWORD sourceBytes, DWORD targetBytes, DWORD flags,
                 std::vector<unsigned char>& out, DWORD& used) {
        std::vector<unsigned char> target(targetBytes);
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = source;
        header.cbSrcLength = sourceBytes;
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
        header.cbSrcLength = sourceBytes;
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
            DWORD target = 0;
            if (!handle_.targetSize(take, target) || !handle_.convert(pass.data(), take, target, flags, out, used)) {
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

// What one pass of the MP3 codec may write: its target is filled pass by pass until it takes and
// gives nothing more.
constexpr DWORD kMp3PassBytes = 64 * 1024;

// The MPEG Layer-3 record that the caller's WAVEFORMATEX heads, its extra bytes bounded to the
// fields it has (ACM copies as many as cbSize says).
MPEGLAYER3WAVEFORMAT mp3Record(const WAVEFORMATEX& head) {
    MPEGLAYER3WAVEFORMAT record;
    std::memcpy(&record, &head, sizeof record);
    record.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    return record;
}

// One ACM stream from MP3 to 16-bit PCM for the whole MP3 stream. Each block is converted block
// aligned (the first pass marked as the start): the codec takes whole frames, and the bytes it
// leaves (the start of a frame) wait for the next block. The end of the stream converts what is
// left, marked as the end.
class AcmMp3Stream final : public Mp3Stream {
public:
    explicit AcmMp3Stream(const WAVEFORMATEX& mp3) : from_(mp3Record(mp3)), to_(decodedFormat(mp3)) {}

    bool open() { return handle_.open(from_.wfx, to_); }

    bool decode(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) override {
        pending_.insert(pending_.end(), source, source + bytes);
        return convertPending(ACM_STREAMCONVERTF_BLOCKALIGN, out);
    }

    bool finish(std::vector<unsigned char>& out) override { return convertPending(ACM_STREAMCONVERTF_END, out); }

private:
    // Passes until one takes and gives nothing: a codec may keep decoded audio that did not fit
    // its target (Wine's takes every byte at once) or take fewer frames than it was given.
    bool convertPending(DWORD flags, std::vector<unsigned char>& out) {
        for (;;) {
            const std::size_t before = out.size();
            const auto size = static_cast<DWORD>(pending_.size());
            DWORD used = 0;
            if (!handle_.convert(size ? pending_.data() : &none_, size, kMp3PassBytes,
                                 flags | (started_ ? 0 : ACM_STREAMCONVERTF_START), out, used)) {
                // A pass without source bytes only collects what the codec holds; a codec that
                // refuses one holds nothing.
                return size == 0;
            }
            started_ = true;
            pending_.erase(pending_.begin(), pending_.begin() + used);
            if (used == 0 && out.size() == before) {
                return true;
            }
        }
    }

    MPEGLAYER3WAVEFORMAT from_;
    WAVEFORMATEX to_;
    AcmHandle handle_;
    std::vector<unsigned char> pending_; // bytes the codec has not taken yet
    unsigned char none_ = 0;
    bool started_ = false;
};

} // namespace

std::unique_ptr<Mp3Stream> openMp3Stream(const WAVEFORMATEX& mp3) {
    auto stream = std::make_unique<AcmMp3Stream>(mp3);
    return stream->open() ? std::move(stream) : nullptr;
}

std::unique_ptr<LayoutStream> openLayoutStream(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    auto stream = std::make_unique<AcmStream>(from, to);
    return stream->open() ? std::move(stream) : nullptr;
}

} // namespace vx::pcm
