#pragma once
// The engine site of one message of the Speech Dispatcher module: the engine's audio goes to the
// server in blocks of kBlockMilliseconds, paced to the time it takes to play, and its bookmarks
// (the message's SSML index marks) go between the blocks where they fall, so that the server,
// which plays each block before it reads on, reports each mark when the audio before it has
// played. Pacing keeps no more than the configured lead of audio on its way: whatever the server
// has not played when the message is stopped is heard after the stop. 8-bit audio is sent as
// 16-bit: Speech Dispatcher 0.11 takes 8-bit blocks and then fails freeing them, which ends the
// server.

#include "platform/AudioConversion.h"
#include "cli/PlainSite.h"
#include "platform/ComObject.h"
#include "platform/PcmLayout.h"
#include "speechd/ServerChannel.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vx::speechd {

// How a message ended, and the requests that end it early; shared by the thread that reads the
// server's commands and the one that speaks.
class MessageControl {
public:
    enum class Ending { End, Stop, Pause };

    // STOP: the message ends as soon as possible.
    void requestStop();
    // PAUSE: the message ends after its next mark named "__spd_..." (the server's own marks,
    // from which it resumes).
    void requestPause();
    bool pauseRequested() const;
    // The pause has reached its mark.
    void pauseHere();
    // True once the message is to end before its text does.
    bool ending() const;
    Ending ending(bool reachedEnd) const;
    // Waits until the time, or less when the message is to end first; false in that case.
    bool waitUntil(std::chrono::steady_clock::time_point time);

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool pause_ = false;
    bool paused_ = false;
};

class ServerAudioSite : public cli::PlainSite {
public:
    static constexpr int kBlockMilliseconds = 20;

    // format: the engine's; lead: how much audio may be on its way to the server.
    ServerAudioSite(ServerChannel& channel, MessageControl& control, const WAVEFORMATEX& format,
                    std::chrono::milliseconds lead);
    virtual ~ServerAudioSite() = default;

    // The format the server receives: the engine's, in 16 bits.
    static WAVEFORMATEX serverFormat(const WAVEFORMATEX& format);

    static std::span<const InterfaceEntry> interfaces();

    // Audio bytes sent so far.
    std::uint64_t audioBytes() const { return audioBytes_; }

    // ISpEventSink: bookmarks go to the server as index marks.
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override;
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override;

    // ISpTTSEngineSite. Abort once the message is to end.
    DWORD STDMETHODCALLTYPE GetActions() override;
    // E_FAIL when the message is to end or the server has gone.
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override;

private:
    // Sends the audio in blocks of kBlockMilliseconds; false when the message is to end first or
    // the server has gone.
    bool sendAudio(const char* data, std::size_t bytes);
    // Sends one block once its time has come.
    bool sendBlock(const char* data, std::size_t bytes);

    ServerChannel& channel_;
    MessageControl& control_;
    WAVEFORMATEX format_; // the server's
    std::chrono::milliseconds lead_;
    WORD engineBits_;
    std::unique_ptr<AudioConverter> converter_; // from the engine's format, when it is 8-bit
    std::vector<unsigned char> converted_;
    pcm::WholeFrames frames_; // of 16-bit audio as it comes
    std::chrono::steady_clock::time_point firstBlock_;
    std::uint64_t audioBytes_ = 0;
};

} // namespace vx::speechd
