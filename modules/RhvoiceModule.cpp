#include "modules/RhvoiceModule.h"

#include "modules/AudioBlocks.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Lock.h"

#include <array>
#include <atomic>
#include <mutex>

namespace vx {
namespace {

constexpr std::uint32_t kNativeRate = 16000;
constexpr std::int32_t kBlockSamples = 800;
// 16000 Hz to 22050 Hz: one sample inserted after every 3rd, 25th and 140th.
constexpr std::array<std::int32_t, 3> kInsertionDivisors{3, 25, 140};

// The library's callback finds the instance that speaks through currentRhvoiceModule, so
// synthesis is serialized across every instance.
platform::Lock rhvoiceLock;
std::atomic<RhvoiceModule*> currentRhvoiceModule{nullptr};

} // namespace

struct RhvoiceModule::Api {
    rhvoice::CreateVoice* createVoice = nullptr;
    rhvoice::DeleteVoice* deleteVoice = nullptr;
    rhvoice::SynthText* synthText = nullptr;
    rhvoice::LoadUserDictionary* loadUserDictionary = nullptr;
    rhvoice::FeatSetFloat* featSetFloat = nullptr;
    rhvoice::FeatSet* featSet = nullptr;
    rhvoice::FeatSetInt* featSetInt = nullptr;
    rhvoice::NewStreamingInfo* newStreamingInfo = nullptr;
    rhvoice::StreamingInfoValue* streamingInfoValue = nullptr;

    explicit Api(const platform::DynamicLibrary& library) {
        library.find("RHVoice_create_voice", createVoice);
        library.find("RHVoice_delete_voice", deleteVoice);
        library.find("RHVoice_synth_text", synthText);
        library.find("RHVoice_load_user_dict", loadUserDictionary);
        library.find("feat_set_float", featSetFloat);
        library.find("feat_set", featSet);
        library.find("feat_set_int", featSetInt);
        library.find("new_audio_streaming_info", newStreamingInfo);
        library.find("audio_streaming_info_val", streamingInfoValue);
    }

};

RhvoiceModule::RhvoiceModule() {
    SetPcmFormat(&nativeFormat_, kNativeRate, 1, 16);
    outputFormat_ = nativeFormat_;
}

RhvoiceModule::~RhvoiceModule() {
    if (voice_ && api_->deleteVoice) {
        api_->deleteVoice(voice_);
    }
}

bool RhvoiceModule::ReadSetting(const std::u16string& key, const std::u16string& value) {
    if (key == u"pseudo_english") {
        pseudoEnglish_ = value != u"no";
    } else if (key == u"user_dict") {
        userDictionary = value;
    } else {
        return SpeechModule::ReadSetting(key, value);
    }
    return true;
}

bool RhvoiceModule::Load() {
    if (!SpeechModule::Load()) {
        return false;
    }
    api_ = std::make_unique<Api>(library());
    if (api_->createVoice && !voice_) {
        const std::u16string folder = platform::joinPath(platform::joinPath(path, u"RHVoice-data"), u"voice");
        voice_ = api_->createVoice(ToUtf8(folder).c_str());
    }
    if (voice_) {
        loadUserDictionary();
        attachStreamingCallback();
    }
    return voice_ != nullptr;
}

// A name without a folder is a file in the module's folder.
void RhvoiceModule::loadUserDictionary() const {
    if (!api_->loadUserDictionary || userDictionary.empty()) {
        return;
    }
    const bool hasFolder = userDictionary.find(platform::kPathSeparator) != std::u16string::npos;
    const std::u16string file = hasFolder ? userDictionary : platform::joinPath(path, userDictionary);
    api_->loadUserDictionary(voice_, ToUtf8(file).c_str());
}

// Without streaming information the library has nowhere to send the audio: the voice then
// speaks silence, as the library itself would.
void RhvoiceModule::attachStreamingCallback() {
    if (!api_->newStreamingInfo || streamingInfo_) {
        return;
    }
    streamingInfo_ = api_->newStreamingInfo();
    if (!streamingInfo_) {
        return;
    }
    streamingInfo_->minimumBufferSize = kBlockSamples;
    streamingInfo_->callback = &RhvoiceModule::onBlock;
    streamingInfo_->userData = nullptr;
    if (api_->featSet && api_->streamingInfoValue) {
        api_->featSet(voice_->features, "streaming_info", api_->streamingInfoValue(streamingInfo_));
    }
}

void RhvoiceModule::SetVolume(std::int32_t value) {
    if (value >= 0 && value <= 100) {
        volume = value;
    }
}

bool RhvoiceModule::SetConversion(const std::u16string& value) {
    conversion = conversionModeOf(value);
    if (conversion != ConversionMode::Convert) {
        SetPcmFormat(&nativeFormat_, conversion == ConversionMode::Internal ? 22050 : kNativeRate, 1, 16);
        outputFormat_ = nativeFormat_;
    }
    return true;
}

// 50 is the library's normal for each: rate 0..100 stretches durations 1.9..0.1, pitch moves
// the fundamental 0.5..1.5 times, volume scales 0.1..1.9 times.
void RhvoiceModule::setFeatures() const {
    void* const features = voice_->features;
    if (api_->featSetFloat) {
        api_->featSetFloat(features, "f0_shift", static_cast<float>(pitch * 1.0 / 100.0 + 0.5));
        api_->featSetFloat(features, "duration_stretch", static_cast<float>((1.0 - rate / 100.0) * 1.8 + 0.1));
        api_->featSetFloat(features, "volume", static_cast<float>(volume * 1.8 / 100.0 + 0.1));
    }
    if (api_->featSetInt) {
        api_->featSetInt(features, "pseudo_english", pseudoEnglish_ ? 1 : 0);
    }
}

bool RhvoiceModule::Speak(const TextPortion& text) {
    stopped_ = false;
    if (!isLoaded() && !Load()) {
        return false;
    }
    if (!api_->synthText || !voice_) {
        return false;
    }
    const std::string utf8 = ToUtf8(text);
    const std::lock_guard guard(rhvoiceLock);
    currentRhvoiceModule = this;
    setFeatures();
    openPortionStream();
    api_->synthText(utf8.c_str(), voice_);
    const bool converted = closePortionStream();
    currentRhvoiceModule = nullptr;
    return converted;
}

bool RhvoiceModule::Stop() {
    stopped_ = true;
    return true;
}

std::int32_t RhvoiceModule::onBlock(rhvoice::Wave* wave, std::int32_t first, std::int32_t count, std::int32_t,
                                    rhvoice::StreamingInfo*) {
    RhvoiceModule* const module = currentRhvoiceModule;
    if (count <= 0 || first < 0 || !wave || !wave->samples || !module || module->stopped_ || !module->sink()) {
        return -1;
    }
    return module->deliver(wave->samples + first, count) != 0 ? -1 : 0;
}

// The blocks go to the engine without a mark: the library's streaming record is not a sentence
// mark, and reading it as one could only ever find "no sentence" (its first field is the block
// size the module wrote).
std::int32_t RhvoiceModule::deliver(const std::int16_t* samples, std::int32_t count) {
    const auto bytes = static_cast<std::uint32_t>(count) * 2;
    switch (conversion) {
    case ConversionMode::None:
        return sink()->OnAudio(samples, bytes, nullptr);
    case ConversionMode::Internal: {
        widened_.assign(ResampleByInsertion(nullptr, nullptr, bytes, kInsertionDivisors) / 2, 0);
        const std::uint32_t written = ResampleByInsertion(samples, widened_.data(), bytes, kInsertionDivisors);
        return sink()->OnAudio(widened_.data(), written, nullptr);
    }
    case ConversionMode::Convert:
        return writeConverted(reinterpret_cast<const unsigned char*>(samples), bytes, nullptr);
    }
    return 1;
}

} // namespace vx
