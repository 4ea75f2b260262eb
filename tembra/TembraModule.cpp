#include "tembra/TembraModule.h"

#include "config/TextUtil.h"
#include "modules/AudioBlocks.h"
#include "platform/AudioConversion.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "tembra/NaturalWriter.h"
#include "tembra/VowelGrades.h"

#include <algorithm>
#include <mutex>

namespace vx {
namespace {

constexpr std::uint32_t kSampleRate = 22050;
constexpr std::size_t kReservedBytes = 102400;

// The format of the synthesized samples, whatever the configured output.
WAVEFORMATEX synthesisFormat() {
    WAVEFORMATEX format{};
    SetPcmFormat(&format, kSampleRate, 1, 8);
    return format;
}

} // namespace

TembraModule::TembraModule() {
    SetPcmFormat(&nativeFormat_, kSampleRate, 1, 8);
    outputFormat_ = nativeFormat_;
    wordPause = BoundedValue::make(800, 200, 2000);
    phonemePause = BoundedValue::make(100, 50, 1000);
    rate = 50;
    sonicFrequency = static_cast<std::int32_t>(kSampleRate);
    sonicEnabled = 1;
}

bool TembraModule::Speak(const TextPortion& text) {
    aborted_ = false;
    if (!loaded_) {
        Load();
    }
    std::lock_guard guard(lock_);
    pcm_.clear();
    words_.clear();
    try {
        synthesize(text);
    } catch (const std::bad_alloc&) {
        // Out of memory: what was synthesized so far is still spoken.
    }
    bool streamed = true;
    try {
        streamed = stream();
    } catch (const std::bad_alloc&) {
        // The rest of the portion is lost; the next one starts afresh.
    }
    if (tempoFilter) {
        tempoFilter->Drain();
    }
    pcm_.clear();
    return streamed;
}

void TembraModule::synthesize(const TextPortion& text) {
    const tembra::SynthesisSettings settings{wordPause.value, phonemePause.value, adjustDuration_};
    std::vector<tembra::WordStart>* words = wordMarksWanted() ? &words_ : nullptr;
    if (!shaper_) {
        tembra::synthesize(text, settings, unitLengths_, aborted_, pcm_, words);
        return;
    }
    const std::vector<tembra::VowelGrade> grades = tembra::gradeVowels(text, stress_);
    tembra::NaturalWriter writer(text, grades, settings, pitch, *shaper_);
    tembra::speakLetters(text, settings, grades, aborted_, writer);
    writer.render(pcm_, words);
}

bool TembraModule::Stop() {
    aborted_ = true;
    return true;
}

bool TembraModule::ReadSetting(const std::u16string& key, const std::u16string& value) {
    if (key == u"adjust_duration") {
        adjustDuration_ = value == u"yes";
        return true;
    }
    if (key == u"prosody") {
        natural_ = value == u"natural";
        return true;
    }
    if (key == u"stress") {
        stressFiles_ = value;
        return true;
    }
    return SpeechModule::ReadSetting(key, value);
}

bool TembraModule::Load() {
    if (loaded_) {
        return true;
    }
    SpeechModule::Load();
    pcm_.reserve(kReservedBytes);
    unitLengths_ = tembra::unitLengthsOf(tembra::kUnits);
    if (natural_) {
        shaper_ = std::make_unique<tembra::PeriodShaper>();
        loadStress();
    }
    loaded_ = true;
    return true;
}

void TembraModule::loadStress() {
    std::vector<std::u16string> names;
    TextUtil::split(stressFiles_, u",", names, 0, false);
    for (const std::u16string& name : names) {
        const std::u16string file = TextUtil::trim(name);
        if (!file.empty() && !stress_.load(platform::joinPath(dataFolder, file))) {
            Log::Write(u"* the built-in voice cannot read its stress file %s",
                       platform::joinPath(dataFolder, file));
        }
    }
}

bool TembraModule::SetConversion(const std::u16string& value) {
    if (value == u"vxtts") {
        conversion = ConversionMode::Internal;
        SetPcmFormat(&nativeFormat_, kSampleRate, 1, 16);
        outputFormat_ = nativeFormat_;
    } else if (value == u"acm") {
        conversion = ConversionMode::Convert;
    } else {
        conversion = ConversionMode::None;
        SetPcmFormat(&nativeFormat_, kSampleRate, 1, 8);
        outputFormat_ = nativeFormat_;
    }
    return true;
}

bool TembraModule::stream() {
    // At rate 50 the filter's speed is exactly 1 and sonic hands 8-bit samples back unchanged:
    // skipping it gives the same bytes for a fraction of the work. The filter is empty between
    // portions (drained after each), so nothing is left behind in it. Without a filter (sonic
    // could not make a stream) the voice speaks at its own speed rather than not at all.
    const bool filtered = tempoFilter && rate != 50;
    // One conversion stream for the whole portion: converting each chunk on its own would
    // restart the resampler at every join, which is heard as a tick.
    if (conversion == ConversionMode::Convert) {
        converter_ = openOutputConversion(synthesisFormat());
        if (!converter_) {
            return false;
        }
    }
    // A chunk ends where a word begins, so that the word's mark goes just before its sound.
    bool ended = false;
    std::size_t nextWord = 0;
    for (std::size_t offset = 0; offset < pcm_.size() && !ended && !aborted_;) {
        ended = markWords(offset, nextWord);
        std::size_t end = std::min(offset + kChunkBytes, pcm_.size());
        if (nextWord < words_.size()) {
            end = std::min(end, std::max(words_[nextWord].byte, offset + 1));
        }
        ended = ended || writeChunk(pcm_.data() + offset, static_cast<std::uint32_t>(end - offset), end == pcm_.size(),
                                    filtered) != 0;
        offset = end;
    }
    if (!ended && !aborted_) {
        markWords(pcm_.size(), nextWord); // words without sound
    }
    if (converter_ && !ended && !aborted_ && converter_->finish(converted_) && !converted_.empty()) {
        sink()->OnAudio(converted_.data(), static_cast<std::uint32_t>(converted_.size()), nullptr);
    }
    converter_.reset();
    return true;
}

bool TembraModule::markWords(std::size_t byte, std::size_t& next) {
    for (; next < words_.size() && words_[next].byte <= byte; ++next) {
        const SentenceMark mark{SentenceMark::kWord, 0, words_[next].offset};
        if (!sink() || sink()->OnAudio(nullptr, 0, &mark) != 0) {
            return true;
        }
    }
    return false;
}

std::int32_t TembraModule::writeChunk(const unsigned char* data, std::uint32_t count, bool last, bool filtered) {
    if (count == 0 || aborted_ || !sink()) {
        return 1;
    }
    const unsigned char* samples = data;
    std::uint32_t size = count;
    if (filtered) {
        tempoFilter->SetTempoGain(tempoGain);
        tempoFilter->SetSpeedFromRate(rate);
        tempoFilter->SetQuality(sonicQuality);
        filtered_.clear();
        // The last chunk flushes the filter, also when it is a full one: what the filter still
        // holds is the end of the portion.
        size = tempoFilter->Process(data, count, filtered_, last);
        samples = filtered_.data();
    }
    if (size == 0) {
        return 0;
    }
    if (volume != 100) {
        scaled_.resize(size);
        ApplyVolume(samples, scaled_.data(), size, synthesisFormat());
        samples = scaled_.data();
    }
    switch (conversion) {
    case ConversionMode::Internal:
        widened_.resize(size);
        WidenTo16(samples, widened_.data(), size);
        return sink()->OnAudio(widened_.data(), 2 * size, nullptr);
    case ConversionMode::Convert:
        if (!converter_ || !converter_->convert(samples, size, converted_) || converted_.empty()) {
            return 0;
        }
        return sink()->OnAudio(converted_.data(), static_cast<std::uint32_t>(converted_.size()), nullptr);
    case ConversionMode::None:
        break;
    }
    return sink()->OnAudio(samples, size, nullptr);
}

} // namespace vx
