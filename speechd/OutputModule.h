#pragma once
// sd_vxtts, the Speech Dispatcher output module: it answers the server's requests and speaks its
// messages through the engine object, as a SAPI client does, with the voices of voices.conf. A
// message is spoken on a thread of its own, so that STOP and PAUSE are read while it speaks; its
// audio goes to the server, which plays it with its own audio settings.

#include "cli/ComRef.h"
#include "platform/ComObject.h"
#include "speechd/ModuleConfig.h"
#include "speechd/ModuleProtocol.h"
#include "speechd/ServerAudioSite.h"
#include "speechd/ServerChannel.h"
#include "speechd/SpeechSettings.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vx::speechd {

class OutputModule {
public:
    OutputModule(ServerChannel& channel, ModuleConfig config);
    ~OutputModule();
    OutputModule(const OutputModule&) = delete;
    OutputModule& operator=(const OutputModule&) = delete;

    // Answers one request (nothing for STOP and PAUSE, which have no answer). False when the
    // module is to end: after QUIT, or when INIT could not load the configuration.
    bool handle(const Request& request);

private:
    // An engine object with one voice, and the format it speaks in.
    struct Engine {
        cli::ComRef<ISpTTSEngine> object;
        WAVEFORMATEX format{};
    };
    // What one message says: its fragments point into its texts, so it is moved, never copied.
    struct Message {
        Message() = default;
        Message(const Message&) = delete;
        Message& operator=(const Message&) = delete;
        Message(Message&&) = default;
        Message& operator=(Message&&) = default;

        std::vector<std::u16string> texts;
        std::vector<SPVTEXTFRAG> fragments;
        DWORD flags = 0;
        std::string icon; // a sound icon's name
    };

    bool init();
    void speak(const Request& request);
    void setSettings(const Request& request);
    void setAudio(const Request& request);
    void listVoices();
    void quit();
    // Stops the message being spoken, if one is, and waits for its thread.
    void stopSpeaking();
    // The engine with the voice, made on its first use; throws cli::CommandError.
    Engine& engine(const std::string& voice);
    Message messageOf(const Request& request) const;
    // Speaks on the speaking thread and reports how the message ended.
    void speakMessage(Engine& engine, std::shared_ptr<Message> message);
    // Waits for the message being spoken, if one is, to end; false when it goes on.
    bool idle();
    void send(const std::string& message) { channel_.send(message); }

    ServerChannel& channel_;
    ModuleConfig config_;
    std::vector<VoiceEntry> voices_;
    std::map<std::string, Engine> engines_;
    SpeechSettings settings_;
    std::unique_ptr<MessageControl> control_; // of the message being (or last) spoken
    std::atomic<bool> speaking_ = false;
    std::thread speaker_;
};

} // namespace vx::speechd
