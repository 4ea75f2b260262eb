#include "cli/VoiceToken.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/ProcessLog.h"

#include "platform/Utf.h"

#include <chrono>
#include <climits>
#include <future>
#include <gtest/gtest.h>

namespace vx {
namespace {

using test::Fragments;
using test::journal;
using Lines = std::vector<std::u16string>;

constexpr ULONGLONG kAllEvents = (1ULL << SPEI_TTS_BOOKMARK) | (1ULL << SPEI_SENTENCE_BOUNDARY) | SPFEI_FLAGCHECK;

class Engine : public testing::Test {
protected:
    Engine() : program(root) {
        test::useTemporaryHome(root);
        test::writeStandardTree(program);
        journal() = {};
    }

    // An engine object with the voice of that name made current.
    std::unique_ptr<test::EngineHandle> make(std::u16string voice = u"tembra") {
        auto handle = std::make_unique<test::EngineHandle>(EngineFolders{program.path, u""});
        EXPECT_EQ(handle->created, S_OK);
        if (!voice.empty()) {
            ISpObjectToken* token = test::makeToken(std::move(voice));
            EXPECT_EQ(handle->withToken->SetObjectToken(token), S_OK);
            token->Release();
        }
        journal().lines.clear();
        return handle;
    }

    HRESULT speak(Fragments& fragments, DWORD flags = 0) {
        return engine->engine->Speak(flags, SPDFID_WaveFormatEx, nullptr, fragments.first(), &site);
    }

    std::u16string log() const { return logTail.text(); }

    test::TempFolder root;
    test::LogTail logTail;
    test::ConfigTree program;
    test::RecordingSite site;
    std::unique_ptr<test::EngineHandle> engine;
};

TEST_F(Engine, FragmentsOfEqualProsodyAreSpokenAsOneText) {
    engine = make();
    Fragments fragments;
    fragments.speak(u"один").speak(u"два");
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, Lines{u"speak [один два ] @50/100/50"});
}

TEST_F(Engine, AProsodyChangeFlushesWhatIsPending) {
    engine = make();
    Fragments fragments;
    fragments.speak(u"один").speak(u"два", 5).speak(u"три", 5, 60, -2);
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, (Lines{u"speak [один ] @50/100/50", u"speak [два ] @75/100/50", u"speak [три ] @75/60/40"}));
}

struct ProsodyCase {
    LONG rateAdj;
    ULONG volume;
    LONG siteRate;
    USHORT siteVolume;
    std::u16string spoken;
};

class EngineProsody : public Engine, public testing::WithParamInterface<ProsodyCase> {};

TEST_P(EngineProsody, MapsSapiValuesOntoTheModuleScale) {
    engine = make();
    site.rate = GetParam().siteRate;
    site.volume = GetParam().siteVolume;
    site.actions = {0, SPVES_RATE | SPVES_VOLUME};
    Fragments fragments;
    fragments.speak(u"один", GetParam().rateAdj, GetParam().volume);
    speak(fragments);
    EXPECT_EQ(journal().lines, Lines{u"speak [один ] " + GetParam().spoken});
}

INSTANTIATE_TEST_SUITE_P(Table, EngineProsody, testing::Values(
    ProsodyCase{0, 100, 20, 100, u"@100/100/50"},  // clamped to +10
    ProsodyCase{-3, 100, 0, 100, u"@35/100/50"},
    ProsodyCase{-30, 100, 0, 100, u"@0/100/50"},
    ProsodyCase{0, 100, 0, 40, u"@50/40/50"},      // full fragment volume takes the site's
    ProsodyCase{0, 60, 0, 40, u"@50/60/50"},
    ProsodyCase{0, 250, 0, 100, u"@50/100/50"},
    ProsodyCase{INT_MAX, 100, 1, 100, u"@100/100/50"}, // no overflow in the sum
    ProsodyCase{INT_MIN, 100, -1, 100, u"@0/100/50"}));

TEST_F(Engine, SilenceIsWrittenWhenMetAndPendingTextFollows) {
    engine = make();
    Fragments fragments;
    fragments.speak(u"один").silence(500).speak(u"два");
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, (Lines{u"silence 500", u"speak [один два ] @50/100/50"}));
    EXPECT_EQ(site.audio, std::vector<unsigned char>(11025, 128));
}

TEST_F(Engine, OnlySilence) {
    engine = make();
    Fragments fragments;
    fragments.silence(100);
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, Lines{u"silence 100"});
}

TEST_F(Engine, BookmarksAreDeliveredAfterThePendingText) {
    engine = make();
    journal().bytesPerSpeak = 1000;
    site.interest = kAllEvents;
    Fragments fragments;
    fragments.speak(u"один").bookmark(u"42").speak(u"два").bookmark(u"x1");
    EXPECT_EQ(speak(fragments), S_OK);
    ASSERT_EQ(site.events.size(), 3u); // a sentence start, then the two bookmarks
    EXPECT_EQ(site.order, (std::vector<std::string>{"event 7 @2", "write 1000", "event 4 @2", "event 4 @2"}));
    EXPECT_EQ(site.events[1].event.wParam, 42u);
    EXPECT_EQ(site.events[1].text, u"42");
    EXPECT_EQ(site.events[1].event.elParamType, SPET_LPARAM_IS_STRING);
    EXPECT_EQ(site.events[2].event.wParam, 0u);
    EXPECT_EQ(site.events[2].text, u"x1");
}

TEST_F(Engine, BookmarksNeedInterest) {
    engine = make();
    Fragments fragments;
    fragments.speak(u"один").bookmark(u"42");
    speak(fragments);
    EXPECT_TRUE(site.events.empty());
}

TEST_F(Engine, SentenceEventsCarryTheAudioOffset) {
    engine = make();
    journal().bytesPerSpeak = 1000;
    site.interest = kAllEvents;
    Fragments fragments;
    fragments.speak(u"Первое предложение здесь довольно длинное. Второе тоже длинное, очень длинное.");
    speak(fragments);
    ASSERT_EQ(site.events.size(), 2u);
    EXPECT_EQ(site.events[0].event.ullAudioStreamOffset, 2u);
    EXPECT_EQ(site.events[1].event.ullAudioStreamOffset, 1002u);
    EXPECT_EQ(site.events[1].event.eEventId, SPEI_SENTENCE_BOUNDARY);
    EXPECT_EQ(site.events[0].event.wParam, 42u); // the first sentence's length
    EXPECT_EQ(site.events[1].event.lParam, 42);  // the second's position
}

TEST_F(Engine, AnAbortDropsWhatIsPending) {
    engine = make();
    site.actions = {0, 0, 0, 0, SPVES_ABORT};
    Fragments fragments;
    fragments.speak(u"один").speak(u"два").speak(u"три");
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, Lines{u"stop"});
}

TEST_F(Engine, AnAbortWhileWritingIsNoFailure) {
    engine = make();
    journal().bytesPerSpeak = 10;
    site.actions = {0, 0, SPVES_ABORT};
    Fragments fragments;
    fragments.speak(u"один");
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, (Lines{u"speak [один ] @50/100/50", u"stop"}));
    EXPECT_TRUE(site.audio.empty());
}

// An abort seen while the audio of a flush is written ends the call there, whether the flush
// came from a prosody change or after the last fragment: nothing more is spoken, and bookmarks
// queued for text never heard are dropped.
TEST_F(Engine, AnAbortWhileWritingEndsTheCall) {
    engine = make();
    journal().bytesPerSpeak = 10;
    site.interest = kAllEvents;
    Fragments changing;
    changing.speak(u"один").bookmark(u"1").speak(u"два", 5);
    Fragments last;
    last.speak(u"один").bookmark(u"1");
    for (Fragments* fragments : {&changing, &last}) {
        journal().lines.clear();
        site = {};
        site.interest = kAllEvents;
        site.actions = fragments == &changing ? std::vector<DWORD>{0, 0, 0, 0, 0, 0, SPVES_ABORT}
                                               : std::vector<DWORD>{0, 0, 0, 0, SPVES_ABORT};
        EXPECT_EQ(speak(*fragments), S_OK);
        EXPECT_EQ(journal().lines, (Lines{u"speak [один ] @50/100/50", u"stop"}));
        ASSERT_EQ(site.events.size(), 1u);
        EXPECT_EQ(site.events[0].event.eEventId, SPEI_SENTENCE_BOUNDARY);
    }
    // Nothing of the aborted calls reaches the next one.
    journal().lines.clear();
    site = {};
    site.interest = kAllEvents;
    Fragments next;
    next.speak(u"три");
    EXPECT_EQ(speak(next), S_OK);
    EXPECT_EQ(journal().lines, Lines{u"speak [три ] @50/100/50"});
    EXPECT_EQ(site.events.size(), 1u);
}

// A text with nothing to say is no failure: SAPI would report one to the application, such as
// a screen reader echoing a key.
TEST_F(Engine, NothingToSayIsNoFailure) {
    engine = make();
    for (const std::u16string text : {u"", u"   ", u"@", u"#", u"%", u"$", u"+"}) {
        Fragments fragments;
        fragments.speak(text);
        EXPECT_EQ(speak(fragments), S_OK) << toUtf8(text);
    }
    EXPECT_EQ(journal().lines, Lines{});
    EXPECT_TRUE(site.audio.empty());
    journal().speakResult = false;
    Fragments failing;
    failing.speak(u"один");
    EXPECT_EQ(speak(failing), E_FAIL);
}

// The call's own event interest decides its bookmarks, whatever the site says while the audio
// is written.
TEST_F(Engine, TheInterestReadAtTheStartServesTheCall) {
    engine = make();
    site.interest = kAllEvents;
    site.laterInterest = SPFEI(SPEI_SENTENCE_BOUNDARY);
    Fragments fragments;
    fragments.speak(u"один").bookmark(u"7");
    EXPECT_EQ(speak(fragments), S_OK);
    ASSERT_EQ(site.events.size(), 2u);
    EXPECT_EQ(site.events[1].event.eEventId, SPEI_TTS_BOOKMARK);
}

// A second token on another thread while Speak runs: the running call finishes with the voice it
// started with, and the other thread's fallback (no "tembra" here) takes effect after it.
TEST_F(Engine, ASecondTokenDuringSpeakWaitsForIt) {
    program.write("voices.conf", u"[other]\nru = tembra\n");
    engine = make(u"other");
    std::future<HRESULT> second;
    journal().duringSpeak = [&] {
        if (!second.valid()) {
            second = std::async(std::launch::async, [&] {
                ISpObjectToken* token = test::makeToken(u"other");
                const HRESULT result = engine->withToken->SetObjectToken(token);
                token->Release();
                return result;
            });
            // Long enough for the other thread to replace the voice if nothing kept it back.
            second.wait_for(std::chrono::milliseconds(100));
        }
    };
    Fragments fragments;
    fragments.speak(u"один").speak(u"два", 5);
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, (Lines{u"speak [один ] @50/100/50", u"speak [два ] @75/100/50"}));
    EXPECT_EQ(second.get(), E_OUTOFMEMORY);
    journal().duringSpeak = nullptr;
    EXPECT_EQ(speak(fragments), E_OUTOFMEMORY);
}

TEST_F(Engine, AFailedWriteStopsTheVoice) {
    engine = make();
    journal().bytesPerSpeak = 10;
    site.failWrites = true;
    Fragments fragments;
    fragments.speak(u"один");
    EXPECT_EQ(speak(fragments), E_FAIL);
    EXPECT_EQ(journal().lines, (Lines{u"speak [один ] @50/100/50", u"stop"}));
    EXPECT_EQ(engine->object().OnAudio("x", 1, nullptr), 1);
}

TEST_F(Engine, AMarkWithoutAudioRaisesTheEventOnly) {
    engine = make();
    site.interest = kAllEvents;
    Fragments fragments;
    fragments.silence(0);
    speak(fragments);
    const SentenceMark mark{SentenceMark::kSentence, 7, 3};
    EXPECT_EQ(engine->object().OnAudio(nullptr, 0, &mark), 0);
    ASSERT_EQ(site.events.size(), 1u);
    EXPECT_EQ(site.events[0].event.wParam, 7u);
    EXPECT_EQ(site.events[0].event.lParam, 3);
    EXPECT_TRUE(site.audio.empty());
}

TEST_F(Engine, SpellOutSpeaksCharacterByCharacter) {
    engine = make();
    Fragments fragments;
    fragments.spell(u"аб");
    EXPECT_EQ(speak(fragments), S_OK);
    EXPECT_EQ(journal().lines, (Lines{u"speak [а ] @50/100/50", u"silence 100", u"speak [бэ ] @50/100/50", u"silence 100"}));
}

TEST_F(Engine, InvalidArgumentsAreRejected) {
    engine = make();
    EXPECT_EQ(engine->engine->Speak(0, SPDFID_WaveFormatEx, nullptr, nullptr, &site), E_INVALIDARG);
    EXPECT_NE(log().find(u", frag list or site are invalid\n"), std::u16string::npos);
    EXPECT_EQ(engine->withToken->SetObjectToken(nullptr), E_POINTER);
    EXPECT_EQ(engine->withToken->GetObjectToken(nullptr), E_POINTER);
}

TEST_F(Engine, OutputFormatComesFromTheFirstModule) {
    engine = make();
    GUID id{0xDEADBEEF, 0, 0, {}};
    WAVEFORMATEX* format = reinterpret_cast<WAVEFORMATEX*>(0x1);
    const WAVEFORMATEX asked{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    ASSERT_EQ(engine->engine->GetOutputFormat(&SPDFID_WaveFormatEx, &asked, &id, &format), S_OK);
    EXPECT_EQ(id, SPDFID_WaveFormatEx);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(format->wBitsPerSample, 8);
    EXPECT_EQ(format->nChannels, 1);
    CoTaskMemFree(format);
}

TEST_F(Engine, NothingWorksWithoutAVoice) {
    engine = make(u"");
    GUID id{};
    WAVEFORMATEX* format = nullptr;
    EXPECT_EQ(engine->engine->GetOutputFormat(nullptr, nullptr, &id, &format), E_OUTOFMEMORY);
    Fragments fragments;
    fragments.speak(u"один");
    EXPECT_EQ(speak(fragments), E_OUTOFMEMORY);
}

TEST_F(Engine, AnUnknownVoiceFallsBackToTembra) {
    engine = make(u"");
    ISpObjectToken* token = test::makeToken(u"nobody");
    EXPECT_EQ(engine->withToken->SetObjectToken(token), S_OK);
    EXPECT_EQ(log(), u"* can't load voice: nobody\n");
    ISpObjectToken* held = nullptr;
    EXPECT_EQ(engine->withToken->GetObjectToken(&held), S_OK);
    EXPECT_EQ(held, token);
    held->Release();
    // A second token is refused; the fallback voice still decides the result.
    ISpObjectToken* second = test::makeToken(u"other");
    EXPECT_EQ(engine->withToken->SetObjectToken(second), S_OK);
    second->Release();
    token->Release();
}

// A token like Wine's: its own getters are not implemented, its data key answers.
class DataKeyToken : public cli::VoiceToken {
public:
    using VoiceToken::VoiceToken;
    static std::span<const InterfaceEntry> interfaces() {
        static constexpr InterfaceEntry kInterfaces[] = {interfaceEntry<DataKeyToken, ISpObjectToken>(IID_ISpObjectToken)};
        return kInterfaces;
    }
    HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR name, ISpDataKey** key) override {
        if (!fromWide(name).empty()) {
            return SPERR_NOT_FOUND;
        }
        *key = test::makeToken(u"other");
        return S_OK;
    }
};

TEST_F(Engine, TheVoiceNameMayComeFromTheTokensDataKey) {
    program.write("voices.conf", u"[other]\nru = tembra\n"); // no fallback to hide a miss
    engine = make(u"");
    ISpObjectToken* token = nullptr;
    ASSERT_EQ(ComObject<DataKeyToken>::Create(nullptr, IID_ISpObjectToken, reinterpret_cast<void**>(&token), u"x"), S_OK);
    EXPECT_EQ(engine->withToken->SetObjectToken(token), S_OK);
    EXPECT_EQ(log(), u"");
    token->Release();
}

TEST_F(Engine, WithoutTembraTheTokenFails) {
    program.write("voices.conf", u"[other]\nru = tembra\n");
    engine = make(u"");
    ISpObjectToken* token = test::makeToken(u"nobody");
    EXPECT_EQ(engine->withToken->SetObjectToken(token), E_OUTOFMEMORY);
    EXPECT_EQ(log(), u"* can't load voice: nobody\n* can't load voice: tembra\n");
    token->Release();
}

TEST_F(Engine, GetObjectTokenBeforeAToken) {
    engine = make(u"");
    ISpObjectToken* held = reinterpret_cast<ISpObjectToken*>(0x1);
    EXPECT_EQ(engine->withToken->GetObjectToken(&held), S_FALSE);
    EXPECT_EQ(held, nullptr);
}

TEST_F(Engine, AMissingConfigurationFailsTheCreation) {
    std::filesystem::remove(root.path() / "program" / "data" / "engines.conf");
    test::EngineHandle handle(EngineFolders{program.path, u""});
    EXPECT_EQ(handle.created, E_OUTOFMEMORY);
    EXPECT_EQ(handle.engine, nullptr);
    EXPECT_EQ(log(), u"* Can't load Parlora (" + program.path + u"/)\n");
}

TEST_F(Engine, AggregationHandsOutTheInnerUnknown) {
    struct Outer : IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
        ULONG STDMETHODCALLTYPE Release() override { return --references; }
        ULONG references = 1;
        virtual ~Outer() = default;
    } outer;
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(ComObject<TtsEngine>::Create(&outer, IID_ISpTTSEngine, &object, EngineFolders{program.path, u""},
                                           test::makeRecordingModule),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    IUnknown* inner = nullptr;
    ASSERT_EQ(ComObject<TtsEngine>::Create(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner),
                                           EngineFolders{program.path, u""}, test::makeRecordingModule),
              S_OK);
    ISpTTSEngine* engineInterface = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_ISpTTSEngine, reinterpret_cast<void**>(&engineInterface)), S_OK);
    EXPECT_EQ(outer.references, 2u); // the interface counts on the outer object
    engineInterface->Release();
    EXPECT_EQ(outer.references, 1u);
    IUnknown* same = nullptr;
    EXPECT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&same)), S_OK);
    EXPECT_EQ(same, inner);
    same->Release();
    inner->Release();
}

} // namespace
} // namespace vx
