#include "speechd/ServerAudioSite.h"

#include "platform/Utf.h"
#include "speechd/ModuleProtocol.h"

#include <algorithm>

namespace vx::speechd {

void MessageControl::requestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

void MessageControl::requestPause() {
    std::lock_guard lock(mutex_);
    pause_ = true;
}

bool MessageControl::pauseRequested() const {
    std::lock_guard lock(mutex_);
    return pause_;
}

void MessageControl::pauseHere() {
    std::lock_guard lock(mutex_);
    paused_ = true;
    changed_.notify_all();
}

bool MessageControl::ending() const {
    std::lock_guard lock(mutex_);
    return stop_ || paused_;
}

MessageControl::Ending MessageControl::ending(bool reachedEnd) const {
    std::lock_guard lock(mutex_);
    // A stop wins over a pause; a message that was said to its end before either took hold ended.
    if (stop_) {
        return Ending::Stop;
    }
    if (paused_) {
        return Ending::Pause;
    }
    return reachedEnd ? Ending::End : Ending::Stop;
}

bool MessageControl::waitUntil(std::chrono::steady_clock::time_point time) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_until(lock, time, [this] { return stop_ || paused_; });
}

ServerAudioSite::ServerAudioSite(ServerChannel& channel, MessageControl& control, const WAVEFORMATEX& format,
                                 std::chrono::milliseconds lead)
    : channel_(channel)
    , control_(control)
    , format_(serverFormat(format))
    , lead_(lead)
    , engineBits_(format.wBitsPerSample)
    , frames_(format_.nBlockAlign) {
    if (engineBits_ != format_.wBitsPerSample) {
        converter_ = AudioConverter::open(format, format_);
    }
}

WAVEFORMATEX ServerAudioSite::serverFormat(const WAVEFORMATEX& format) {
    WAVEFORMATEX server = format;
    server.wBitsPerSample = 16;
    server.nBlockAlign = static_cast<WORD>(2 * format.nChannels);
    server.nAvgBytesPerSec = format.nSamplesPerSec * server.nBlockAlign;
    return server;
}

std::span<const InterfaceEntry> ServerAudioSite::interfaces() {
    static constexpr InterfaceEntry kInterfaces[] = {
        interfaceEntry<ServerAudioSite, ISpTTSEngineSite>(IID_ISpTTSEngineSite),
        interfaceEntry<ServerAudioSite, ISpEventSink>(IID_ISpEventSink),
    };
    return kInterfaces;
}

HRESULT ServerAudioSite::AddEvents(const SPEVENT* events, ULONG count) {
    if (!events && count > 0) {
        return E_POINTER;
    }
    for (ULONG i = 0; i < count; ++i) {
        const SPEVENT& event = events[i];
        if (event.eEventId != SPEI_TTS_BOOKMARK || event.elParamType != SPET_LPARAM_IS_STRING || control_.ending()) {
            continue;
        }
        const std::string name = toUtf8(fromWide(reinterpret_cast<LPCWSTR>(event.lParam)));
        channel_.send(indexMarkEvent(name));
        if (name.starts_with("__spd_") && control_.pauseRequested()) {
            control_.pauseHere();
        }
    }
    return S_OK;
}

HRESULT ServerAudioSite::GetEventInterest(ULONGLONG* interest) {
    if (!interest) {
        return E_POINTER;
    }
    *interest = SPFEI(SPEI_TTS_BOOKMARK);
    return S_OK;
}

DWORD ServerAudioSite::GetActions() {
    return control_.ending() ? SPVES_ABORT : SPVES_CONTINUE;
}

HRESULT ServerAudioSite::Write(const void* data, ULONG size, ULONG* written) {
    if (written) {
        *written = 0;
    }
    if (!data && size > 0) {
        return E_POINTER;
    }
    if (size == 0) {
        return S_OK;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::span<const unsigned char> audio;
    if (format_.wBitsPerSample != engineBits_) {
        // The converter keeps the start of a frame for the next block itself.
        if (!converter_ || !converter_->convert(bytes, size, converted_)) {
            return E_FAIL;
        }
        audio = converted_;
    } else {
        audio = frames_.take(bytes, size);
    }
    if (!sendAudio(reinterpret_cast<const char*>(audio.data()), audio.size())) {
        return E_FAIL;
    }
    if (written) {
        *written = size;
    }
    return S_OK;
}

bool ServerAudioSite::sendAudio(const char* data, std::size_t size) {
    const std::size_t frameBytes = format_.nBlockAlign;
    const std::size_t blockBytes =
        std::max(frameBytes, format_.nAvgBytesPerSec * kBlockMilliseconds / 1000 / frameBytes * frameBytes);
    for (std::size_t at = 0; at < size; at += blockBytes) {
        if (!sendBlock(data + at, std::min(blockBytes, size - at))) {
            return false;
        }
    }
    return true;
}

bool ServerAudioSite::sendBlock(const char* data, std::size_t bytes) {
    const auto now = std::chrono::steady_clock::now();
    if (audioBytes_ == 0) {
        firstBlock_ = now;
    }
    const auto sent = std::chrono::microseconds(audioBytes_ * 1000000 / format_.nAvgBytesPerSec);
    if (!control_.waitUntil(firstBlock_ + sent - lead_)) {
        return false;
    }
    audioBytes_ += bytes;
    return channel_.send(audioEvent(format_, data, bytes));
}

} // namespace vx::speechd
