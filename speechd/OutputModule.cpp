#include "speechd/OutputModule.h"

#include "cli/EngineAccess.h"
#include "platform/Utf.h"
#include "speechd/Ssml.h"

#include <iostream>

namespace vx::speechd {
namespace {

using Kind = Request::Kind;

// The module's log is its standard error, which the server keeps in its log folder.
void logLine(const std::string& line) {
    std::cerr << "sd_vxtts: " << line << std::endl;
}

std::string eventLine(MessageControl::Ending ending) {
    switch (ending) {
    case MessageControl::Ending::End:
        return "702 END\n";
    case MessageControl::Ending::Stop:
        return "703 STOP\n";
    case MessageControl::Ending::Pause:
        return "704 PAUSE\n";
    }
    return "703 STOP\n";
}

// A key as the engine says it: a single character is spelled, a name ("shift_a", "kp-enter") is
// read with its parts as words.
std::u16string keyText(const std::string& key) {
    std::u16string text = fromUtf8(key);
    for (char16_t& c : text) {
        if (text.size() > 1 && (c == u'_' || c == u'-')) {
            c = u' ';
        }
    }
    return text;
}

bool isOneCharacter(const std::u16string& text) {
    return text.size() == 1 || (text.size() == 2 && text[0] >= 0xD800 && text[0] < 0xDC00);
}

} // namespace

OutputModule::OutputModule(ServerChannel& channel, ModuleConfig config)
    : channel_(channel)
    , config_(std::move(config)) {
    for (const std::string& problem : config_.problems) {
        logLine(problem);
    }
}

OutputModule::~OutputModule() {
    stopSpeaking();
}

bool OutputModule::handle(const Request& request) {
    switch (request.kind) {
    case Kind::Init:
        return init();
    case Kind::Speak:
    case Kind::Char:
    case Kind::Key:
    case Kind::SoundIcon:
        if (request.opening) {
            send(replyLine(202, "OK RECEIVING MESSAGE"));
        } else {
            speak(request);
        }
        return true;
    case Kind::Stop:
    case Kind::Pause:
        if (control_ && speaking_) {
            request.kind == Kind::Stop ? control_->requestStop() : control_->requestPause();
        }
        return true;
    case Kind::ListVoices:
        listVoices();
        return true;
    case Kind::Set:
        request.opening ? send(replyLine(207, "OK RECEIVING SETTINGS")) : setSettings(request);
        return true;
    case Kind::Audio:
        request.opening ? send(replyLine(207, "OK RECEIVING AUDIO SETTINGS")) : setAudio(request);
        return true;
    case Kind::LogLevel:
        send(request.opening ? replyLine(207, "OK RECEIVING LOGLEVEL SETTINGS") : replyLine(203, "OK LOGLEVEL SET"));
        return true;
    case Kind::Debug:
        send(errorReply(303, "sd_vxtts writes its log to standard error, which the server keeps",
                        "CANT OPEN CUSTOM DEBUG FILE"));
        return true;
    case Kind::Quit:
        quit();
        return false;
    case Kind::Unknown:
        break;
    }
    send(errorReply(300, "unknown command '" + request.line.substr(0, 100) + "'", "ERR UNKNOWN COMMAND"));
    return true;
}

bool OutputModule::init() {
    try {
        cli::Configuration configuration;
        voices_.clear();
        for (const auto& [name, voice] : configuration.voices().items()) {
            if (!voice->subvoices().empty()) {
                voices_.push_back({toUtf8(name), toUtf8(voice->subvoices().front().language->name())});
            }
        }
    } catch (const cli::CommandError& error) {
        send(errorReply(399, error.what(), "ERR CANT INIT MODULE"));
        return false;
    }
    if (voices_.empty()) {
        send(errorReply(399, "voices.conf has no voice with a language and a module", "ERR CANT INIT MODULE"));
        return false;
    }
    send("299-sd_vxtts: " + std::to_string(voices_.size()) + " voices\n" + replyLine(299, "OK LOADED SUCCESSFULLY"));
    return true;
}

void OutputModule::listVoices() {
    std::string list;
    for (const VoiceEntry& voice : voices_) {
        // The third field is the voice's variant, which the server shows as its kind: every voice
        // of the built-in synthesizer is a man's.
        list += "200-" + voice.name + "\t" + voice.language + "\tmale\n";
    }
    send(voices_.empty() ? replyLine(304, "CANT LIST VOICES") : list + replyLine(200, "OK VOICE LIST SENT"));
}

void OutputModule::setSettings(const Request& request) {
    std::string problems = request.problem;
    for (const auto& [name, value] : request.settings) {
        const std::string problem = settings_.apply(name, value);
        if (!problem.empty()) {
            problems += (problems.empty() ? "" : "; ") + problem;
        }
    }
    if (problems.empty()) {
        send(replyLine(203, "OK SETTINGS RECEIVED"));
        return;
    }
    logLine(problems);
    send(errorReply(303, problems, "ERROR INVALID PARAMETER OR VALUE"));
}

void OutputModule::setAudio(const Request& request) {
    for (const auto& [name, value] : request.settings) {
        if (name == "audio_output_method" && value != "server") {
            send(errorReply(300, "sd_vxtts hands its audio to the server, not to '" + value.substr(0, 100) + "'",
                            "MODULE ERROR"));
            return;
        }
    }
    send(replyLine(203, "OK AUDIO INITIALIZED"));
}

void OutputModule::quit() {
    stopSpeaking();
    send(replyLine(210, "OK QUIT"));
}

void OutputModule::stopSpeaking() {
    if (control_) {
        control_->requestStop();
    }
    if (speaker_.joinable()) {
        speaker_.join();
    }
}

bool OutputModule::idle() {
    if (speaking_) {
        return false;
    }
    if (speaker_.joinable()) {
        speaker_.join();
    }
    return true;
}

OutputModule::Engine& OutputModule::engine(const std::string& voice) {
    auto found = engines_.find(voice);
    if (found == engines_.end()) {
        Engine made;
        made.object = cli::startEngine(voice);
        made.format = cli::outputFormat(*made.object.get());
        found = engines_.emplace(voice, std::move(made)).first;
    }
    return found->second;
}

OutputModule::Message OutputModule::messageOf(const Request& request) const {
    Message message;
    message.flags = settings_.speakPunctuation ? static_cast<DWORD>(SPF_NLP_SPEAK_PUNC) : 0;
    const auto add = [&](SPVACTIONS action, std::u16string text) {
        message.texts.push_back(std::move(text));
        SPVTEXTFRAG fragment{};
        fragment.State.eAction = action;
        fragment.State.RateAdj = settings_.sapiRate();
        fragment.State.PitchAdj.MiddleAdj = settings_.sapiPitch();
        fragment.State.Volume = static_cast<ULONG>(settings_.sapiVolume());
        fragment.State.ePartOfSpeech = SPPS_Unknown;
        message.fragments.push_back(fragment);
    };
    switch (request.kind) {
    case Kind::Char:
        // The server names the space character "space": the voices have no name of their own for
        // it, and spelling a space says nothing, so the name is read as a word.
        add(request.text == "space" ? SPVA_Speak : SPVA_SpellOut, fromUtf8(request.text));
        break;
    case Kind::Key: {
        std::u16string text = keyText(request.text);
        const bool character = isOneCharacter(text);
        add(character ? SPVA_SpellOut : SPVA_Speak, std::move(text));
        break;
    }
    case Kind::SoundIcon:
        message.icon = request.text;
        break;
    default:
        for (SsmlPiece& piece : readSsml(request.text)) {
            const bool mark = piece.kind == SsmlPiece::Kind::Mark;
            add(mark ? SPVA_Bookmark : settings_.spelling ? SPVA_SpellOut : SPVA_Speak, std::move(piece.text));
        }
        break;
    }
    // The texts are in place now: the fragments can point into them, each in turn after the one
    // before in the message's own count of characters.
    ULONG offset = 0;
    for (std::size_t i = 0; i < message.fragments.size(); ++i) {
        SPVTEXTFRAG& fragment = message.fragments[i];
        fragment.pTextStart = toWide(message.texts[i]);
        fragment.ulTextLen = static_cast<ULONG>(message.texts[i].size());
        fragment.ulTextSrcOffset = offset;
        offset += fragment.ulTextLen;
        fragment.pNext = i + 1 < message.fragments.size() ? &message.fragments[i + 1] : nullptr;
    }
    return message;
}

void OutputModule::speak(const Request& request) {
    if (!request.problem.empty()) {
        send(errorReply(301, request.problem, "ERROR CANT SPEAK"));
        return;
    }
    if (request.kind != Kind::Speak && request.lines > 1) {
        send(replyLine(305, "DATA MORE THAN ONE LINE"));
        return;
    }
    if (!idle()) {
        send(errorReply(301, "a message is being spoken", "ERROR CANT SPEAK"));
        return;
    }
    const std::string voice = settings_.voiceFor(voices_, config_.defaultVoice);
    Engine* speaking = nullptr;
    try {
        speaking = &engine(voice);
    } catch (const cli::CommandError& error) {
        logLine(error.what());
        send(errorReply(301, error.what(), "ERROR CANT SPEAK"));
        return;
    }
    auto message = std::make_shared<Message>(messageOf(request));
    control_ = std::make_unique<MessageControl>();
    speaking_ = true;
    send(replyLine(200, "OK SPEAKING"));
    speaker_ = std::thread([this, speaking, message] { speakMessage(*speaking, message); });
}

void OutputModule::speakMessage(Engine& engine, std::shared_ptr<Message> message) {
    send("701 BEGIN\n");
    bool reachedEnd = true;
    if (!message->icon.empty()) {
        send("706-" + message->icon + "\n706 ICON\n");
    } else if (!message->fragments.empty()) {
        cli::ComRef<ISpTTSEngineSite> site;
        if (FAILED(ComObject<ServerAudioSite>::Create(nullptr, IID_ISpTTSEngineSite, site.out(), channel_, *control_,
                                                      engine.format, config_.audioLead))) {
            reachedEnd = false;
        } else {
            const HRESULT result = engine.object->Speak(message->flags, SPDFID_WaveFormatEx, &engine.format,
                                                        message->fragments.data(), site.get());
            reachedEnd = SUCCEEDED(result);
            if (!reachedEnd && !control_->ending()) {
                logLine("the engine could not speak a message (see vxtts.log)");
            }
        }
    }
    const MessageControl::Ending ending = control_->ending(reachedEnd);
    speaking_ = false;
    send(eventLine(ending));
}

} // namespace vx::speechd
