#pragma once
// The SAPI engine object: it takes the voice token, announces the audio format and renders
// SAPI's text fragments through the current voice, turning the audio and sentence starts that
// come back into the site's Write calls and events. Every engine object loads the configuration
// for itself; only the log is shared.

#include "engine/EngineFolders.h"
#include "engine/ModuleFactory.h"
#include "engine/VoicesConf.h"
#include "platform/ComObject.h"
#include "platform/Lock.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace vx {

class TtsEngine : public ISpTTSEngine, public ISpObjectWithToken, public EngineSink {
public:
    // folders: where the configuration is; factory: makes the speech modules of engines.conf.
    explicit TtsEngine(EngineFolders folders = installedFolders(), ModuleFactory factory = createModule);
    ~TtsEngine() override;

    static std::span<const InterfaceEntry> interfaces();

    // Seeds the per-user folder on its first use, opens the log and loads the configuration.
    // E_OUTOFMEMORY when it cannot be loaded: the object is then not created.
    HRESULT FinalConstruct();

    // ISpObjectWithToken. The token's "VoiceName" becomes the current voice; a missing or
    // unknown name, or a second token, falls back to the voice "tembra".
    HRESULT STDMETHODCALLTYPE SetObjectToken(ISpObjectToken* token) override;
    HRESULT STDMETHODCALLTYPE GetObjectToken(ISpObjectToken** token) override;

    // ISpTTSEngine. The audio is always in the format that GetOutputFormat announces.
    HRESULT STDMETHODCALLTYPE Speak(DWORD speakFlags, REFGUID formatId, const WAVEFORMATEX* format,
                                    const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) override;
    HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* targetFormatId, const WAVEFORMATEX* targetFormat,
                                              GUID* outputFormatId, WAVEFORMATEX** outputFormat) override;

    // EngineSink: writes audio to the site of the running Speak and raises sentence events.
    std::int32_t OnAudio(const void* data, std::uint32_t byteCount, const SentenceMark* mark) override;
    bool StopRequested() override;

    // Makes the named voice current. E_INVALIDARG for an empty name; E_OUTOFMEMORY (logged)
    // when the configuration has no such voice, which leaves no voice current. A Speak running
    // on another thread finishes first, with the voice it started with.
    HRESULT LoadVoice(std::u16string_view name);

    // The modules of the last Speak's voice whose engine library could not be loaded in that
    // call: what a client can tell its user when the voice said nothing. Empty when none.
    std::vector<VoicesConf::UnloadedModule> unloadedModules();

private:
    // An event waiting for the site; a bookmark's string lives here until it is delivered.
    struct Bookmark {
        SPEVENT event;
        std::u16string text;
    };
    struct Prosody {
        std::int32_t rate = -1;
        std::int32_t volume = -1;
        std::int32_t pitch = -1;
        bool operator==(const Prosody&) const = default;
    };

    HRESULT speakFragments(DWORD speakFlags, const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site);
    // Ends the call on the site's abort or skip, or a failed write: nothing pending is spoken or
    // delivered. The failed write's result, else S_OK.
    HRESULT endOnAbort();
    void readSiteAdjustments();
    static HRESULT readVoiceName(ISpObjectToken& token, LPWSTR* name);
    Prosody prosodyOf(const SPVSTATE& state) const;
    void applyProsody(const Prosody& prosody);
    // Adds a speak fragment's text (from sourceOffset in the caller's text) to what is pending.
    void appendPending(std::u16string_view text, ULONG sourceOffset);
    // The bookmark of a fragment, at the audio written so far.
    Bookmark bookmarkOf(const SPVTEXTFRAG& fragment) const;
    // With exact events: speaks what is pending, then queues the bookmark for delivery before the
    // audio of the text after it. S_OK, or the failure of the text before it.
    HRESULT placeBookmark(const SPVTEXTFRAG& fragment);
    HRESULT flush();
    // With exact events: speaks what is pending from the sentence a skip leads to, again after
    // every skip the site asks for while it speaks. False when a module call failed.
    bool speakSkipping();
    // Takes the site's skip request while audio is written: a sentence skip stops the voice and is
    // carried out by speakSkipping; any other kind is completed with nothing skipped.
    void takeSkip();
    void settleSkipBetweenTexts();
    void deliverBookmarks();
    // Gives the site the events in one AddEvents call and empties the list; the site's answer.
    HRESULT handOver(std::vector<Bookmark>& pending);
    // With exact events: hands the queued events to the site in one call, before the audio that
    // follows them.
    void deliverEvents();
    void queueEvent(const SPEVENT& event);
    bool exactEvents() const { return speaking_ && speaking_->settings().exactEvents; }
    // A skip (without an abort) that a voice with exact events takes where its sentence is known;
    // any other skip ends the call as an abort does.
    bool skipToTake(DWORD actions) const {
        return exactEvents() && (actions & SPVES_SKIP) && !(actions & SPVES_ABORT);
    }
    static bool interested(ULONGLONG interest, int event) { return (interest >> event) & 1U; }
    void stopVoice();
    // Logs each module of the speaking voice whose library could not be loaded, once per engine
    // object: a host that keeps speaking would otherwise fill the log with the same line.
    void logUnloadedModules();

    ISpObjectToken* token_ = nullptr;
    EngineFolders folders_;
    std::u16string moduleFolder_;
    platform::Lock configLock_;
    platform::Lock speakLock_;
    VoicesConf manager_;
    // Changed only under speakLock_, read without a lock by GetOutputFormat.
    std::atomic<Voice*> voice_ = nullptr;
    // The voice of the running (or last) Speak, which its modules' audio comes from.
    Voice* speaking_ = nullptr;
    ISpTTSEngineSite* site_ = nullptr;
    std::vector<Bookmark> pendingBookmarks_;
    std::vector<Bookmark> pendingEvents_; // exact events: sentence, word and bookmark events in order
    std::vector<std::u16string> loggedModules_;
    std::uint32_t baseVolume_ = 100;
    std::int32_t baseRate_ = 0;
    const std::int32_t basePitch_ = 0;
    std::uint64_t audioOffset_ = 2;
    // State of one Speak call.
    ULONGLONG eventInterest_ = 0; // read once at its start
    std::u16string pendingText_;
    // With exact events: where each character of pendingText_ (and one past it) is in the
    // caller's text, from the fragments' source offsets.
    std::vector<std::uint32_t> pendingPositions_;
    bool abortSeen_ = false; // the site asked to abort, or a write failed: the call is ending
    HRESULT writeFailure_ = S_OK; // what the site's failed Write returned: the call's result
    // A sentence skip: asked for while writing, and how many sentences of the texts still to come
    // it passes over.
    std::optional<LONG> skipAsked_;
    LONG skipRequested_ = 0;
    LONG skipLeft_ = 0;
};

} // namespace vx
