// Audio conversion on POSIX: sample width and channels by our own code, sample rate by libsoxr,
// MP3 decoding by libmpg123.

#include "platform/PcmLayout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <mpg123.h>
#include <new>
#include <soxr.h>
#include <span>

namespace vx::pcm {
namespace {

// Interleaved samples in -1..1.
std::vector<float> decode(const unsigned char* bytes, std::size_t frames, const WAVEFORMATEX& f) {
    std::vector<float> samples(frames * f.nChannels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (f.wBitsPerSample == 8) {
            samples[i] = (static_cast<float>(bytes[i]) - 128.0F) / 128.0F;
        } else {
            const auto value = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            samples[i] = static_cast<float>(value) / 32768.0F;
        }
    }
    return samples;
}

std::vector<float> remix(std::vector<float> samples, int from, int to) {
    if (from == to) {
        return samples;
    }
    const std::size_t frames = samples.size() / static_cast<std::size_t>(from);
    std::vector<float> out(frames * static_cast<std::size_t>(to));
    for (std::size_t i = 0; i < frames; ++i) {
        if (to == 1) {
            out[i] = (samples[2 * i] + samples[2 * i + 1]) / 2.0F;
        } else {
            out[2 * i] = out[2 * i + 1] = samples[i];
        }
    }
    return out;
}

// Appends the samples to out in the format's width.
void encode(std::span<const float> samples, const WAVEFORMATEX& f, std::vector<unsigned char>& out) {
    const std::size_t start = out.size();
    out.resize(start + samples.size() * (f.wBitsPerSample / 8U));
    unsigned char* bytes = out.data() + start;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (f.wBitsPerSample == 8) {
            bytes[i] = static_cast<unsigned char>(std::clamp(std::lround(samples[i] * 128.0F) + 128, 0L, 255L));
        } else {
            const long value = std::clamp(std::lround(samples[i] * 32768.0F), -32768L, 32767L);
            bytes[2 * i] = static_cast<unsigned char>(value & 0xFF);
            bytes[2 * i + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
        }
    }
}

// The rate changes through one soxr stream; width and channels need no state.
class SoxrStream final : public LayoutStream {
public:
    SoxrStream(const WAVEFORMATEX& from, const WAVEFORMATEX& to) : from_(from), to_(to) {}
    SoxrStream(const SoxrStream&) = delete;
    SoxrStream& operator=(const SoxrStream&) = delete;
    ~SoxrStream() override {
        if (resampler_) {
            soxr_delete(resampler_);
        }
    }

    bool open() {
        if (from_.nSamplesPerSec == to_.nSamplesPerSec) {
            return true;
        }
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        resampler_ = soxr_create(from_.nSamplesPerSec, to_.nSamplesPerSec, to_.nChannels, &error, &io, &quality,
                                 nullptr);
        return !error && resampler_;
    }

    bool convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) override {
        const std::size_t frames = bytes / bytesPerFrame(from_);
        const std::vector<float> mixed = remix(decode(source, frames, from_), from_.nChannels, to_.nChannels);
        if (!resampler_) {
            encode(mixed, to_, out);
            return true;
        }
        return resample(mixed.data(), frames, out);
    }

    // No input tells soxr that the stream has ended: it then gives out what it holds.
    bool finish(std::vector<unsigned char>& out) override { return !resampler_ || resample(nullptr, 0, out); }

private:
    // Feeds frames (none at the end) and appends everything the resampler gives back.
    bool resample(const float* samples, std::size_t frames, std::vector<unsigned char>& out) {
        const unsigned channels = to_.nChannels;
        const double ratio = static_cast<double>(to_.nSamplesPerSec) / from_.nSamplesPerSec;
        const auto room = static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * ratio)) + 1024;
        std::vector<float> produced(room * channels);
        std::size_t left = frames;
        for (;;) {
            std::size_t taken = 0;
            std::size_t made = 0;
            const float* in = samples ? samples + (frames - left) * channels : nullptr;
            if (soxr_process(resampler_, in, left, &taken, produced.data(), room, &made)) {
                return false;
            }
            left -= taken;
            encode(std::span(produced).first(made * channels), to_, out);
            // Input is fed until the resampler has taken it all; at the end it gives what it
            // holds over as many calls as it needs.
            if (samples ? left == 0 && made < room : made == 0) {
                return true;
            }
        }
    }

    WAVEFORMATEX from_;
    WAVEFORMATEX to_;
    soxr_t resampler_ = nullptr;
};

// libmpg123 gives 16-bit samples in the machine's byte order; the PCM here is little-endian.
static_assert(std::endian::native == std::endian::little);

// Output taken from the decoder in one read: more than a frame of stereo.
constexpr std::size_t kReadBytes = 16384;
// Reads in a row that give nothing although the decoder says it can go on: a stream that keeps
// the decoder busy without audio is taken for one it cannot follow, rather than read for ever.
constexpr int kMaxIdleReads = 64;

// Libraries before 1.27 need mpg123_init once before any handle (later ones ignore it); a
// function-local static makes that once, thread-safe, on the first use.
bool mpg123Ready() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

// One libmpg123 handle in feed mode: blocks are fed as they come, and what their frames decode to
// is read out at once. Gapless decoding (on) trims the encoder's delay and padding when the stream
// starts with a LAME tag; without one the decoder's delay stays, once, at the start.
class Mpg123Stream final : public Mp3Stream {
public:
    explicit Mpg123Stream(const WAVEFORMATEX& mp3) : format_(decodedFormat(mp3)) {}
    Mpg123Stream(const Mpg123Stream&) = delete;
    Mpg123Stream& operator=(const Mpg123Stream&) = delete;
    ~Mpg123Stream() override {
        if (handle_) {
            mpg123_delete(handle_);
        }
    }

    // Only the format's rate and channels, 16-bit, are allowed out: libmpg123 mixes a stereo
    // stream down to mono (or the reverse) itself.
    bool open() {
        if (!mpg123Ready()) {
            return false;
        }
        int error = MPG123_OK;
        handle_ = mpg123_new(nullptr, &error);
        const int channels = format_.nChannels == 1 ? MPG123_MONO : MPG123_STEREO;
        return handle_ && mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) == MPG123_OK &&
               mpg123_format_none(handle_) == MPG123_OK &&
               mpg123_format(handle_, static_cast<long>(format_.nSamplesPerSec), channels, MPG123_ENC_SIGNED_16) ==
                   MPG123_OK &&
               mpg123_open_feed(handle_) == MPG123_OK;
    }

    // libmpg123 judges a frame by whether the bytes after it already look like the next frame's
    // header, so a damaged stream decodes differently depending on how much it was given at a
    // time. The bytes are therefore fed in units of kFeedBytes, whatever blocks they came in, so
    // that where a stream is cut never changes its PCM; the last, shorter unit goes in at the end.
    // After a failure the stream is over: nothing more is fed, and finish fails too.
    bool decode(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) override {
        waiting_.insert(waiting_.end(), source, source + bytes);
        std::size_t fed = 0;
        for (; !failed_ && waiting_.size() - fed >= kFeedBytes; fed += kFeedBytes) {
            failed_ = !feed(waiting_.data() + fed, kFeedBytes, out);
        }
        waiting_.erase(waiting_.begin(), failed_ ? waiting_.end() : waiting_.begin() + static_cast<std::ptrdiff_t>(fed));
        return !failed_;
    }

    bool finish(std::vector<unsigned char>& out) override {
        failed_ = failed_ || (!waiting_.empty() && !feed(waiting_.data(), waiting_.size(), out));
        waiting_.clear();
        return !failed_ && readAll(out);
    }

private:
    // About 60 ms of a 64 kbit/s stream: the delay the units add to the audio of a service.
    static constexpr std::size_t kFeedBytes = 512;

    bool feed(const unsigned char* bytes, std::size_t size, std::vector<unsigned char>& out) {
        return mpg123_feed(handle_, bytes, size) == MPG123_OK && readAll(out);
    }

    // Appends everything the bytes fed so far decode to.
    bool readAll(std::vector<unsigned char>& out) {
        for (int idle = 0; idle < kMaxIdleReads;) {
            const std::size_t start = out.size();
            out.resize(start + kReadBytes);
            std::size_t done = 0;
            const int result = mpg123_read(handle_, out.data() + start, kReadBytes, &done);
            out.resize(start + done);
            if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
                return true;
            }
            if (result == MPG123_NEW_FORMAT ? !formatAllowed() : result != MPG123_OK) {
                return false;
            }
            idle = done == 0 ? idle + 1 : 0;
        }
        return false;
    }

    bool formatAllowed() {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        return mpg123_getformat(handle_, &rate, &channels, &encoding) == MPG123_OK &&
               rate == static_cast<long>(format_.nSamplesPerSec) && channels == format_.nChannels &&
               encoding == MPG123_ENC_SIGNED_16;
    }

    WAVEFORMATEX format_;
    mpg123_handle* handle_ = nullptr;
    std::vector<unsigned char> waiting_; // less than a unit, not yet fed
    bool failed_ = false;
};

} // namespace

std::unique_ptr<Mp3Stream> openMp3Stream(const WAVEFORMATEX& mp3) {
    auto stream = std::make_unique<Mpg123Stream>(mp3);
    return stream->open() ? std::move(stream) : nullptr;
}

std::unique_ptr<LayoutStream> openLayoutStream(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    auto stream = std::make_unique<SoxrStream>(from, to);
    return stream->open() ? std::move(stream) : nullptr;
}

} // namespace vx::pcm
