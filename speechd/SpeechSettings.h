#pragma once
// The settings Speech Dispatcher sends before each message (SET), as the engine takes them: its
// rate, pitch and volume (-100..100, 0 normal) become SAPI's adjustments, its punctuation and
// spelling modes the speak flags and the fragment's action, its voice, language and voice type
// the vxtts voice that speaks.

#include <string>
#include <string_view>
#include <vector>

namespace vx::speechd {

// A voice of voices.conf as the server lists it: its language is its first subvoice's.
struct VoiceEntry {
    std::string name;
    std::string language;
};

struct SpeechSettings {
    int rate = 0;
    int pitch = 0;
    int volume = 0;
    bool speakPunctuation = false; // punctuation_mode most or all
    bool spelling = false;
    std::string synthesisVoice; // empty: none asked for
    std::string language;       // empty: none given

    // Takes one name=value line. Empty when it was taken, else why not (the value cannot be a
    // value of that name). Names the engine has no use for (pitch_range, cap_let_recogn, voice
    // types) are taken and change nothing.
    std::string apply(std::string_view name, std::string_view value);

    // SAPI's adjustments: rate and pitch -10..10; volume 0..100, where the server's 0 and above
    // is SAPI's full volume (the engine cannot be louder than its voice) and below 0 quieter.
    int sapiRate() const { return rate / 10; }
    int sapiPitch() const { return pitch / 10; }
    int sapiVolume() const { return volume >= 0 ? 100 : 100 + volume; }

    // The voice that speaks: the synthesis voice asked for when there is one; else the default
    // voice when it speaks the language (its part before '-': "ru-RU" is "ru"), or no language is
    // given, or no voice speaks it; else the first voice of the language; else the first voice.
    // Empty only when there are no voices.
    std::string voiceFor(const std::vector<VoiceEntry>& voices, std::string_view defaultVoice) const;
};

} // namespace vx::speechd
