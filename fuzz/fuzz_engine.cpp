// The engine object with the shipped voices (their events exact) speaks random fragment lists to
// a site that answers from the input: its event interest, now and then an abort or a skip of
// some sentences while audio is written, and perhaps a write that fails (which ends the call: no
// write after it, and the call fails). Nothing may crash or hang, and what reaches the site must
// be in order: every event before the audio it belongs to, its audio offset never falling behind
// an earlier one, its position inside the caller's text, and no more skips completed than were
// asked for.

#include "cli/PlainSite.h"
#include "engine/TtsEngine.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace vx;

// What the fragments' texts are made of: Russian and Latin letters, digits, spaces, punctuation
// and the symbols the reading stage names.
constexpr std::u16string_view kAlphabet = u"абвгдеёжзийклмнопрстуфхцчшщыьэюяАБВГДЕЖМНОСТ"
                                          u"abcdeXIV0123456789     .,!?;:-–—%№$€°+=@/()«»\"'ʼ\u00A0\u00AD";

class Input {
public:
    explicit Input(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t next() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    bool empty() const { return at_ >= bytes_.size(); }
    std::u16string text(std::size_t length) {
        std::u16string out;
        for (std::size_t i = 0; i < length; ++i) out += kAlphabet[next() % kAlphabet.size()];
        return out;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

class ScriptedSite final : public cli::PlainSite {
public:
    // failingWrite: the number of the write that fails (0: none does).
    ScriptedSite(ULONGLONG interest, std::vector<DWORD> actions, LONG skip, std::uint64_t textEnd, std::size_t failingWrite)
        : interest_(interest), actions_(std::move(actions)), skip_(skip), textEnd_(textEnd), failingWrite_(failingWrite) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override {
        for (const SPEVENT& event : std::span(events, count)) {
            VX_FUZZ_CHECK(event.ullAudioStreamOffset >= lastOffset_ && event.ullAudioStreamOffset <= 2 + written_);
            VX_FUZZ_CHECK((interest_ >> event.eEventId) & 1U);
            if (event.eEventId == SPEI_WORD_BOUNDARY || event.eEventId == SPEI_SENTENCE_BOUNDARY)
                VX_FUZZ_CHECK(static_cast<std::uint64_t>(event.lParam) + event.wParam <= textEnd_);
            lastOffset_ = event.ullAudioStreamOffset;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* value) override { return *value = interest_, S_OK; }
    DWORD STDMETHODCALLTYPE GetActions() override {
        const DWORD action = next_ < actions_.size() ? actions_[next_++] : 0;
        skipsAsked_ += (action & SPVES_SKIP) ? 1 : 0;
        return action;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG size, ULONG* written) override {
        VX_FUZZ_CHECK(!writeFailed()); // a failed write ends the call
        if (++writes_ == failingWrite_) {
            *written = 0;
            return E_FAIL;
        }
        written_ += size;
        *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* count) override {
        return *type = SPVST_SENTENCE, *count = skip_, S_OK;
    }
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG) override {
        VX_FUZZ_CHECK(++skipsCompleted_ <= skipsAsked_);
        return S_OK;
    }
    bool writeFailed() const { return failingWrite_ != 0 && writes_ >= failingWrite_; }

private:
    ULONGLONG interest_;
    std::vector<DWORD> actions_;
    LONG skip_;
    std::uint64_t textEnd_;
    std::size_t failingWrite_;
    std::size_t writes_ = 0;
    std::size_t next_ = 0;
    std::uint64_t written_ = 0;
    ULONGLONG lastOffset_ = 0;
    std::size_t skipsAsked_ = 0;
    std::size_t skipsCompleted_ = 0;
};

constexpr std::size_t kMostFragments = 12;
constexpr std::size_t kLongestText = 48;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One engine for every input, as a host keeps one: what a call leaves behind meets the next.
    static TtsEngine* const engine = [] {
        void* object = nullptr;
        const EngineFolders folders{platform::parentFolder(fromUtf8(VX_PROGRAM_DATA_DIR)), u""};
        VX_FUZZ_CHECK(SUCCEEDED(ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, &object, folders, createModule)));
        return static_cast<TtsEngine*>(static_cast<ISpTTSEngine*>(object));
    }();
    Input input(std::span(data, size));
    VX_FUZZ_CHECK(engine->LoadVoice(input.next() % 2 ? u"tembra_uk" : u"tembra") == S_OK);
    const std::uint8_t interestBits = input.next();
    const ULONGLONG interest = ((interestBits & 1U) ? SPFEI(SPEI_TTS_BOOKMARK) : 0) |
                               ((interestBits & 2U) ? SPFEI(SPEI_SENTENCE_BOUNDARY) : 0) |
                               ((interestBits & 4U) ? SPFEI(SPEI_WORD_BOUNDARY) : 0);
    const LONG skip = static_cast<std::int8_t>(input.next()) % 5;
    const std::size_t failingWrite = input.next() % 32;
    std::vector<DWORD> actions;
    for (std::size_t i = input.next() % 16; i > 0; --i) {
        const std::uint8_t action = input.next();
        actions.push_back(action >= 250 ? SPVES_ABORT : action >= 200 ? SPVES_SKIP : 0);
    }
    std::vector<std::u16string> texts;
    std::vector<SPVTEXTFRAG> fragments;
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < kMostFragments && !input.empty(); ++i) {
        SPVTEXTFRAG fragment{};
        const std::uint8_t kind = input.next();
        fragment.State.eAction = kind % 8 == 0 ? SPVA_Bookmark : kind % 8 == 1 ? SPVA_Silence : kind % 8 == 2 ? SPVA_SpellOut : SPVA_Speak;
        fragment.State.RateAdj = static_cast<std::int8_t>(input.next()) % 12;
        fragment.State.Volume = input.next() % 101;
        fragment.State.SilenceMSecs = input.next() % 50;
        texts.push_back(input.text(input.next() % kLongestText));
        fragments.push_back(fragment);
    }
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        fragments[i].pTextStart = toWide(texts[i]);
        fragments[i].ulTextLen = static_cast<ULONG>(texts[i].size());
        fragments[i].ulTextSrcOffset = static_cast<ULONG>(offset);
        fragments[i].pNext = i + 1 < fragments.size() ? &fragments[i + 1] : nullptr;
        offset += texts[i].size() + 1;
    }
    if (fragments.empty()) return 0;
    ScriptedSite site(interest, std::move(actions), skip, offset, failingWrite);
    const HRESULT result = engine->Speak(0, SPDFID_WaveFormatEx, nullptr, fragments.data(), &site);
    VX_FUZZ_CHECK(!site.writeFailed() || FAILED(result));
    return 0;
}
