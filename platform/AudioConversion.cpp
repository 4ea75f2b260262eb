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
    const std::unique_ptr<AudioConverter> converter = AudioConverter::open(*from, *to);
    if (!converter) {
        return false;
    }
    std::vector<unsigned char> rest;
    if (!converter->convert(source, sourceBytes, *out) || !converter->finish(rest)) {
        out->clear();
        return false;
    }
    out->insert(out->end(), rest.begin(), rest.end());
    return !out->empty();
}

std::unique_ptr<AudioConverter> AudioConverter::open(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    if (!pcm::isSupported(from) || !pcm::isSupported(to)) {
        return nullptr;
    }
    try {
        std::unique_ptr<pcm::LayoutStream> stream;
        if (!pcm::sameLayout(from, to)) {
            stream = pcm::openLayoutStream(from, to);
            if (!stream) {
                return nullptr;
            }
        }
        return std::unique_ptr<AudioConverter>(new AudioConverter(from, std::move(stream)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

AudioConverter::AudioConverter(const WAVEFORMATEX& from, std::unique_ptr<pcm::LayoutStream> stream)
    : frameBytes_(pcm::bytesPerFrame(from)), stream_(std::move(stream)) {}

AudioConverter::~AudioConverter() = default;

bool AudioConverter::convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) {
    out.clear();
    if (!source || bytes == 0) {
        return true;
    }
    try {
        // A frame split between blocks is put together first.
        const unsigned char* whole = source;
        if (!partial_.empty()) {
            joined_.assign(partial_.begin(), partial_.end());
            joined_.insert(joined_.end(), source, source + bytes);
            partial_.clear();
            whole = joined_.data();
            bytes = static_cast<std::uint32_t>(joined_.size());
        }
        const std::uint32_t frames = bytes / frameBytes_ * frameBytes_;
        partial_.assign(whole + frames, whole + bytes);
        if (frames == 0) {
            return true;
        }
        if (!stream_) {
            out.assign(whole, whole + frames);
            return true;
        }
        return stream_->convert(whole, frames, out);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

bool AudioConverter::finish(std::vector<unsigned char>& out) {
    out.clear();
    partial_.clear();
    try {
        return !stream_ || stream_->finish(out);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

} // namespace vx
