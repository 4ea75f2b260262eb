#pragma once
// The engine site of "vxtts say": it takes the engine's audio into an AudioOutput as it comes and
// writes the engine's sentence, word and bookmark events as JSON lines. It never asks the engine to
// stop; a failed write fails Write, which is what stops the engine.

#include "cli/PlainSite.h"
#include "cli/TextChunker.h"
#include "cli/WavOutput.h"
#include "platform/ComObject.h"

#include <ostream>
#include <span>

namespace vx::cli {

class SpeakSite : public PlainSite {
public:
    // events: where event lines go; null asks the engine for no events.
    SpeakSite(AudioOutput& output, std::ostream* events)
        : output_(output)
        , events_(events) {}
    virtual ~SpeakSite() = default;

    static std::span<const InterfaceEntry> interfaces();

    // The chunk that the next Speak call speaks: its map turns the engine's offsets, which count
    // in the chunk, into offsets in the whole input. Must outlive that call. Without a chunk (the
    // fragments of SAPI XML carry their offsets in the input) the offsets are written as given.
    void setChunk(const Chunk* chunk) { chunk_ = chunk; }
    // Audio bytes written so far.
    std::uint64_t audioBytes() const { return audioBytes_; }
    // The format of the audio to come, whose silence heardSpeech tells from speech.
    void setFormat(const WAVEFORMATEX& format) { silence_ = format.wBitsPerSample == 8 ? 0x80 : 0; }
    // True once audio other than silence has been written: a voice that wrote only pauses (the
    // spelling of characters it has no names for) said nothing.
    bool heardSpeech() const { return heardSpeech_; }
    // True once a write has failed; outputError() says why.
    bool writeFailed() const { return writeFailed_; }
    const std::string& outputError() const { return output_.error(); }

    // ISpEventSink. Sentence and word boundaries and bookmarks become event lines; other events
    // are ignored. E_POINTER for null events with a nonzero count.
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override;
    // Sentence and word boundaries and bookmarks when there is an event stream, else nothing.
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override;

    // ISpTTSEngineSite.
    DWORD STDMETHODCALLTYPE GetActions() override { return SPVES_CONTINUE; }
    // E_FAIL, with nothing written, once the output has failed or the program is interrupted.
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override;

private:
    // A sentence or word: its length is wParam, its position in the spoken text lParam.
    void writeSpan(const SPEVENT& event);
    void writeBookmark(const SPEVENT& event);

    AudioOutput& output_;
    std::ostream* events_;
    const Chunk* chunk_ = nullptr;
    std::uint64_t audioBytes_ = 0;
    unsigned char silence_ = 0; // the value of every byte of silent PCM
    bool heardSpeech_ = false;
    bool writeFailed_ = false;
};

} // namespace vx::cli
