#include "modules/MsTranslatorModule.h"

#include <algorithm>
#include <cstring>

namespace vx {
namespace {

// A header that has not ended after this many bytes cannot be parsed: the response is written
// whole, header and all.
constexpr std::size_t kLongestHeader = 65536;

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

std::optional<std::size_t> wavSamplesStart(const std::vector<unsigned char>& bytes) {
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 && std::memcmp(bytes.data(), "FFIR", 4) != 0) {
        return 0;
    }
    for (std::uint64_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t size = littleEndian32(&bytes[at + 4]);
        if (std::memcmp(&bytes[at], "data", 4) == 0) {
            return at + 8;
        }
        at += 8 + std::uint64_t{size} + (size & 1);
    }
    return std::nullopt;
}

MsTranslatorModule::MsTranslatorModule()
    : OnlineModule({u"*Can't open the MSTranslator URL.", u"* Error: mstranslator, incorrect content: %s", u"mstranslator"}) {
    SetPcmFormat(&nativeFormat_, 8000, 1, 8);
    outputFormat_ = nativeFormat_;
    rate = pitch = volume = 50;
}

bool MsTranslatorModule::SetConversion(const std::u16string& value) {
    conversion = conversionModeOf(value);
    if (conversion != ConversionMode::Convert) {
        SetPcmFormat(&nativeFormat_, 22050, 1, 16);
        outputFormat_ = nativeFormat_;
    }
    return true;
}

bool MsTranslatorModule::beginResponse() {
    headerSkipped_ = false;
    held_.clear();
    openPortionStream();
    return true;
}

std::int32_t MsTranslatorModule::writePiece(const unsigned char* data, std::uint32_t size) {
    if (size == 0 || aborted() || !sink()) {
        return 1;
    }
    if (headerSkipped_) {
        return writeSamples(data, size);
    }
    held_.insert(held_.end(), data, data + size);
    const std::optional<std::size_t> start = wavSamplesStart(held_);
    if (!start && held_.size() < kLongestHeader) {
        return 0;
    }
    headerSkipped_ = true;
    std::vector<unsigned char> first;
    first.swap(held_);
    const std::size_t from = std::min(start.value_or(0), first.size());
    return from == first.size() ? 0 : writeSamples(first.data() + from, static_cast<std::uint32_t>(first.size() - from));
}

// A response that ended within its header, or whose header could not be parsed, is written
// whole; what the portion stream holds follows.
bool MsTranslatorModule::endResponse() {
    if (!headerSkipped_ && !held_.empty() && !aborted() && sink()) {
        std::vector<unsigned char> all;
        all.swap(held_);
        const std::size_t from = std::min(wavSamplesStart(all).value_or(0), all.size());
        headerSkipped_ = true;
        if (from < all.size()) {
            writeSamples(all.data() + from, static_cast<std::uint32_t>(all.size() - from));
        }
    }
    return closePortionStream();
}

std::int32_t MsTranslatorModule::writeSamples(const unsigned char* data, std::uint32_t size) {
    if (!held_.empty()) {
        joined_.assign(held_.begin(), held_.end());
        joined_.insert(joined_.end(), data, data + size);
        held_.clear();
        data = joined_.data();
        size = static_cast<std::uint32_t>(joined_.size());
    }
    const std::uint32_t frame = std::max<std::uint16_t>(nativeFormat_.nBlockAlign, 1);
    const std::uint32_t whole = size / frame * frame;
    held_.assign(data + whole, data + size);
    if (whole == 0) {
        return 0;
    }
    scaled_.resize(whole);
    ApplyVolume(data, scaled_.data(), whole, nativeFormat_);
    if (conversion == ConversionMode::Convert) {
        return writeConverted(scaled_.data(), whole, nullptr);
    }
    return sink()->OnAudio(scaled_.data(), whole, nullptr);
}

} // namespace vx
