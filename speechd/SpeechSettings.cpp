#include "speechd/SpeechSettings.h"

#include <algorithm>
#include <charconv>

namespace vx::speechd {
namespace {

// A number -100..100, as the server sends rate, pitch and volume.
bool readLevel(std::string_view value, int& level) {
    int read = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), read);
    if (error != std::errc() || end != value.data() + value.size() || read < -100 || read > 100) {
        return false;
    }
    level = read;
    return true;
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

std::string invalid(std::string_view name, std::string_view value) {
    return std::string(name) + ": '" + std::string(value.substr(0, 100)) + "' is no valid value";
}

} // namespace

std::string SpeechSettings::apply(std::string_view name, std::string_view value) {
    const bool null = value == "NULL";
    if (name == "rate" || name == "pitch" || name == "volume") {
        int& level = name == "rate" ? rate : name == "pitch" ? pitch : volume;
        return readLevel(value, level) ? "" : invalid(name, value) + " (-100..100)";
    }
    if (name == "punctuation_mode") {
        if (value != "none" && value != "some" && value != "most" && value != "all") {
            return invalid(name, value) + " (none, some, most, all)";
        }
        speakPunctuation = value == "most" || value == "all";
        return "";
    }
    if (name == "spelling_mode") {
        if (value != "on" && value != "off") {
            return invalid(name, value) + " (on, off)";
        }
        spelling = value == "on";
        return "";
    }
    if (name == "synthesis_voice") {
        synthesisVoice = null ? "" : std::string(value);
        return "";
    }
    if (name == "language") {
        language = null ? "" : lowerAscii(value);
        return "";
    }
    return "";
}

std::string SpeechSettings::voiceFor(const std::vector<VoiceEntry>& voices, std::string_view defaultVoice) const {
    const std::string primary = language.substr(0, language.find('-'));
    const auto named = [&](std::string_view name) {
        return std::find_if(voices.begin(), voices.end(), [&](const VoiceEntry& voice) { return voice.name == name; });
    };
    const auto chosen = named(defaultVoice);
    const auto speaking = std::find_if(voices.begin(), voices.end(),
                                       [&](const VoiceEntry& voice) { return voice.language == primary; });
    if (!synthesisVoice.empty() && named(synthesisVoice) != voices.end()) {
        return synthesisVoice;
    }
    if (chosen != voices.end() && (primary.empty() || chosen->language == primary || speaking == voices.end())) {
        return chosen->name;
    }
    if (speaking != voices.end()) {
        return speaking->name;
    }
    return voices.empty() ? "" : voices.front().name;
}

} // namespace vx::speechd
