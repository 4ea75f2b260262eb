#include "modules/EspeakModule.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Lock.h"
#include "platform/Log.h"
#include "platform/Utf.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>

namespace vx {
namespace {

// The library's numbers.
constexpr int kSynchronousOutput = 2;
constexpr int kBufferMilliseconds = 300;
constexpr int kRateParameter = 1, kVolumeParameter = 2, kPitchParameter = 3;
constexpr int kCharacterPositions = 1;
constexpr unsigned kWideCharacters = 3;
constexpr std::uint32_t kSampleRate = 22050;

// The library holds one synthesizer per process: synthesis is serialized across every instance,
// and its callback finds the instance that speaks through currentEspeakModule. The synthesizer
// is started once and never terminated: eSpeak NG 1.51 does not return from espeak_Terminate
// after a second espeak_Initialize, nor from a third espeak_Terminate after starting again (it
// joins a thread that never ends), which would stall the host whenever a voice is unloaded.
// Its library therefore stays loaded for the life of the process, with the thread inside it.
platform::Lock espeakLock;
// Read by Stop without the lock, which its caller may hold (a stop asked inside the callback).
std::atomic<EspeakModule*> currentEspeakModule = nullptr;
std::int32_t espeakSampleRate = 0;    // > 0 once the synthesizer has started
std::u16string espeakVoice;           // the voice the synthesizer was given last
// The started synthesizer's library, opened once more and never closed: it lives in static
// storage and is never destroyed, so that nothing at exit unloads it under the thread (and it is
// no heap block that a leak check counts as lost).
alignas(platform::DynamicLibrary) unsigned char espeakLibrary[sizeof(platform::DynamicLibrary)];

} // namespace

// The library's event record (espeak_EVENT), one of the list that comes with each block.
struct EspeakModule::Event {
    int type; // 0 ends the list, 1 is a word
    unsigned uniqueIdentifier;
    int textPosition; // of the word, from 1, in characters of the portion
    int length;
    int audioPosition; // milliseconds from the start of the portion's sound
    int sample;
    void* userData;
    union {
        int number;
        const char* name;
        char string[8];
    } id;
};

struct EspeakModule::Api {
    using SynthCallback = int(short*, int, void*);
    int (*initialize)(int output, int bufferLength, const char* path, int options) = nullptr;
    int (*setVoiceByName)(const char* name) = nullptr;
    void (*setSynthCallback)(SynthCallback* callback) = nullptr;
    int (*setParameter)(int parameter, int value, int relative) = nullptr;
    int (*synth)(const void* text, std::size_t size, unsigned position, int positionType, unsigned endPosition,
                 unsigned flags, unsigned* identifier, void* userData) = nullptr;
    int (*cancel)() = nullptr;

    explicit Api(const platform::DynamicLibrary& library) {
        library.find("espeak_Initialize", initialize);
        library.find("espeak_SetVoiceByName", setVoiceByName);
        library.find("espeak_SetSynthCallback", setSynthCallback);
        library.find("espeak_SetParameter", setParameter);
        library.find("espeak_Synth", synth);
        library.find("espeak_Cancel", cancel);
    }

};

EspeakModule::EspeakModule() {
    SetPcmFormat(&nativeFormat_, kSampleRate, 1, 16);
    outputFormat_ = nativeFormat_;
}

EspeakModule::~EspeakModule() = default;

bool EspeakModule::Load() {
    if (!SpeechModule::Load()) {
        return false;
    }
    if (!api_) {
        api_ = std::make_unique<Api>(library());
    }
    if (initResult_ == 0 && api_->initialize) {
        const std::lock_guard guard(espeakLock);
        initResult_ = startSynthesizer();
    }
    return initResult_ > 0;
}

std::int32_t EspeakModule::startSynthesizer() const {
    if (espeakSampleRate <= 0) {
        // The library opens its data with fopen: the folder's name as the C library takes it.
        const std::string folder = platform::narrowPath(path);
        if (folder.empty()) {
            Log::Write(u"* eSpeak NG cannot be given the folder %s: the system has no narrow name for it", path);
            return 0;
        }
        espeakSampleRate = api_->initialize(kSynchronousOutput, kBufferMilliseconds, folder.c_str(), 0);
        if (espeakSampleRate > 0) {
            (new (espeakLibrary) platform::DynamicLibrary)->open(platform::joinPath(path, module));
        }
    }
    if (espeakSampleRate > 0 && api_->setSynthCallback) {
        api_->setSynthCallback(&EspeakModule::onSynth);
    }
    return espeakSampleRate;
}

// Each instance speaks its own voice, whichever instance spoke before it.
void EspeakModule::selectVoice() const {
    if (api_->setVoiceByName && espeakVoice != subname && api_->setVoiceByName(ToUtf8(subname).c_str()) == 0) {
        espeakVoice = subname;
    }
}

bool EspeakModule::Speak(const TextPortion& text) {
    if (!isLoaded() && !Load()) {
        return false;
    }
    if (!api_ || !api_->synth || initResult_ <= 0) {
        return false;
    }
    // The form the library's "wide characters" flag reads on this platform; the size it is told
    // stays the portion's length with its terminating NUL.
    const std::wstring wide = toWideChars(text);
    const std::lock_guard guard(espeakLock);
    selectVoice();
    if (api_->setParameter) {
        api_->setParameter(kRateParameter, static_cast<int>(rate * 2.5), 0);
        api_->setParameter(kVolumeParameter, volume, 0);
        api_->setParameter(kPitchParameter, pitch, 0);
    }
    openPortionStream();
    samplesSpoken_ = 0;
    currentEspeakModule = this;
    const int result = api_->synth(wide.c_str(), text.size() + 1, 0, kCharacterPositions, 0, kWideCharacters,
                                   &synthesisId_, this);
    currentEspeakModule = nullptr;
    const bool converted = closePortionStream();
    return result == 0 && converted;
}

// Another instance's synthesis is no business of this one's: the library's cancel, from another
// thread, would reset the parameters it is synthesizing with.
bool EspeakModule::Stop() {
    if (!api_ || !api_->cancel) {
        return false;
    }
    if (currentEspeakModule == this) {
        api_->cancel();
    }
    return true;
}

bool EspeakModule::SetConversion(const std::u16string& value) {
    conversion = conversionModeOf(value);
    if (conversion != ConversionMode::Convert) {
        SetPcmFormat(&nativeFormat_, kSampleRate, 1, 16);
        outputFormat_ = nativeFormat_;
    }
    return true;
}

int EspeakModule::onSynth(short* samples, int sampleCount, void* events) {
    EspeakModule* const module = currentEspeakModule;
    if (sampleCount <= 0 || !module || !module->sink()) {
        return 1;
    }
    if (module->wordMarksWanted()) {
        return module->deliverMarkingWords(samples, sampleCount, static_cast<const Event*>(events)) != 0 ? 1 : 0;
    }
    // The library's event list goes to the engine as the block's mark: its first event begins
    // with three 32-bit words (type, message identifier, text position), read as a sentence mark;
    // a word event (type 1) raises one. The list always holds at least its terminating event.
    return module->deliver(samples, sampleCount, static_cast<const SentenceMark*>(events)) != 0 ? 1 : 0;
}

std::int32_t EspeakModule::deliverMarkingWords(const short* samples, int sampleCount, const Event* events) {
    constexpr int kListEnd = 0, kWord = 1;
    const std::uint64_t blockStart = samplesSpoken_;
    samplesSpoken_ += static_cast<std::uint64_t>(sampleCount);
    int passed = 0; // samples of the block handed on
    for (const Event* event = events; event && event->type != kListEnd; ++event) {
        if (event->type != kWord) {
            continue;
        }
        const auto sample = static_cast<std::int64_t>(event->audioPosition) * kSampleRate / 1000 -
                            static_cast<std::int64_t>(blockStart);
        const int at = static_cast<int>(std::clamp<std::int64_t>(sample, passed, sampleCount));
        if (at > passed) {
            if (const std::int32_t result = deliver(samples + passed, at - passed, nullptr); result != 0) {
                return result;
            }
            passed = at;
        }
        const SentenceMark mark{SentenceMark::kWord, 0, static_cast<std::uint32_t>(std::max(event->textPosition - 1, 0))};
        if (const std::int32_t result = sink()->OnAudio(nullptr, 0, &mark); result != 0) {
            return result;
        }
    }
    return passed < sampleCount ? deliver(samples + passed, sampleCount - passed, nullptr) : 0;
}

std::int32_t EspeakModule::deliver(const short* samples, int sampleCount, const SentenceMark* mark) {
    const auto bytes = static_cast<std::uint32_t>(sampleCount) * 2;
    switch (conversion) {
    case ConversionMode::None:
    case ConversionMode::Internal:
        return sink()->OnAudio(samples, bytes, mark);
    case ConversionMode::Convert:
        return writeConverted(reinterpret_cast<const unsigned char*>(samples), bytes, mark);
    }
    return 1;
}

} // namespace vx
