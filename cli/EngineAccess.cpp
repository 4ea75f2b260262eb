#include "cli/EngineAccess.h"

#include "cli/VoiceToken.h"
#include "config/ConfigParser.h"
#include "engine/EngineFolders.h"
#include "engine/ModuleFactory.h"
#include "engine/TtsEngine.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Utf.h"

#include <iostream>

namespace vx::cli {

namespace {

constexpr std::u16string_view kLogName = u"vxtts.log";

} // namespace

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

Configuration::Configuration()
    : voices_(createModule) {
    if (!Log::Open(kLogName)) {
        // The engine goes on without its log; the user should know where it is not.
        std::cerr << "vxtts: not writing the log " << quoted(toUtf8(Log::Path(kLogName)))
                  << ": it cannot be made, or is not a file of this user's own with no other name\n";
    }
    const EngineFolders folders = installedFolders();
    const std::vector<std::u16string> searched = folders.searchFolders();
    if (!voices_.load(folders.moduleFolder(), searched)) {
        std::string places;
        for (const std::u16string& folder : searched) {
            places += (places.empty() ? "" : ", ") +
                      quoted(toUtf8(platform::joinPath(folder, u"data")));
        }
        throw CommandError(
            "cannot load the configuration (langs.conf, engines.conf, voices.conf) from " +
            places);
    }
}

Voice& Configuration::voice(const std::string& name) {
    Voice* found = voices_.get(fromUtf8(name));
    if (!found) {
        std::string names;
        for (const auto& entry : voices_.items()) {
            names += (names.empty() ? "" : ", ") + toUtf8(entry.first);
        }
        throw CommandError("unknown voice " + quoted(name) + " (voices: " + names + ")" + voicesFileProblem());
    }
    if (found->subvoices().empty()) {
        const std::u16string folder = platform::parentFolder(voices_.loadedPath());
        const std::u16string log = Log::Path(kLogName);
        throw CommandError("voice " + quoted(name) + " has no usable subvoices: none of its lines pairs a language " +
                           "of langs.conf with a module of engines.conf (in " + quoted(toUtf8(folder)) +
                           "; the log, " + quoted(toUtf8(log)) + ", says what could not be read)");
    }
    return *found;
}

std::string Configuration::voicesFileProblem() const {
    const std::u16string& path = voices_.loadedPath();
    const auto bytes = platform::readFileBytes(path);
    if (bytes && ConfigParser::looksLikeOtherEncoding(bytes->data(), bytes->size())) {
        return ": " + quoted(toUtf8(path)) + " is not UTF-16LE text";
    }
    if (voices_.items().empty()) {
        return ": " + quoted(toUtf8(path)) + " defines none";
    }
    return "";
}

ComRef<ISpTTSEngine> startEngine(const std::string& voice) {
    ComRef<ISpTTSEngine> engine;
    if (FAILED(ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, engine.out()))) {
        throw CommandError("the engine cannot load its configuration");
    }
    ComRef<ISpObjectWithToken> withToken;
    ComRef<ISpObjectToken> token;
    if (FAILED(engine->QueryInterface(IID_ISpObjectWithToken, withToken.out())) ||
        FAILED(ComObject<VoiceToken>::Create(nullptr, IID_ISpObjectToken, token.out(),
                                             fromUtf8(voice))) ||
        FAILED(withToken->SetObjectToken(token.get()))) {
        throw CommandError("the engine cannot load the voice " + quoted(voice));
    }
    return engine;
}

WAVEFORMATEX outputFormat(ISpTTSEngine& engine) {
    GUID formatId{};
    WAVEFORMATEX* announced = nullptr;
    const HRESULT result =
        engine.GetOutputFormat(&SPDFID_WaveFormatEx, nullptr, &formatId, &announced);
    if (FAILED(result) || !announced) {
        throw CommandError("the engine announced no audio format");
    }
    const WAVEFORMATEX format = *announced;
    CoTaskMemFree(announced);
    if (!(formatId == SPDFID_WaveFormatEx) || format.wFormatTag != WAVE_FORMAT_PCM ||
        format.nBlockAlign == 0) {
        throw CommandError("the engine announced an audio format other than PCM");
    }
    return format;
}

} // namespace vx::cli
