#include "modules/NewfonModule.h"

#include "config/TextUtil.h"
#include "modules/AudioBlocks.h"
#include "platform/CharClass.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Event.h"
#include "platform/Files.h"
#include "platform/Lock.h"
#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>

namespace vx {
namespace {

constexpr std::uint32_t kNativeRate = 10000;
// 10000 Hz to 22050 Hz: one sample inserted after every sample, and one more after every 6th,
// 30th and 160th.
constexpr std::array<std::int32_t, 4> kInsertionDivisors{1, 6, 30, 160};
constexpr std::uint32_t kPollMilliseconds = 200;
constexpr std::uint32_t kCallbackExitMilliseconds = 100;
constexpr std::uint32_t kDestroyWaitMilliseconds = 10000;

// One engine per process. newfonLock serializes whole portions across every instance; the
// callback, which takes no lock, finds the speaking instance through currentNewfonModule and
// tells Speak how far it got through the three events.
platform::Lock newfonLock;
std::atomic<NewfonModule*> currentNewfonModule{nullptr};
std::int32_t newfonInitCount = 0;
std::int32_t newfonTextIndex = 0;
platform::Event callbackStarted;  // set by every block
platform::Event callbackFinished; // set by the last block, a block told to stop, or a start time-out
platform::Event writingAudio;     // set while a block is with the sink

bool isWordBreak(char16_t c) { return c == u' ' || c == u'\0'; }

} // namespace

std::u16string JoinSingleLetterWords(std::u16string_view text, std::u16string_view prepositions,
                                     std::u16string_view postpositions) {
    if (text.size() < 3 || (prepositions.empty() && postpositions.empty())) {
        return std::u16string(text);
    }
    enum State { InWord, AfterSpace, OneLetter, AfterOneLetter } state = InWord;
    char16_t pending = 0;
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (!isWordBreak(c)) {
            out += c;
            const bool joinable = prepositions.find(c) != std::u16string_view::npos ||
                                  postpositions.find(c) != std::u16string_view::npos;
            state = state == AfterSpace && joinable ? OneLetter : InWord;
            pending = state == OneLetter ? c : 0;
        } else if (state == InWord) {
            out += u' ';
            state = AfterSpace;
        } else if (state == OneLetter) {
            // The space after the letter is dropped: a preposition now sticks to the next word;
            // a postposition changes places with the space before it, sticking to the last one.
            if (prepositions.find(pending) == std::u16string_view::npos) {
                std::swap(out[out.size() - 1], out[out.size() - 2]);
            }
            state = AfterOneLetter;
            pending = 0;
        }
    }
    return out;
}

struct NewfonModule::Api {
    newfon::Initialize* initialize = nullptr;
    newfon::Terminate* terminate = nullptr;
    newfon::SetValue* setVoice = nullptr;
    newfon::SetCallback* setCallback = nullptr;
    newfon::SetValue* setVolume = nullptr;
    newfon::SetValue* setRate = nullptr;
    newfon::SetValue* setAccel = nullptr;
    newfon::SetValue* setDictionary = nullptr;
    newfon::SpeakText* speakText = nullptr;
    newfon::Cancel* cancel = nullptr;
    newfon::SetValue* setPitchMin = nullptr;
    newfon::SetValue* setPitchMax = nullptr;

    explicit Api(const platform::DynamicLibrary& library) {
        library.find("initialize", initialize);
        library.find("terminate", terminate);
        library.find("set_voice", setVoice);
        library.find("set_callback", setCallback);
        library.find("set_volume", setVolume);
        library.find("set_rate", setRate);
        library.find("set_accel", setAccel);
        library.find("set_dictionary", setDictionary);
        library.find("speakText", speakText);
        library.find("cancel", cancel);
        library.find("set_pitch_min", setPitchMin);
        library.find("set_pitch_max", setPitchMax);
    }

};

NewfonModule::NewfonModule() {
    SetPcmFormat(&nativeFormat_, kNativeRate, 1, 8);
    outputFormat_ = nativeFormat_;
    sonicFrequency = kNativeRate; // the tempo filter works on the engine's audio
}

NewfonModule::~NewfonModule() {
    if (!isLoaded()) {
        return;
    }
    // A text that stalled may still be delivering: the engine is told to end it.
    if (api_->cancel) {
        api_->cancel();
    }
    if (callbackStarted.isSet()) {
        callbackFinished.wait(kDestroyWaitMilliseconds);
    }
    // Only an instance that counted an initialisation may end the engine for the others.
    const std::lock_guard guard(newfonLock);
    if (initialised_ && --newfonInitCount == 0 && api_->terminate) {
        api_->terminate();
    }
}

bool NewfonModule::ReadSetting(const std::u16string& key, const std::u16string& value) {
    if (key == u"internal_dict") {
        internalDictionary_ = value == u"no" ? 0 : 1;
    } else if (key == u"start_callback_timeout") {
        startTimeout_ = std::max(TextUtil::toInt(value), 0);
    } else if (key == u"after_callback_timeout") {
        afterTimeout_ = std::max(TextUtil::toInt(value), 0);
    } else if (key == u"preposition") {
        prepositions_ = value;
    } else if (key == u"postposition") {
        postpositions_ = value;
    } else if (key == u"acceleration") {
        acceleration_ = std::clamp(TextUtil::toInt(value), 0, 5);
    } else if (key == u"sonic") {
        sonicEnabled = value == u"yes" ? 1 : 0;
    } else {
        return SpeechModule::ReadSetting(key, value);
    }
    return true;
}

bool NewfonModule::Load() {
    // By full path: each library finds its own dependencies in its folder, and the process's
    // current folder, shared with the host's other threads, is left alone.
    dictionary_.open(platform::joinPath(path, std::u16string(u"dict") + platform::kLibrarySuffix));
    driver_.open(platform::joinPath(path, std::u16string(u"sdrvxpdb") + platform::kLibrarySuffix));
    if (!dictionary_.isOpen() || !driver_.isOpen() || !SpeechModule::Load()) {
        return false;
    }
    api_ = std::make_unique<Api>(library());
    if (!api_->initialize || (newfonInitCount == 0 && api_->initialize() <= 0)) {
        return false;
    }
    ++newfonInitCount;
    initialised_ = true;
    if (!api_->setCallback) {
        return false;
    }
    api_->setCallback(&NewfonModule::onBlock);
    voiceIndex_ = TextUtil::toInt(subname) - 1;
    if (voiceIndex_ < 0 || voiceIndex_ > 3) {
        voiceIndex_ = 0;
    }
    ready_ = true;
    return true;
}

void NewfonModule::SetPitch(std::int32_t value) { pitch = std::clamp(value, 1, 100); }

bool NewfonModule::SetConversion(const std::u16string& value) {
    conversion = conversionModeOf(value);
    if (conversion == ConversionMode::Internal) {
        SetPcmFormat(&nativeFormat_, 22050, 1, 16);
    } else if (conversion == ConversionMode::None) {
        SetPcmFormat(&nativeFormat_, kNativeRate, 1, 8);
    }
    if (conversion != ConversionMode::Convert) {
        outputFormat_ = nativeFormat_;
    }
    return true;
}

// Another instance's text is no business of this one's: the engine's cancel would end it.
bool NewfonModule::Stop() {
    if (api_ && api_->cancel && currentNewfonModule == this) {
        api_->cancel();
    }
    return true;
}

// With the tempo filter on, the engine speaks at its normal rate and the filter sets the tempo.
void NewfonModule::sendSettings() const {
    const auto send = [](newfon::SetValue* function, std::int32_t value) {
        if (function) {
            function(value);
        }
    };
    send(api_->setAccel, acceleration_);
    send(api_->setRate, usesTempoFilter() ? 100 : rate);
    send(api_->setVolume, volume);
    send(api_->setPitchMax, 100);
    send(api_->setPitchMin, pitch);
    send(api_->setVoice, voiceIndex_);
    send(api_->setDictionary, internalDictionary_);
}

bool NewfonModule::Speak(const TextPortion& text) {
    const std::u16string prepared = TextUtil::trim(JoinSingleLetterWords(text, prepositions_, postpositions_));
    if (std::none_of(prepared.begin(), prepared.end(), isLetter)) {
        return true;
    }
    const std::lock_guard guard(newfonLock);
    if ((!isLoaded() && !Load()) || !ready_ || !api_->speakText) {
        Log::Write(u"* Can't load newfon");
        return false;
    }
    currentNewfonModule = this;
    sendSettings();
    callbackStarted.reset();
    callbackFinished.reset();
    // The engine's silence is measured from the moment it has the text, not from the last block
    // of an earlier portion.
    lastCallbackTime_ = platform::tickCount();
    openPortionStream();
    api_->speakText(ToMultiByte(prepared, 0).c_str(), newfonTextIndex++);
    const bool began = waitForLastBlock();
    callbackStarted.reset();
    callbackFinished.reset();
    // Time for the engine to leave its callback before the next portion resets the events.
    platform::sleepMilliseconds(kCallbackExitMilliseconds);
    const bool converted = closePortionStream();
    currentNewfonModule = nullptr;
    return began && converted;
}

bool NewfonModule::waitForLastBlock() {
    if (!callbackStarted.wait(static_cast<std::uint32_t>(startTimeout_))) {
        Log::Write(u"* NF: %p: The callback start time is exceeded .", this);
        Stop();
        callbackFinished.set();
    }
    if (!callbackStarted.isSet()) {
        return false;
    }
    while (!callbackFinished.wait(kPollMilliseconds)) {
        // A sink that takes long over a block (SAPI may block in its write) is not a stall.
        if (platform::tickCount() - lastCallbackTime_ <= static_cast<std::uint32_t>(afterTimeout_) ||
            writingAudio.isSet()) {
            continue;
        }
        Log::Write(u"* NF: %p: The waiting time is exceeded.", this);
        Stop();
        break;
    }
    return true;
}

std::int32_t NewfonModule::onBlock(std::int32_t, const unsigned char* samples, std::int32_t count) {
    callbackStarted.set();
    NewfonModule* const module = currentNewfonModule;
    std::int32_t result = 1;
    if (count > 0 && samples && module) {
        result = module->deliver(samples, count) != 0 ? 1 : 0;
    }
    if (module) {
        if (result == 1 && module->usesTempoFilter()) {
            module->tempoFilter->Drain();
        }
        module->lastCallbackTime_ = platform::tickCount();
    }
    if (count < newfon::kBlockSamples || result == 1) {
        callbackFinished.set();
    }
    return result;
}

// A block shorter than a full one is the last of the text: the tempo filter gives back all it
// holds. When the filter keeps the whole block back, nothing is written and the engine is told
// to stop.
std::int32_t NewfonModule::deliver(const unsigned char* samples, std::int32_t count) {
    const unsigned char* block = samples;
    auto size = static_cast<std::uint32_t>(count);
    if (usesTempoFilter()) {
        try {
            tempoFilter->SetSpeedFromRate(rate);
            tempoFilter->SetQuality(sonicQuality);
            filtered_.clear();
            size = tempoFilter->Process(samples, size, filtered_, count != newfon::kBlockSamples);
            block = filtered_.data();
        } catch (const std::bad_alloc&) {
            Log::Write(u"catch sonic");
            block = samples;
            size = static_cast<std::uint32_t>(count);
        }
    }
    if (size == 0) {
        return 1;
    }
    writingAudio.set();
    const std::int32_t result = write(block, size);
    writingAudio.reset();
    return result;
}

// The engine's marker goes nowhere: it is the engine's own number, not a sentence mark the
// engine object could read.
std::int32_t NewfonModule::write(const unsigned char* block, std::uint32_t size) {
    if (!sink()) {
        return 1;
    }
    switch (conversion) {
    case ConversionMode::None:
        return sink()->OnAudio(block, size, nullptr);
    case ConversionMode::Internal: {
        widened_.resize(size);
        WidenTo16(block, widened_.data(), size);
        const std::uint32_t widenedBytes = size * 2;
        resampled_.assign(ResampleByInsertion(nullptr, nullptr, widenedBytes, kInsertionDivisors) / 2, 0);
        const std::uint32_t written = ResampleByInsertion(widened_.data(), resampled_.data(), widenedBytes, kInsertionDivisors);
        return sink()->OnAudio(resampled_.data(), written, nullptr);
    }
    case ConversionMode::Convert:
        return writeConverted(block, size, nullptr);
    }
    return 1;
}

} // namespace vx
