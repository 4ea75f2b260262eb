#include "engine/TtsEngine.h"

#include "config/TextUtil.h"
#include "platform/Log.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace vx {
namespace {

constexpr std::u16string_view kFallbackVoice = u"tembra";

bool abortRequested(DWORD actions) { return (actions & (SPVES_ABORT | SPVES_SKIP)) != 0; }

// The sentence at offset: the last whose start is at or before it.
std::size_t sentenceAt(const std::vector<std::uint32_t>& starts, std::uint32_t offset) {
    const auto after = std::ranges::upper_bound(starts, offset);
    return after == starts.begin() ? 0 : static_cast<std::size_t>(after - starts.begin()) - 1;
}

// The sum of a SAPI adjustment and the site's base, clamped to -10..10, on the modules' scale of
// 0..100, 50 being normal. Summed in a wider type: both come from the caller unchecked.
std::int32_t scaleAdjustment(std::int32_t adjustment, std::int32_t base) {
    const std::int64_t sum = std::clamp<std::int64_t>(std::int64_t{adjustment} + base, -10, 10);
    return static_cast<std::int32_t>(sum + 10) * 5;
}

} // namespace

TtsEngine::TtsEngine(EngineFolders folders, ModuleFactory factory)
    : folders_(std::move(folders)), manager_(factory) {}

TtsEngine::~TtsEngine() {
    manager_.clear();
    if (token_) {
        token_->Release();
    }
}

std::span<const InterfaceEntry> TtsEngine::interfaces() {
    static constexpr InterfaceEntry kInterfaces[] = {
        interfaceEntry<TtsEngine, ISpTTSEngine>(IID_ISpTTSEngine),
        interfaceEntry<TtsEngine, ISpObjectWithToken>(IID_ISpObjectWithToken),
    };
    return kInterfaces;
}

HRESULT TtsEngine::FinalConstruct() {
    return guardedCall([this] {
        moduleFolder_ = folders_.moduleFolder();
        Log::Open(u"vxtts.log");
        const std::vector<std::u16string> searchFolders = folders_.searchFolders();
        bool loaded = false;
        {
            std::lock_guard guard(configLock_);
            loaded = guardedCall([&] { return manager_.load(moduleFolder_, searchFolders) ? S_OK : E_FAIL; }) == S_OK;
        }
        if (!loaded) {
            Log::Write(u"* Can't load Parlora (%s)", moduleFolder_);
            return E_OUTOFMEMORY;
        }
        return S_OK;
    });
}

HRESULT TtsEngine::SetObjectToken(ISpObjectToken* token) {
    if (!token) {
        return E_POINTER;
    }
    return guardedCall([&] {
        HRESULT result = S_OK;
        if (token_) {
            result = SPERR_ALREADY_INITIALIZED;
        } else {
            token_ = token;
            token_->AddRef();
        }
        LPWSTR name = nullptr;
        if (SUCCEEDED(result)) {
            result = readVoiceName(*token, &name);
            if (result == S_OK) {
                result = LoadVoice(fromWide(name));
            }
        }
        if (FAILED(result) && fromWide(name) != kFallbackVoice) {
            result = LoadVoice(kFallbackVoice);
        }
        CoTaskMemFree(name);
        return result;
    });
}

// Some tokens (Wine's) answer E_NOTIMPL to their own value getters; their data key, opened by an
// empty name, reads the same registry key.
HRESULT TtsEngine::readVoiceName(ISpObjectToken& token, LPWSTR* name) {
    static const std::u16string kVoiceName = u"VoiceName";
    HRESULT result = token.GetStringValue(toWide(kVoiceName), name);
    if (result == E_NOTIMPL) {
        static const std::u16string kTokenItself;
        ISpDataKey* key = nullptr;
        if (SUCCEEDED(token.OpenKey(toWide(kTokenItself), &key)) && key) {
            result = key->GetStringValue(toWide(kVoiceName), name);
            key->Release();
        }
    }
    return result;
}

HRESULT TtsEngine::GetObjectToken(ISpObjectToken** token) {
    if (!token) {
        return E_POINTER;
    }
    *token = token_;
    if (!token_) {
        return S_FALSE;
    }
    token_->AddRef();
    return S_OK;
}

HRESULT TtsEngine::LoadVoice(std::u16string_view name) {
    if (name.empty()) {
        return E_INVALIDARG;
    }
    Voice* voice = nullptr;
    {
        std::lock_guard guard(configLock_);
        voice = manager_.get(std::u16string(name));
    }
    {
        std::lock_guard guard(speakLock_);
        voice_ = voice;
        if (voice) {
            voice->SetSink(this);
        }
    }
    if (!voice) {
        Log::Write(u"* can't load voice: %s", name);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT TtsEngine::GetOutputFormat(const GUID*, const WAVEFORMATEX*, GUID* outputFormatId,
                                   WAVEFORMATEX** outputFormat) {
    Voice* const voice = voice_;
    if (!voice) {
        return E_OUTOFMEMORY;
    }
    if (!outputFormatId || !outputFormat) {
        return E_POINTER;
    }
    auto* format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!format) {
        return E_OUTOFMEMORY;
    }
    std::memset(format, 0, sizeof(WAVEFORMATEX));
    voice->GetFormat(format);
    *outputFormatId = SPDFID_WaveFormatEx;
    *outputFormat = format;
    return S_OK;
}

HRESULT TtsEngine::Speak(DWORD speakFlags, REFGUID, const WAVEFORMATEX*, const SPVTEXTFRAG* fragments,
                         ISpTTSEngineSite* site) {
    if (!site || !fragments) {
        Log::Write(u"* %p, frag list or site are invalid", static_cast<const void*>(this));
        return E_INVALIDARG;
    }
    std::lock_guard guard(speakLock_);
    if (!voice_) {
        return E_OUTOFMEMORY;
    }
    return guardedCall([&] { return speakFragments(speakFlags, fragments, site); });
}

// Consecutive speak fragments of equal prosody are spoken as one text; silence and spell-out
// fragments are rendered when met, so text still pending from earlier fragments follows them.
// A voice made current on another thread during the call (a second token) takes over from the
// next call on.
HRESULT TtsEngine::speakFragments(DWORD speakFlags, const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) {
    site_ = site;
    speaking_ = voice_;
    eventInterest_ = 0;
    site->GetEventInterest(&eventInterest_);
    speaking_->SetPunctuation((speakFlags & SPF_NLP_SPEAK_PUNC) ? Punctuation::All : Punctuation::None);
    audioOffset_ = 2;
    pendingText_.clear();
    pendingPositions_.clear();
    skipAsked_.reset();
    skipRequested_ = skipLeft_ = 0;
    abortSeen_ = false;
    writeFailure_ = S_OK;
    Prosody last;
    for (const SPVTEXTFRAG* fragment = fragments; fragment; fragment = fragment->pNext) {
        const DWORD actions = abortSeen_ ? static_cast<DWORD>(SPVES_ABORT) : site->GetActions();
        if (skipToTake(actions)) {
            takeSkip();
            settleSkipBetweenTexts();
        } else if (abortRequested(actions)) {
            stopVoice();
            return endOnAbort();
        }
        readSiteAdjustments();
        const std::u16string_view text = fromWide(fragment->pTextStart, fragment->pTextStart ? fragment->ulTextLen : 0);
        switch (fragment->State.eAction) {
        case SPVA_Speak: {
            const Prosody prosody = prosodyOf(fragment->State);
            if (prosody != last && last.rate != -1) {
                if (const HRESULT flushed = flush(); flushed != S_OK || abortSeen_) {
                    return abortSeen_ ? endOnAbort() : flushed;
                }
                deliverBookmarks();
            }
            last = prosody;
            applyProsody(prosody);
            appendPending(text, fragment->ulTextSrcOffset);
            break;
        }
        case SPVA_Silence:
            speaking_->Silence(fragment->State.SilenceMSecs);
            settleSkipBetweenTexts();
            break;
        case SPVA_Bookmark:
            if (exactEvents()) {
                if (const HRESULT placed = placeBookmark(*fragment); placed != S_OK || abortSeen_) {
                    return abortSeen_ ? endOnAbort() : placed;
                }
            } else if (interested(eventInterest_, SPEI_TTS_BOOKMARK)) {
                pendingBookmarks_.push_back(bookmarkOf(*fragment));
            }
            break;
        case SPVA_SpellOut:
            applyProsody(prosodyOf(fragment->State));
            if (!speaking_->Spell(text)) {
                logUnloadedModules();
            }
            settleSkipBetweenTexts();
            break;
        default:
            break;
        }
    }
    const HRESULT result = flush();
    if (abortSeen_) {
        return endOnAbort();
    }
    if (result == S_OK) {
        deliverBookmarks();
    }
    deliverEvents();
    if (skipLeft_ > 0) {
        site_->CompleteSkip(skipRequested_ - skipLeft_);
    }
    return result;
}

// Bookmarks queued for text that will never be heard would otherwise reach the client in its
// next call, with offsets of this one.
HRESULT TtsEngine::endOnAbort() {
    pendingText_.clear();
    pendingPositions_.clear();
    pendingBookmarks_.clear();
    pendingEvents_.clear();
    return writeFailure_;
}

void TtsEngine::readSiteAdjustments() {
    const DWORD actions = site_->GetActions();
    USHORT volume = 0;
    if ((actions & SPVES_VOLUME) && SUCCEEDED(site_->GetVolume(&volume))) {
        baseVolume_ = volume;
    }
    LONG rate = 0;
    if ((actions & SPVES_RATE) && SUCCEEDED(site_->GetRate(&rate))) {
        baseRate_ = rate;
    }
}

TtsEngine::Prosody TtsEngine::prosodyOf(const SPVSTATE& state) const {
    const std::uint32_t volume = state.Volume == 100 ? baseVolume_ : state.Volume;
    return {scaleAdjustment(state.RateAdj, baseRate_), static_cast<std::int32_t>(std::min<std::uint32_t>(volume, 100)),
            scaleAdjustment(state.PitchAdj.MiddleAdj, basePitch_)};
}

void TtsEngine::applyProsody(const Prosody& prosody) {
    speaking_->SetRate(prosody.rate);
    speaking_->SetVolume(prosody.volume);
    speaking_->SetPitch(prosody.pitch);
}

TtsEngine::Bookmark TtsEngine::bookmarkOf(const SPVTEXTFRAG& fragment) const {
    Bookmark bookmark{{}, std::u16string(fromWide(fragment.pTextStart, fragment.pTextStart ? fragment.ulTextLen : 0))};
    bookmark.event.eEventId = SPEI_TTS_BOOKMARK;
    bookmark.event.elParamType = SPET_LPARAM_IS_STRING;
    bookmark.event.ullAudioStreamOffset = audioOffset_;
    bookmark.event.wParam = static_cast<WPARAM>(TextUtil::toInt(bookmark.text));
    return bookmark;
}

// The joining space stands where the fragment begins.
void TtsEngine::appendPending(std::u16string_view text, ULONG sourceOffset) {
    pendingText_ += u' ';
    pendingText_ += text;
    if (exactEvents()) {
        if (!pendingPositions_.empty()) {
            pendingPositions_.pop_back(); // the previous end
        }
        pendingPositions_.push_back(sourceOffset);
        for (std::size_t i = 0; i <= text.size(); ++i) {
            pendingPositions_.push_back(static_cast<std::uint32_t>(sourceOffset + i));
        }
    }
}

HRESULT TtsEngine::placeBookmark(const SPVTEXTFRAG& fragment) {
    const HRESULT spoken = flush();
    if (spoken == S_OK && !abortSeen_ && interested(eventInterest_, SPEI_TTS_BOOKMARK)) {
        pendingEvents_.push_back(bookmarkOf(fragment));
    }
    return spoken;
}

void TtsEngine::queueEvent(const SPEVENT& event) {
    pendingEvents_.push_back({event, {}});
}

// Events go in the order they were met, which is the order of their audio offsets.
void TtsEngine::deliverEvents() {
    if (pendingEvents_.empty()) {
        return;
    }
    if (handOver(pendingEvents_) != S_OK) {
        Log::Write(u"* Event delivery error");
    }
}

HRESULT TtsEngine::flush() {
    if (pendingText_.empty()) {
        return S_OK;
    }
    const bool spoken = exactEvents() ? speakSkipping() : speaking_->SpeakText(pendingText_, pendingPositions_);
    pendingText_.clear();
    pendingPositions_.clear();
    // A text cut short because the site asked to abort was not a failure.
    if (spoken || abortSeen_) {
        return S_OK;
    }
    logUnloadedModules();
    return E_FAIL;
}

bool TtsEngine::speakSkipping() {
    const std::u16string_view text = pendingText_;
    std::vector<std::uint32_t> starts;
    std::size_t from = 0;
    if (skipLeft_ > 0) {
        starts = speaking_->SentenceStarts(text);
        if (static_cast<std::size_t>(skipLeft_) >= starts.size()) {
            skipLeft_ -= static_cast<LONG>(starts.size());
            if (skipLeft_ == 0) {
                site_->CompleteSkip(skipRequested_); // it lands on the next text's first sentence
            }
            return true;
        }
        from = starts[static_cast<std::size_t>(skipLeft_)];
        skipLeft_ = 0;
        site_->CompleteSkip(skipRequested_);
    }
    bool spoken = true;
    while (true) {
        spoken = speaking_->SpeakText(text.substr(from), std::span(pendingPositions_).subspan(from));
        if (!skipAsked_ || abortSeen_) {
            return spoken;
        }
        if (starts.empty()) {
            starts = speaking_->SentenceStarts(text);
        }
        const LONG asked = *skipAsked_;
        skipAsked_.reset();
        const auto current = static_cast<LONG>(sentenceAt(starts, static_cast<std::uint32_t>(from) + speaking_->LastSentenceStart()));
        const LONG target = std::max<LONG>(current + asked, 0);
        skipRequested_ = target - current;
        if (target >= static_cast<LONG>(starts.size())) {
            // Past this text: the sentences of the texts after it are passed over next.
            skipLeft_ = target - static_cast<LONG>(starts.size());
            if (skipLeft_ == 0) {
                site_->CompleteSkip(skipRequested_);
            }
            return true;
        }
        site_->CompleteSkip(skipRequested_);
        from = starts[static_cast<std::size_t>(target)];
    }
}

// A skip asked for while silence or spelling played: the next sentence is the one after it, so
// n sentences forward pass over n - 1 of the texts to come; there is nothing to go back to.
void TtsEngine::settleSkipBetweenTexts() {
    if (!skipAsked_) {
        return;
    }
    skipRequested_ = std::max<LONG>(*skipAsked_, 0);
    skipAsked_.reset();
    skipLeft_ = std::max<LONG>(skipRequested_ - 1, 0);
    if (skipLeft_ == 0) {
        site_->CompleteSkip(skipRequested_);
    }
}

void TtsEngine::takeSkip() {
    SPVSKIPTYPE type = SPVST_SENTENCE;
    LONG count = 0;
    if (FAILED(site_->GetSkipInfo(&type, &count)) || type != SPVST_SENTENCE) {
        site_->CompleteSkip(0);
        return;
    }
    skipAsked_ = count;
    stopVoice();
}

void TtsEngine::logUnloadedModules() {
    for (const VoicesConf::UnloadedModule& module : manager_.unloadedModules(*speaking_)) {
        if (std::ranges::find(loggedModules_, module.name) == loggedModules_.end()) {
            loggedModules_.push_back(module.name);
            Log::Write(u"* can't load module %s: %s", module.name, module.library);
        }
    }
}

std::vector<VoicesConf::UnloadedModule> TtsEngine::unloadedModules() {
    std::lock_guard guard(speakLock_);
    return speaking_ ? manager_.unloadedModules(*speaking_) : std::vector<VoicesConf::UnloadedModule>{};
}

// All queued bookmarks go to the site in one call; they are dropped whatever it answers.
void TtsEngine::deliverBookmarks() {
    if (!interested(eventInterest_, SPEI_TTS_BOOKMARK) || pendingBookmarks_.empty()) {
        return;
    }
    handOver(pendingBookmarks_);
}

// Strings go with their events: a bookmark's name is pointed to only now, where it stays put.
HRESULT TtsEngine::handOver(std::vector<Bookmark>& pending) {
    std::vector<SPEVENT> events;
    for (Bookmark& event : pending) {
        if (event.event.elParamType == SPET_LPARAM_IS_STRING) {
            event.event.lParam = reinterpret_cast<LPARAM>(event.text.c_str());
        }
        events.push_back(event.event);
    }
    const HRESULT result = site_->AddEvents(events.data(), static_cast<ULONG>(events.size()));
    pending.clear();
    return result;
}

void TtsEngine::stopVoice() {
    if (Voice* const voice = speaking_ ? speaking_ : voice_.load()) {
        voice->Stop();
    }
}

// A skip to take is no stop: it is taken at the next write.
bool TtsEngine::StopRequested() {
    if (!site_) {
        return false;
    }
    const DWORD actions = site_->GetActions();
    if (!skipToTake(actions) && abortRequested(actions)) {
        abortSeen_ = true;
        stopVoice();
        return true;
    }
    return false;
}

std::int32_t TtsEngine::OnAudio(const void* data, std::uint32_t byteCount, const SentenceMark* mark) {
    // A call that is ending writes nothing more, whatever a module still has to say (the pause
    // after a spelled character, a resampler's last samples). A skipped sentence's are held back
    // by the word timer.
    if (!site_ || abortSeen_) {
        stopVoice();
        return 1;
    }
    if (mark) {
        // The call's own interest, read at its start, stays what its bookmarks are judged by.
        ULONGLONG interest = 0;
        site_->GetEventInterest(&interest);
        // A module's own word marks mean nothing to a voice without exact events.
        const SPEVENTENUM eventId = mark->kind == SentenceMark::kWord ? SPEI_WORD_BOUNDARY : SPEI_SENTENCE_BOUNDARY;
        const bool raised = mark->kind == SentenceMark::kSentence || (mark->kind == SentenceMark::kWord && exactEvents());
        if (raised && interested(interest, eventId)) {
            SPEVENT event{};
            event.eEventId = eventId;
            event.elParamType = SPET_LPARAM_IS_UNDEFINED;
            event.ullAudioStreamOffset = audioOffset_;
            event.wParam = mark->first;
            event.lParam = static_cast<LPARAM>(mark->second);
            if (exactEvents()) {
                queueEvent(event);
            } else if (site_->AddEvents(&event, 1) != S_OK) {
                Log::Write(u"* Sentence boundary error");
            }
        }
    }
    if (!data || byteCount == 0) {
        return 0;
    }
    const DWORD actions = site_->GetActions();
    if (skipToTake(actions)) {
        takeSkip();
        if (skipAsked_) {
            pendingEvents_.clear(); // they belong to audio that will not be heard
            return 1;
        }
    } else if (abortRequested(actions)) {
        abortSeen_ = true;
        stopVoice();
        return 1;
    }
    deliverEvents();
    audioOffset_ += byteCount;
    ULONG written = 0;
    if (const HRESULT result = site_->Write(data, byteCount, &written); result != S_OK) {
        // The audio after a lost block would reach the client with a gap, and its events with
        // offsets of audio never written: the call ends as on an abort.
        writeFailure_ = FAILED(result) ? result : E_FAIL;
        abortSeen_ = true;
        stopVoice();
        return 1;
    }
    return 0;
}

} // namespace vx
