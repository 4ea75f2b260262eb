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
    const bool mp3 = pcm::isMp3(from);
    // An MP3 stream is converted as the PCM its decoder gives.
    const WAVEFORMATEX source = mp3 ? pcm::decodedFormat(from) : from;
    if (!pcm::isSupported(source) || !pcm::isSupported(to)) {
        return nullptr;
    }
    try {
        std::unique_ptr<pcm::Mp3Stream> decoder;
        if (mp3) {
            decoder = pcm::openMp3Stream(from);
            if (!decoder) {
                return nullptr;
            }
        }
        std::unique_ptr<pcm::LayoutStream> stream;
        if (!pcm::sameLayout(source, to)) {
            stream = pcm::openLayoutStream(source, to);
            if (!stream) {
                return nullptr;
            }
        }
        return std::unique_ptr<AudioConverter>(new AudioConverter(source, std::move(decoder), std::move(stream)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

AudioConverter::AudioConverter(const WAVEFORMATEX& pcm, std::unique_ptr<pcm::Mp3Stream> decoder,
                               std::unique_ptr<pcm::LayoutStream> stream)
    : frameBytes_(pcm::bytesPerFrame(pcm)), decoder_(std::move(decoder)), stream_(std::move(stream)) {}

AudioConverter::~AudioConverter() = default;

bool AudioConverter::convert(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) {
    out.clear();
    if (!source || bytes == 0) {
        return true;
    }
    try {
        if (!decoder_) {
            return convertPcm(source, bytes, out);
        }
        decoded_.clear();
        if (decoder_->decode(source, bytes, decoded_) &&
            convertPcm(decoded_.data(), static_cast<std::uint32_t>(decoded_.size()), out)) {
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    out.clear();
    return false;
}

bool AudioConverter::convertPcm(const unsigned char* source, std::uint32_t bytes, std::vector<unsigned char>& out) {
    if (bytes == 0) {
        return true;
    }
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
        out.insert(out.end(), whole, whole + frames);
        return true;
    }
    return stream_->convert(whole, frames, out);
}

bool AudioConverter::finish(std::vector<unsigned char>& out) {
    out.clear();
    try {
        decoded_.clear();
        const bool finished = !decoder_ || (decoder_->finish(decoded_) &&
                                            convertPcm(decoded_.data(), static_cast<std::uint32_t>(decoded_.size()), out));
        partial_.clear();
        if (finished && (!stream_ || stream_->finish(out))) {
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    out.clear();
    return false;
}

} // namespace vx
