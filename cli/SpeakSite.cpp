#include "cli/SpeakSite.h"

#include "cli/EventLines.h"
#include "platform/Interrupts.h"
#include "platform/Utf.h"

#include <algorithm>

namespace vx::cli {

std::span<const InterfaceEntry> SpeakSite::interfaces() {
    static constexpr InterfaceEntry kInterfaces[] = {
        interfaceEntry<SpeakSite, ISpTTSEngineSite>(IID_ISpTTSEngineSite),
        interfaceEntry<SpeakSite, ISpEventSink>(IID_ISpEventSink),
    };
    return kInterfaces;
}

HRESULT SpeakSite::AddEvents(const SPEVENT* events, ULONG count) {
    if (!events && count > 0) {
        return E_POINTER;
    }
    if (!events_) {
        return S_OK;
    }
    return guardedCall([&] {
        for (ULONG i = 0; i < count; ++i) {
            if (events[i].eEventId == SPEI_SENTENCE_BOUNDARY ||
                events[i].eEventId == SPEI_WORD_BOUNDARY) {
                writeSpan(events[i]);
            } else if (events[i].eEventId == SPEI_TTS_BOOKMARK) {
                writeBookmark(events[i]);
            }
        }
        return S_OK;
    });
}

HRESULT SpeakSite::GetEventInterest(ULONGLONG* interest) {
    if (!interest) {
        return E_POINTER;
    }
    *interest = events_ ? SPFEI(SPEI_SENTENCE_BOUNDARY) | SPFEI(SPEI_WORD_BOUNDARY) |
                              SPFEI(SPEI_TTS_BOOKMARK)
                        : 0;
    return S_OK;
}

HRESULT SpeakSite::Write(const void* data, ULONG size, ULONG* written) {
    if (written) {
        *written = 0;
    }
    if (!data && size > 0) {
        return E_POINTER;
    }
    // An interruption ends the speaking at its next block of audio, through the failure path.
    if (writeFailed_ || platform::interruption() != 0 || !output_.write(data, size)) {
        writeFailed_ = true;
        return E_FAIL;
    }
    audioBytes_ += size;
    if (!heardSpeech_) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        heardSpeech_ = std::any_of(bytes, bytes + size, [this](unsigned char b) { return b != silence_; });
    }
    if (written) {
        *written = size;
    }
    return S_OK;
}

void SpeakSite::writeSpan(const SPEVENT& event) {
    const auto offset = static_cast<std::uint64_t>(event.lParam);
    const auto length = static_cast<std::uint64_t>(event.wParam);
    const Chunk::Span span =
        chunk_ ? chunk_->sourceSpan(offset, length) : Chunk::Span{offset, length};
    const bool sentence = event.eEventId == SPEI_SENTENCE_BOUNDARY;
    *events_ << (sentence ? sentenceLine : wordLine)(span.offset, span.length, audioBytes_) << '\n'
             << std::flush;
}

void SpeakSite::writeBookmark(const SPEVENT& event) {
    const auto* name = event.elParamType == SPET_LPARAM_IS_STRING
                           ? reinterpret_cast<LPCWSTR>(event.lParam)
                           : nullptr;
    *events_ << bookmarkLine(toUtf8(fromWide(name)), static_cast<std::int64_t>(event.wParam),
                             audioBytes_)
             << '\n'
             << std::flush;
}

} // namespace vx::cli
