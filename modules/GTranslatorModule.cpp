#include "modules/GTranslatorModule.h"

#include "config/TextUtil.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Utf.h"

#include <cstring>

namespace vx {
namespace {

constexpr std::uint32_t kPauseBeforeRequest = 100; // milliseconds; the service takes no faster requests

// The MP3 the service sends for a language, as the converters take it: 1 frame a block.
std::optional<MPEGLAYER3WAVEFORMAT> mp3Format(const std::u16string& language) {
    struct Row {
        const char16_t* language;
        std::uint32_t samplesPerSecond, bytesPerSecond;
        std::uint16_t blockSize, codecDelay;
    };
    static constexpr Row kRows[] = {{u"ru", 22050, 4000, 104, 1393}, {u"en", 16000, 3000, 108, 0}};
    for (const Row& row : kRows) {
        if (language == row.language) {
            MPEGLAYER3WAVEFORMAT format{};
            format.wfx = {WAVE_FORMAT_MPEGLAYER3, 1, row.samplesPerSecond, row.bytesPerSecond, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
            format.wID = MPEGLAYER3_ID_MPEG;
            format.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
            format.nBlockSize = row.blockSize;
            format.nFramesPerBlock = 1;
            format.nCodecDelay = row.codecDelay;
            return format;
        }
    }
    return std::nullopt;
}

bool sameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

GTranslatorModule::GTranslatorModule()
    : OnlineModule({u"*Can't open the Google translator URL.", u"* Error: google, incorrect content: %s", u"google"}) {
    SetPcmFormat(&nativeFormat_, 22050, 1, 16);
    outputFormat_ = nativeFormat_;
    rate = pitch = volume = 50;
    contentType = u"audio/mpeg";
}

bool GTranslatorModule::ReadSetting(const std::u16string& key, const std::u16string& value) {
    if (key != u"samplerate") {
        return OnlineModule::ReadSetting(key, value);
    }
    SetPcmFormat(&nativeFormat_, static_cast<std::uint32_t>(TextUtil::toInt(value)), 1, 16);
    return true;
}

void GTranslatorModule::beforeRequest() { platform::sleepMilliseconds(kPauseBeforeRequest); }

// One decoder for the whole response, so that frames cut by the pieces' ends and the decoder's
// delay are decoded once. A language without an MP3 format is not spoken; where the system cannot
// decode or convert (no MP3 codec), the first piece ends the response and its bytes, coming to
// nothing, fail the portion. The log says why, once.
bool GTranslatorModule::beginResponse() {
    const auto refuse = [this](const char16_t* why, const std::u16string& what) {
        if (!refusalLogged_) {
            refusalLogged_ = true;
            Log::Write(why, what);
        }
    };
    const std::optional<MPEGLAYER3WAVEFORMAT> source = mp3Format(subname);
    if (!source) {
        refuse(u"* Error: google has no MP3 format of the language '%s': nothing is spoken", subname);
        return false;
    }
    bytesIn_ = bytesOut_ = 0;
    const bool twoSteps = !sameFormat(nativeFormat_, outputFormat_);
    decoder_ = AudioConverter::open(source->wfx, twoSteps ? nativeFormat_ : outputFormat_);
    converter_ = twoSteps ? openOutputConversion(nativeFormat_) : nullptr;
    if (!decoder_) {
        refuse(u"* Error: the system cannot decode google's MP3 to %s Hz: nothing is spoken",
               fromUtf8(std::to_string(nativeFormat_.nSamplesPerSec)));
    } else if (twoSteps && !converter_) {
        decoder_.reset();
    }
    return true;
}

std::int32_t GTranslatorModule::writePiece(const unsigned char* data, std::uint32_t size) {
    if (size == 0 || aborted() || !sink()) {
        return 1;
    }
    bytesIn_ += size;
    if (!decoder_ || !decoder_->convert(data, size, decoded_)) {
        return 1;
    }
    return writeDecoded(decoded_);
}

bool GTranslatorModule::endResponse() {
    if (decoder_ && decoder_->finish(decoded_) && sink() && !aborted()) {
        writeDecoded(decoded_);
    }
    if (converter_ && converter_->finish(converted_) && sink() && !aborted()) {
        writeOutput(converted_);
    }
    decoder_.reset();
    converter_.reset();
    return bytesIn_ == 0 || bytesOut_ > 0;
}

// The decoder may hold a piece back until the next one completes its frame: nothing to write is
// not a failure.
std::int32_t GTranslatorModule::writeDecoded(const std::vector<unsigned char>& audio) {
    if (!converter_) {
        return writeOutput(audio);
    }
    if (!converter_->convert(audio.data(), static_cast<std::uint32_t>(audio.size()), converted_)) {
        return 1;
    }
    return writeOutput(converted_);
}

std::int32_t GTranslatorModule::writeOutput(const std::vector<unsigned char>& audio) {
    if (audio.empty()) {
        return 0;
    }
    bytesOut_ += audio.size();
    scaled_.resize(audio.size());
    ApplyVolume(audio.data(), scaled_.data(), static_cast<std::uint32_t>(audio.size()), outputFormat_);
    return sink()->OnAudio(scaled_.data(), static_cast<std::uint32_t>(scaled_.size()), nullptr);
}

} // namespace vx
