#include "modules/SpeechModule.h"

#include "config/TextUtil.h"
#include "platform/Files.h"
#include "platform/Log.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace vx {
namespace {

// Long silences are written in blocks of this size, so that a silence of any length needs only
// this much memory.
constexpr std::uint64_t kSilenceBlock = 65536;
// The sample rates a format may have: a rate far outside what any voice or sound card uses (1 Hz,
// say) only makes a conversion that gives next to nothing, or far too much.
constexpr std::uint32_t kMinSampleRate = 4000;
constexpr std::uint32_t kMaxSampleRate = 384000;
// The rates at which the tempo filter works: sonic divides by the rate and sizes its buffers by
// it, so a tiny one crashes it and a huge one leaves it nothing to return.
constexpr std::int32_t kMinSonicRate = 4000;
constexpr std::int32_t kMaxSonicRate = 96000;

unsigned char silenceByte(const WAVEFORMATEX& format) { return format.wBitsPerSample == 8 ? 128 : 0; }

std::uint32_t toUnsigned(const std::u16string& value) { return static_cast<std::uint32_t>(TextUtil::toInt(value)); }

bool describesPcm(int samplesPerSecond, int channels, int bits) {
    return samplesPerSecond >= static_cast<int>(kMinSampleRate) &&
           static_cast<std::uint32_t>(samplesPerSecond) <= kMaxSampleRate && (channels == 1 || channels == 2) &&
           (bits == 8 || bits == 16);
}

} // namespace

bool SetPcmFormat(WAVEFORMATEX* format, std::uint32_t samplesPerSecond, std::uint16_t channels,
                  std::uint16_t bitsPerSample) {
    if (!format) {
        return false;
    }
    *format = WAVEFORMATEX{};
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = channels;
    format->wBitsPerSample = bitsPerSample;
    format->nBlockAlign = static_cast<std::uint16_t>(channels * ((bitsPerSample + 7) / 8));
    format->nSamplesPerSec = samplesPerSecond;
    format->nAvgBytesPerSec = samplesPerSecond * format->nBlockAlign;
    return true;
}

bool SpeechModule::WriteSilence(std::uint32_t milliseconds) {
    const std::uint64_t blockAlign = std::max<std::uint16_t>(outputFormat_.nBlockAlign, 1);
    // Whole frames only: half a 16-bit sample would shift every later sample of the stream.
    const std::uint64_t total =
        std::uint64_t{milliseconds} * outputFormat_.nAvgBytesPerSec / 1000 / blockAlign * blockAlign;
    if (total == 0 || !sink_) {
        return true;
    }
    const std::uint64_t blockSize = std::min(total, kSilenceBlock / blockAlign * blockAlign);
    std::vector<unsigned char> block;
    try {
        block.assign(blockSize, silenceByte(outputFormat_));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::uint64_t left = total; left > 0;) {
        const auto size = static_cast<std::uint32_t>(std::min(left, blockSize));
        if (sink_->OnAudio(block.data(), size, nullptr) != 0) {
            break;
        }
        left -= size;
    }
    return true;
}

bool SpeechModule::GetOutputFormat(WAVEFORMATEX* out) const {
    if (!out) {
        return false;
    }
    *out = outputFormat_;
    return true;
}

bool SpeechModule::ReadSetting(const std::u16string& key, const std::u16string& value) {
    static constexpr std::u16string_view kSonicPrefix = u"sonic.";
    if (key == u"path") {
        path = value;
    } else if (key == u"module") {
        module = value;
    } else if (key == u"word_pause") {
        wordPause.set(toUnsigned(value));
    } else if (key == u"phoneme_pause") {
        phonemePause.set(toUnsigned(value));
    } else if (key == u"subname") {
        subname = value;
    } else if (key == u"speed_limit") {
        speedLimit = TextUtil::toInt(value);
        rate = std::min(rate, speedLimit);
    } else if (key == u"output_format") {
        conversion = ConversionMode::Convert;
        SetOutputFormat(value);
    } else if (key == u"convert") {
        SetConversion(value);
    } else if (key == u"content_type") {
        contentType = value;
    } else if (key.starts_with(kSonicPrefix)) {
        const std::u16string_view rest = std::u16string_view(key).substr(kSonicPrefix.size());
        if (rest == u"freq") {
            setSonicFrequency(TextUtil::toInt(value));
        } else if (rest == u"quality") {
            sonicQuality = TextUtil::toInt(value);
        } else if (rest == u"tempo_gain") {
            tempoGain = static_cast<float>(TextUtil::toInt(value)) / 100.0F;
        }
    } else {
        return false;
    }
    return true;
}

bool SpeechModule::Load() {
    if (sonicEnabled == 1) {
        tempoFilter = TempoPitchFilter::create(sonicFrequency, 1);
    }
    if (module.empty()) {
        return true;
    }
    return library_.open(platform::joinPath(path, module));
}

void SpeechModule::setSonicFrequency(std::int32_t value) {
    if (value < kMinSonicRate || value > kMaxSonicRate) {
        Log::Write(u"* sonic.freq %d is outside %d..%d; the filter keeps %d", value, kMinSonicRate, kMaxSonicRate,
                   sonicFrequency);
        return;
    }
    sonicFrequency = value;
}

std::unique_ptr<AudioConverter> SpeechModule::openOutputConversion(const WAVEFORMATEX& from) {
    std::unique_ptr<AudioConverter> converter = AudioConverter::open(from, outputFormat_);
    if (!converter && !conversionRefusalLogged_) {
        conversionRefusalLogged_ = true;
        Log::Write(u"* the system cannot convert audio of %u Hz, %u channel(s), %u bits to output_format %u,%u,%u: "
                   u"nothing is spoken", from.nSamplesPerSec, from.nChannels, from.wBitsPerSample,
                   outputFormat_.nSamplesPerSec, outputFormat_.nChannels, outputFormat_.wBitsPerSample);
    }
    return converter;
}

void SpeechModule::openPortionStream() {
    portionIn_ = portionOut_ = 0;
    if (conversion == ConversionMode::Convert) {
        portionStream_ = openOutputConversion(nativeFormat_);
    }
}

std::int32_t SpeechModule::writeConverted(const unsigned char* data, std::uint32_t bytes, const SentenceMark* mark) {
    if (!sink_) {
        return 1;
    }
    if (!portionStream_) {
        portionIn_ += bytes;
        return 1;
    }
    if (!portionStream_->convert(data, bytes, converted_)) {
        converted_.clear();
    }
    portionIn_ += bytes;
    portionOut_ += converted_.size();
    return sink_->OnAudio(converted_.empty() ? nullptr : converted_.data(), static_cast<std::uint32_t>(converted_.size()),
                          mark);
}

bool SpeechModule::closePortionStream() {
    if (portionStream_ && portionStream_->finish(converted_) && !converted_.empty() && sink_) {
        portionOut_ += converted_.size();
        sink_->OnAudio(converted_.data(), static_cast<std::uint32_t>(converted_.size()), nullptr);
    }
    portionStream_.reset();
    return portionIn_ == 0 || portionOut_ > 0;
}

std::int32_t SpeechModule::SetRate(std::int32_t value) {
    rate = std::min(value, speedLimit);
    return rate;
}

bool SpeechModule::SetOutputFormat(const std::u16string& value) {
    std::vector<std::u16string> fields;
    if (TextUtil::split(value, u",", fields, 0, false) < 3) {
        return false;
    }
    const int samplesPerSecond = TextUtil::toInt(fields[0]);
    const int channels = TextUtil::toInt(fields[1]);
    const int bits = TextUtil::toInt(fields[2]);
    if (!describesPcm(samplesPerSecond, channels, bits)) {
        Log::Write(u"* output_format is not a PCM format of 4000..384000 Hz, 1 or 2 channels, 8 or 16 bits "
                   u"(rate,channels,bits): %s; the module's own format is used", value);
        return false;
    }
    return SetPcmFormat(&outputFormat_, static_cast<std::uint32_t>(samplesPerSecond),
                        static_cast<std::uint16_t>(channels), static_cast<std::uint16_t>(bits));
}

bool SpeechModule::ApplyVolume(const unsigned char* in, unsigned char* out, std::uint32_t count,
                               const WAVEFORMATEX& format) const {
    if (!in || !out || count == 0 || (format.wBitsPerSample != 8 && format.wBitsPerSample != 16)) {
        return false;
    }
    const double factor = volume == 100 ? 1.0 : volume / 100.0;
    if (factor == 1.0) {
        std::memmove(out, in, count);
    } else if (format.wBitsPerSample == 8) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const double scaled = (in[i] - 128) * factor + 128;
            out[i] = static_cast<unsigned char>(std::clamp(static_cast<int>(scaled), 0, 255));
        }
    } else {
        for (std::uint32_t i = 0; i + 1 < count; i += 2) {
            const auto sample = static_cast<std::int16_t>(in[i] | (in[i + 1] << 8));
            const int scaled = std::clamp(static_cast<int>(sample * factor), -32768, 32767);
            out[i] = static_cast<unsigned char>(scaled & 0xFF);
            out[i + 1] = static_cast<unsigned char>((scaled >> 8) & 0xFF);
        }
    }
    return true;
}

} // namespace vx
