#pragma once
// The base of every synthesis back-end: the built-in synthesizer, the modules that drive engine
// libraries and the online modules. It holds the settings common to all of them, the speaking
// parameters, the output and native formats, the optional tempo filter and the loaded library.

#include "modules/BoundedValue.h"
#include "modules/EngineSink.h"
#include "modules/TempoPitchFilter.h"
#include "platform/AudioConversion.h"
#include "platform/DynamicLibrary.h"
#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vx {

// Normalized text handed to a module's Speak.
using TextPortion = std::u16string;

// How a module turns its engine's audio into the output format.
enum class ConversionMode : std::int32_t {
    None = 0,     // the output format is the engine's format
    Internal = 1, // 22050 Hz 16-bit mono by the module's own converters
    Convert = 2,  // any output format, the blocks of a portion through one AudioConverter
};

// The settings of engines.conf shared by all modules, with their defaults.
struct ModuleSettings {
    std::u16string subname;                 // "subname": engine-specific voice selector
    std::u16string path;                    // "path": folder of the engine library and its data
    std::u16string dataFolder;              // where engines.conf was read: files its settings name
    std::u16string module;                  // "module": engine library file name; empty = none
    std::u16string userDictionary;          // "user_dict"
    std::int32_t volume = 100;              // 0..100
    std::int32_t rate = 100;                // 0..100, 50 normal, never above speedLimit
    std::int32_t speedLimit = 100;          // "speed_limit"
    std::int32_t pitch = 50;                // 0..100, 50 normal
    BoundedValue wordPause;                 // "word_pause", in the module's own unit
    BoundedValue phonemePause;              // "phoneme_pause"
    ConversionMode conversion = ConversionMode::None;
    std::int32_t sonicFrequency = 22050;    // "sonic.freq"
    std::int32_t sonicQuality = 1;          // "sonic.quality"
    float tempoGain = 0.8F;                 // "sonic.tempo_gain", percent / 100
    std::unique_ptr<TempoPitchFilter> tempoFilter; // made by Load when sonicEnabled
    std::int32_t sonicEnabled = 0;          // 1: audio passes through the tempo filter
    std::u16string contentType = u"audio/x-wav"; // "content_type": what an online service sends
};

// Fills format with PCM of the given rate, channels and bits; false when format is null.
bool SetPcmFormat(WAVEFORMATEX* format, std::uint32_t samplesPerSecond, std::uint16_t channels,
                  std::uint16_t bitsPerSample);

class SpeechModule : protected ModuleSettings {
public:
    SpeechModule(const SpeechModule&) = delete;
    SpeechModule& operator=(const SpeechModule&) = delete;

    // Speaks one portion: all its audio reaches the sink, in the output format, before this
    // returns. Loads the module first when needed. False only when the module cannot be used.
    // Never throws.
    virtual bool Speak(const TextPortion& text) = 0;
    // Asks a running Speak to end as soon as it can. May be called from inside OnAudio; never
    // waits.
    virtual bool Stop() = 0;
    // The counterpart of Stop at the start of every text.
    virtual void Resume() = 0;
    // Delivers milliseconds of silence in the output format, in bounded blocks. False only when
    // memory runs out.
    virtual bool WriteSilence(std::uint32_t milliseconds);
    // Copies the output format; false when out is null.
    virtual bool GetOutputFormat(WAVEFORMATEX* out) const;
    // Applies one engines.conf key; false when the key is not known.
    virtual bool ReadSetting(const std::u16string& key, const std::u16string& value);
    // Makes the tempo filter when sonic is enabled and loads the engine library named by
    // "module" from "path" (true without one); false when the library cannot be loaded.
    virtual bool Load();
    virtual void SetSink(EngineSink* sink) { sink_ = sink; }
    // The folder in which the files that the module's settings name are found.
    void SetDataFolder(std::u16string folder) { dataFolder = std::move(folder); }
    // Whether the sink wants a word mark (SentenceMark::kWord, second: the word's offset in the
    // portion) before the sound of each word; a module that can tell where its words begin gives
    // them then, the others never.
    void SetWordMarks(bool wanted) { wordMarks_ = wanted; }
    // Stores the rate, at most the speed limit; returns what was stored.
    virtual std::int32_t SetRate(std::int32_t value);
    virtual void SetPitch(std::int32_t value) { pitch = value; }
    virtual void SetVolume(std::int32_t value) { volume = value; }
    virtual ~SpeechModule() = default;
    // "rate,channels,bits": the output format becomes that PCM format. False, leaving it as it
    // was, for fewer than three fields or values that cannot describe PCM (logged).
    virtual bool SetOutputFormat(const std::u16string& value);
    // The engines.conf key "convert": chooses the conversion mode and formats.
    virtual bool SetConversion(const std::u16string& value) = 0;

    // Scales count bytes of audio in format by the volume into out (same size). False for null
    // pointers, a zero count or a sample size other than 8 or 16 bits.
    bool ApplyVolume(const unsigned char* in, unsigned char* out, std::uint32_t count,
                     const WAVEFORMATEX& format) const;

    const ModuleSettings& settings() const { return *this; }
    const WAVEFORMATEX& nativeFormat() const { return nativeFormat_; }
    bool isLoaded() const { return library_.isOpen(); }

protected:
    SpeechModule() = default;

    // The mode a "convert" value chooses: "vxtts" the module's own converters, "acm" any output
    // format, anything else none.
    static ConversionMode conversionModeOf(const std::u16string& value) {
        return value == u"vxtts" ? ConversionMode::Internal : value == u"acm" ? ConversionMode::Convert : ConversionMode::None;
    }
    EngineSink* sink() const { return sink_; }
    bool wordMarksWanted() const { return wordMarks_; }
    const platform::DynamicLibrary& library() const { return library_; }

    // A conversion from the format from to the output format; null when the system cannot make
    // one (Windows' codecs refuse some rates), which the log says once per module.
    std::unique_ptr<AudioConverter> openOutputConversion(const WAVEFORMATEX& from);
    // Conversion mode 2 converts the blocks of a portion as one stream, so that nothing steps
    // at their joins: a module opens it before the engine speaks the portion, writes each block
    // through it and closes it afterwards (which writes what the resampler still holds). In the
    // other modes opening and closing do nothing.
    void openPortionStream();
    // Hands a block in the native format to the sink in the output format; the sink's answer. A
    // block that cannot be converted is lost; its mark still reaches the sink. Without a stream
    // (it could not be opened) nothing reaches the sink and 1 ends the portion.
    std::int32_t writeConverted(const unsigned char* data, std::uint32_t bytes, const SentenceMark* mark);
    // False when the portion's audio went in and nothing came out: the module said nothing,
    // whatever its engine did.
    bool closePortionStream();

    WAVEFORMATEX outputFormat_{};
    WAVEFORMATEX nativeFormat_{};

private:
    // "sonic.freq": only a rate the filter can work at is taken (logged otherwise).
    void setSonicFrequency(std::int32_t value);

    platform::DynamicLibrary library_;
    EngineSink* sink_ = nullptr;
    bool wordMarks_ = false;
    std::unique_ptr<AudioConverter> portionStream_;
    bool conversionRefusalLogged_ = false;
    std::vector<unsigned char> converted_;
    std::uint64_t portionIn_ = 0;  // bytes the portion stream took
    std::uint64_t portionOut_ = 0; // and gave
};

} // namespace vx
