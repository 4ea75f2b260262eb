// The engine object as a SAPI client drives it: a configuration tree in a temporary folder,
// speech modules and a SAPI site that record what they are given into one journal.

#include "cli/ComRef.h"
#include "cli/VoiceToken.h"
#include "engine/TtsEngine.h"
#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>

namespace vx {
namespace {

using test::LogTail;
using test::TempFolder;
using Lines = std::vector<std::u16string>;

std::u16string number(std::int64_t value) { return fromUtf8(std::to_string(value)); }

// A Speak call's flags, what its site answers, and how the site and the modules behave.
struct Script {
    std::vector<DWORD> actions = {}; // answers of GetActions in turn; 0 once used up
    LONG rate = 0;
    USHORT volume = 100;
    ULONGLONG interest = 0;
    std::optional<ULONGLONG> laterInterest = {}; // the answers after the first, when they differ
    bool failWrites = false, failEvents = false;
    std::uint32_t bytesPerSpeak = 0;
    bool moduleFails = false;
    DWORD flags = 0;
    LONG skip = 0; // the sentences a skip asks for (GetSkipInfo)
};

// In order, what the modules were asked: "speak [<text>] @<rate>/<volume>/<pitch>",
// "silence <ms>", "stop"; and what a site was given, after its tag: "[failed ]write <bytes>",
// "sentence <length>/<position> @<offset>", "word <length>/<position> @<offset>",
// "bookmark <number>/[<string>] @<offset>", "skipped <sentences>".
struct Journal {
    Lines lines;
    Script script; // of the latest Speak call, for the modules
    std::function<void()> duringSpeak = [] {}; // called inside every module Speak
};
Journal journal;

class RecordingModule final : public SpeechModule {
public:
    RecordingModule() {
        SetPcmFormat(&nativeFormat_, 22050, 1, 8);
        outputFormat_ = nativeFormat_;
    }
    bool Speak(const TextPortion& text) override {
        journal.lines.push_back(u"speak [" + text + u"] @" + number(rate) + u"/" + number(volume) + u"/" + number(pitch));
        journal.duringSpeak();
        const std::vector<unsigned char> audio(journal.script.bytesPerSpeak, 'a');
        sink()->OnAudio(audio.data(), journal.script.bytesPerSpeak, nullptr);
        return !journal.script.moduleFails;
    }
    bool Stop() override { return journal.lines.push_back(u"stop"), true; }
    void Resume() override {}
    bool WriteSilence(std::uint32_t milliseconds) override {
        return journal.lines.push_back(u"silence " + number(milliseconds)), SpeechModule::WriteSilence(milliseconds);
    }
    bool SetConversion(const std::u16string&) override { return true; }
};

std::unique_ptr<SpeechModule> makeRecordingModule(ModuleKind kind) {
    return kind == ModuleKind::Tembra ? std::make_unique<RecordingModule>() : nullptr;
}

// program/data: voices "tembra" (ru) and "other" (uk, which reads "2" otherwise), two modules.
class ConfigTest : public testing::Test {
protected:
    ConfigTest() {
        journal = {};
        write("langs.conf", u"[ru]\nalphabet = cyrillic\n[uk]\nalphabet = cyrillic\n");
        write("ru.conf", u"[Letters]\nб=бэ\n[Numbers]\n1=один\n2=два\n[Symbols]\n.=точка\n[Replacements]\nщщ=щ\n");
        write("uk.conf", u"[Numbers]\n2=дві\n");
        write("engines.conf", u"[tembra]\nword_pause = 200\n[tembra_2]\nword_pause = 300\n");
        write("voices.conf", u"[tembra]\nru = tembra\n[other]\nuk = tembra\n[exact]\nru = tembra\nevents = exact\n");
    }
    void write(const std::string& file, std::u16string_view text) const { root.writeUtf16("program/data/" + file, text); }

    TempFolder root;
    const std::u16string program = root.file("program");
};

ISpObjectToken* makeToken(std::u16string name) {
    void* token = nullptr;
    ComObject<cli::VoiceToken>::Create(nullptr, IID_ISpObjectToken, &token, std::move(name));
    return static_cast<ISpObjectToken*>(token);
}

class RecordingSite final : public ISpTTSEngineSite {
public:
    RecordingSite(Script script, std::u16string tag) : script_(std::move(script)), tag_(std::move(tag)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override {
        for (const SPEVENT& e : std::span(events, script_.failEvents ? 0 : count)) {
            const std::u16string value = e.elParamType == SPET_LPARAM_IS_STRING
                                             ? u"[" + std::u16string(fromWide(reinterpret_cast<LPCWSTR>(e.lParam))) + u"]"
                                             : number(e.lParam);
            const std::u16string kind = e.eEventId == SPEI_SENTENCE_BOUNDARY ? u"sentence "
                                        : e.eEventId == SPEI_WORD_BOUNDARY     ? u"word "
                                                                               : u"bookmark ";
            journal.lines.push_back(tag_ + kind + number(e.wParam) + u"/" + value + u" @" + number(e.ullAudioStreamOffset));
        }
        return script_.failEvents ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* value) override {
        return *value = interestCalls_++ > 0 ? script_.laterInterest.value_or(script_.interest) : script_.interest, S_OK;
    }
    DWORD STDMETHODCALLTYPE GetActions() override { return actionCalls_ < script_.actions.size() ? script_.actions[actionCalls_++] : 0; }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG size, ULONG* written) override {
        journal.lines.push_back(tag_ + (script_.failWrites ? u"failed write " : u"write ") + number(size));
        *written = script_.failWrites ? 0 : size;
        return script_.failWrites ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRate(LONG* value) override { return *value = script_.rate, S_OK; }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* value) override { return *value = script_.volume, S_OK; }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* count) override {
        return *type = SPVST_SENTENCE, *count = script_.skip, S_OK;
    }
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG skipped) override {
        return journal.lines.push_back(tag_ + u"skipped " + number(skipped)), S_OK;
    }

private:
    Script script_;
    std::u16string tag_; // before each line in the journal
    std::size_t actionCalls_ = 0, interestCalls_ = 0;
};

// An engine object, made through its COM factory with the recording modules.
struct EngineHandle {
    explicit EngineHandle(const std::u16string& program)
        : created(ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, engine.out(), EngineFolders{program, u""},
                                               makeRecordingModule)) {
        if (engine) engine->QueryInterface(IID_ISpObjectWithToken, withToken.out());
    }
    HRESULT setVoice(std::u16string name) const {
        return withToken->SetObjectToken(cli::ComRef<ISpObjectToken>(makeToken(std::move(name))).get());
    }
    // Speaks fragments written short to a recording site: "_<ms>" is a silence, "#<text>" a
    // bookmark, "~<text>" spells the text out; anything else is spoken, "<text>|<rate>,<volume>,
    // <pitch>" with those values.
    HRESULT speak(Lines texts, const Script& script = {}, const std::u16string& tag = u"") const {
        std::vector<SPVTEXTFRAG> list(texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::u16string& text = texts[i];
            SPVSTATE& state = list[i].State;
            const char16_t kind = text.empty() ? u' ' : text[0];
            state.eAction = kind == u'_' ? SPVA_Silence : kind == u'#' ? SPVA_Bookmark : kind == u'~' ? SPVA_SpellOut : SPVA_Speak;
            text.erase(0, state.eAction == SPVA_Speak ? 0 : 1);
            state.Volume = 100;
            if (const std::size_t bar = text.find(u'|'); bar != std::u16string::npos) {
                std::sscanf(toUtf8(text.substr(bar + 1)).c_str(), "%d,%u,%d", &state.RateAdj, &state.Volume,
                            &state.PitchAdj.MiddleAdj);
                text.erase(bar);
            }
            state.SilenceMSecs = kind == u'_' ? static_cast<ULONG>(std::stoul(toUtf8(text))) : 0;
            list[i].pTextStart = toWide(text);
            list[i].ulTextLen = static_cast<ULONG>(text.size());
            // As if the texts stood one after another, a character apart.
            list[i].ulTextSrcOffset = i == 0 ? 0 : list[i - 1].ulTextSrcOffset + list[i - 1].ulTextLen + 1;
            list[i].pNext = i + 1 < list.size() ? &list[i + 1] : nullptr;
        }
        journal.script = script;
        RecordingSite site(script, tag);
        return engine->Speak(script.flags, SPDFID_WaveFormatEx, nullptr, list.empty() ? nullptr : list.data(), &site);
    }

    cli::ComRef<ISpTTSEngine> engine;
    cli::ComRef<ISpObjectWithToken> withToken;
    const HRESULT created;
};


using Engine = ConfigTest;

constexpr ULONGLONG kAllEvents = (1ULL << SPEI_TTS_BOOKMARK) | (1ULL << SPEI_SENTENCE_BOUNDARY);
constexpr ULONGLONG kSentences = 1ULL << SPEI_SENTENCE_BOUNDARY;
// Long enough to be cut at its sentence ends.
const std::u16string kThreeSentences = u"Первое предложение здесь. Второе тоже есть. И третье, последнее в тексте.";

// One Speak call with the voice "tembra"; its site is asked for actions twice a fragment, once a write.
struct SpeakCase {
    const char* label;
    Lines fragments;
    Script script;
    Lines journal;
    HRESULT result = S_OK;
    std::u16string log = {};
    std::u16string voice = u"tembra";
};

const SpeakCase kSpeakCases[] = {
    {"fragments of equal prosody are one text", {u"один", u"два"}, {}, {u"speak [один два ] @50/100/50"}},
    {"a prosody change flushes what is pending", {u"один", u"два|5", u"три|5,60,-2"}, {},
     {u"speak [один ] @50/100/50", u"speak [два ] @75/100/50", u"speak [три ] @75/60/40"}},
    {"the site's rate adds up (to +10 at most); its volume replaces a full one", {u"один", u"два|-13,60"},
     {.actions = {0, SPVES_RATE | SPVES_VOLUME}, .rate = 20, .volume = 40},
     {u"speak [один ] @100/40/50", u"speak [два ] @85/60/50"}},
    {"the slowest rate, and a volume above 100", {u"один|-30,250"}, {}, {u"speak [один ] @0/100/50"}},
    {"no overflow in the sum with the site's rate", {u"один|2147483647"}, {.actions = {0, SPVES_RATE}, .rate = 1},
     {u"speak [один ] @100/100/50"}},
    {"silence is written when met; pending text follows it", {u"один", u"_500", u"два"}, {},
     {u"silence 500", u"write 11025", u"speak [один два ] @50/100/50"}},
    {"spelling: a character at a time, each followed by a pause", {u"~аб"}, {},
     {u"speak [а ] @50/100/50", u"silence 100", u"write 2205", u"speak [бэ ] @50/100/50", u"silence 100", u"write 2205"}},
    {"spelling goes on past a character its module could not say", {u"~аб"}, {.moduleFails = true},
     {u"speak [а ] @50/100/50", u"silence 100", u"write 2205", u"speak [бэ ] @50/100/50", u"silence 100", u"write 2205"}},
    {"punctuation is spoken when the call asks for it", {u"один."}, {.flags = SPF_NLP_SPEAK_PUNC},
     {u"speak [один точка ] @50/100/50"}},
    {"bookmarks follow the audio of the text before them", {u"один", u"#42", u"два", u"#x1"},
     {.interest = kAllEvents, .bytesPerSpeak = 1000},
     {u"sentence 8/0 @2", u"speak [один два ] @50/100/50", u"write 1000", u"bookmark 42/[42] @2", u"bookmark 0/[x1] @2"}},
    {"the interest read at the start serves the call's bookmarks", {u"один", u"#42"},
     {.interest = 1ULL << SPEI_TTS_BOOKMARK, .laterInterest = 0, .bytesPerSpeak = 10},
     {u"speak [один ] @50/100/50", u"write 10", u"bookmark 42/[42] @2"}},
    {"sentence events: length, position, audio offset; bookmarks need interest",
     {u"Первое предложение здесь довольно длинное. Второе тоже длинное, очень длинное.", u"#42"},
     {.interest = 1ULL << SPEI_SENTENCE_BOUNDARY, .bytesPerSpeak = 1000},
     {u"sentence 42/0 @2", u"speak [первое предложение здесь довольно длинное. ] @50/100/50", u"write 1000",
      u"sentence 36/42 @1002", u"speak [второе тоже длинное, очень длинное. ] @50/100/50", u"write 1000"}},
    {"a failed sentence event is logged", {u"один"}, {.interest = kAllEvents, .failEvents = true},
     {u"speak [один ] @50/100/50"}, S_OK, u"* Sentence boundary error\n"},
    // The third question comes from the replacements, which write nothing while they run.
    {"an abort while the dictionaries run ends the call before anything is spoken", {u"щщ один"},
     {.actions = {0, 0, SPVES_ABORT}}, {u"stop"}},
    {"an abort between fragments drops what is pending", {u"один", u"два", u"три"},
     {.actions = {0, 0, 0, 0, SPVES_ABORT}}, {u"stop"}},
    // An abort (a skip is one) while a flush is written ends the call: nothing more is spoken, and
    // the bookmarks queued for text never heard are dropped.
    {"an abort while writing the flush of a prosody change", {u"один", u"#1", u"два|5"},
     {.actions = {0, 0, 0, 0, 0, 0, SPVES_ABORT}, .interest = kAllEvents, .bytesPerSpeak = 10},
     {u"sentence 4/0 @2", u"speak [один ] @50/100/50", u"stop"}},
    {"a skip while writing the last flush", {u"один", u"#1"},
     {.actions = {0, 0, 0, 0, SPVES_SKIP}, .interest = kAllEvents, .bytesPerSpeak = 10},
     {u"sentence 4/0 @2", u"speak [один ] @50/100/50", u"stop"}},
    // SAPI would report a failure to the application, such as a screen reader echoing a key.
    {"nothing to say is no failure", {u"", u"@ # % $ +"}, {}, {}},
    {"a failed module call fails the call", {u"один"}, {.moduleFails = true}, {u"speak [один ] @50/100/50"}, E_FAIL},
    // Nothing is written after a failed write: the audio would have a gap.
    {"a failed write ends the call", {u"один", u"_100", u"два", u"~аб"}, {.failWrites = true},
     {u"silence 100", u"failed write 2205", u"stop", u"stop"}, E_FAIL},
    {"a failed write ends a spelling", {u"~аб"}, {.failWrites = true, .bytesPerSpeak = 10},
     {u"speak [а ] @50/100/50", u"failed write 10", u"stop", u"silence 100", u"stop"}, E_FAIL},
    // With exact events the text before a bookmark is spoken first, and every event reaches the
    // site in one batch before the audio it belongs to.
    {"exact: bookmarks where they stand", {u"один", u"#42", u"два", u"#x1"}, {.interest = kAllEvents, .bytesPerSpeak = 1000},
     {u"speak [один ] @50/100/50", u"sentence 4/0 @2", u"write 1000", u"speak [два ] @50/100/50",
      u"bookmark 42/[42] @1002", u"sentence 3/8 @1002", u"write 1000", u"bookmark 0/[x1] @2002"}, S_OK, {}, u"exact"},
    {"exact: a bookmark at the start, and events without interest", {u"#1", u"один", u"#2"},
     {.interest = 1ULL << SPEI_TTS_BOOKMARK, .bytesPerSpeak = 10},
     {u"speak [один ] @50/100/50", u"bookmark 1/[1] @2", u"write 10", u"bookmark 2/[2] @12"}, S_OK, {}, u"exact"},
    // A module that marks no words gets them at the pace of 15 characters a second at first, then
    // at the pace its portions had; words its audio never reached are marked at the end.
    {"exact: word events at the caller's positions", {u"Привет мир", u"#1", u"два слова"},
     {.interest = kAllEvents | (1ULL << SPEI_WORD_BOUNDARY), .bytesPerSpeak = 1000},
     {u"speak [привет мир ] @50/100/50", u"sentence 10/0 @2", u"word 6/0 @2", u"write 1000",
      u"speak [два слова ] @50/100/50", u"word 3/7 @1002", u"bookmark 1/[1] @1002", u"sentence 9/13 @1002",
      u"word 3/13 @1002", u"write 1000", u"word 5/17 @2002"}, S_OK, {}, u"exact"},
    // A sentence skip stops the sentence at once and goes on n sentences further (back for a
    // negative n) within the call's text, completing with the number skipped.
    // (What follows a restart is one portion when it is short; its second sentence is marked
    // where its first word's audio is estimated to begin, here at the end of the portion.)
    {"exact: skip 1", {kThreeSentences}, {.actions = {0, 0, SPVES_SKIP}, .interest = kSentences, .bytesPerSpeak = 10, .skip = 1},
     {u"speak [первое предложение здесь. ] @50/100/50", u"stop", u"skipped 1",
      u"speak [второе тоже есть. и третье, последнее в тексте. ] @50/100/50", u"sentence 17/26 @2", u"write 10",
      u"sentence 29/44 @12"},
     S_OK, {}, u"exact"},
    {"exact: skip -1 from the second sentence", {kThreeSentences},
     {.actions = {0, 0, 0, SPVES_SKIP}, .interest = kSentences, .bytesPerSpeak = 10, .skip = -1},
     {u"speak [первое предложение здесь. ] @50/100/50", u"sentence 25/0 @2", u"write 10",
      u"speak [второе тоже есть. ] @50/100/50", u"stop", u"skipped -1", u"speak [первое предложение здесь. ] @50/100/50",
      u"sentence 25/0 @12", u"write 10", u"speak [второе тоже есть. ] @50/100/50", u"sentence 17/26 @22", u"write 10",
      u"speak [и третье, последнее в тексте. ] @50/100/50", u"sentence 29/44 @32", u"write 10"},
     S_OK, {}, u"exact"},
    // Between fragments nothing of the text to come was heard: skipping 4 lands on its fourth
    // sentence, the first of the next text.
    {"exact: skip 4 between fragments, past a whole text", {kThreeSentences, u"#1", u"Ещё одно. И ещё одно, последнее в этом длинном тексте."},
     {.actions = {0, 0, SPVES_SKIP}, .interest = kSentences, .bytesPerSpeak = 10, .skip = 4},
     {u"stop", u"skipped 4", u"speak [ещё одно. и ещё одно, последнее в этом длинном тексте. ] @50/100/50", u"sentence 9/76 @2",
      u"write 10", u"sentence 44/86 @12"}, S_OK, {}, u"exact"},
    {"exact: skip while silence plays", {u"_100", u"Раз. Два. Три, и это третье предложение довольно длинного текста."},
     {.actions = {0, 0, SPVES_SKIP}, .interest = kSentences, .bytesPerSpeak = 10, .skip = 2},
     {u"silence 100", u"stop", u"skipped 2", u"speak [два. три, и это третье предложение довольно длинного текста. ] @50/100/50",
      u"sentence 4/9 @2", u"write 10", u"sentence 55/14 @12"}, S_OK, {}, u"exact"},
    {"exact: an abort while the text before a bookmark is written drops it", {u"один", u"#1", u"два"},
     {.actions = {0, 0, 0, 0, SPVES_ABORT}, .interest = kAllEvents, .bytesPerSpeak = 10},
     {u"speak [один ] @50/100/50", u"stop"}, S_OK, {}, u"exact"},
};

// Each row is followed by a plain call on the same engine, which nothing of the row's reaches.
TEST_F(Engine, SpeaksTheFragments) {
    for (const SpeakCase& row : kSpeakCases) {
        SCOPED_TRACE(row.label);
        const EngineHandle engine(program);
        ASSERT_EQ(engine.setVoice(row.voice), S_OK);
        const LogTail log;
        EXPECT_EQ(engine.speak(row.fragments, row.script), row.result);
        EXPECT_EQ(journal.lines, row.journal);
        EXPECT_EQ(log.text(), row.log);

        journal = {};
        EXPECT_EQ(engine.speak({u"два."}, {.actions = {0, SPVES_RATE | SPVES_VOLUME}, .interest = kAllEvents}), S_OK);
        // Exact events wait for audio, of which there is none here, and come at the end.
        const Lines exact{u"speak [два. ] @50/100/50", u"sentence 4/0 @2"};
        EXPECT_EQ(journal.lines, row.voice == u"exact" ? exact : Lines(exact.rbegin(), exact.rend()));
        journal = {};
    }
}

// A token whose getter answers own (S_OK: the voice). Wine's answer E_NOTIMPL, and their data key,
// opened by an empty name, answers for them: here it names the voice (none if empty).
class OddToken : public cli::VoiceToken {
public:
    OddToken(HRESULT own, std::u16string voice) : VoiceToken(voice), own_(own), voice_(std::move(voice)) {}
    static std::span<const InterfaceEntry> interfaces() {
        static constexpr InterfaceEntry kEntries[] = {interfaceEntry<OddToken, ISpObjectToken>(IID_ISpObjectToken)};
        return kEntries;
    }
    HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR name, LPWSTR* value) override {
        return own_ == S_OK ? VoiceToken::GetStringValue(name, value) : own_;
    }
    HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR name, ISpDataKey** key) override {
        *key = voice_.empty() || !fromWide(name).empty() ? nullptr : makeToken(voice_);
        return *key ? S_OK : SPERR_NOT_FOUND;
    }
    HRESULT own_;
    std::u16string voice_;
};

// two: how the voice taken reads "2": "два" is "tembra", "дві" is "other".
struct TokenCase {
    const char* label;
    bool withTembra;
    std::u16string name;
    HRESULT getter, result;
    std::u16string log, two;
};

const TokenCase kTokenCases[] = {
    {"a known voice", true, u"other", S_OK, S_OK, u"", u"дві"},
    {"an unknown voice falls back to tembra", true, u"nobody", S_OK, S_OK, u"* can't load voice: nobody\n", u"два"},
    {"a token without VoiceName", true, u"other", SPERR_NOT_FOUND, S_OK, u"", u"два"},
    {"the name from the data key", false, u"other", E_NOTIMPL, S_OK, u"", u"дві"},
    {"a missing tembra is looked up once", false, u"tembra", S_OK, E_OUTOFMEMORY, u"* can't load voice: tembra\n", u""},
};

TEST_F(Engine, TakesTheVoiceItsTokenNames) {
    for (const TokenCase& row : kTokenCases) {
        SCOPED_TRACE(row.label);
        write("voices.conf", row.withTembra ? u"[tembra]\nru = tembra\n[other]\nuk = tembra\n" : u"[other]\nuk = tembra\n");
        const EngineHandle engine(program);
        cli::ComRef<ISpObjectToken> token;
        ComObject<OddToken>::Create(nullptr, IID_ISpObjectToken, token.out(), row.getter, row.name);
        const LogTail log;
        EXPECT_EQ(engine.withToken->SetObjectToken(token.get()), row.result);
        EXPECT_EQ(log.text(), row.log);
        EXPECT_EQ(engine.speak({u"2"}), row.result);
        EXPECT_EQ(journal.lines, row.two.empty() ? Lines{} : Lines{u"speak [" + row.two + u" ] @50/100/50"});
        journal = {};
    }
}

// Calls from other threads while Speak runs: a second token on the same object (which falls back
// to "tembra") waits for the call to finish, which keeps the voice it started with; another engine
// object, as a screen reader's second voice, speaks its own voice to its own site meanwhile.
TEST_F(Engine, CallsFromOtherThreadsDuringSpeak) {
    const EngineHandle engine(program), another(program);
    ASSERT_TRUE(engine.setVoice(u"other") == S_OK && another.setVoice(u"tembra") == S_OK);
    std::shared_future<HRESULT> token; // stays valid once taken
    journal.duringSpeak = [&] {
        if (!token.valid()) {
            token = std::async(std::launch::async, [&] { return engine.setVoice(u"other"); }).share();
            token.wait_for(std::chrono::milliseconds(100)); // time to replace the voice, were it not kept back
            EXPECT_EQ(std::async(std::launch::async, [&] { return another.speak({u"2"}, {.bytesPerSpeak = 10}, u"2: "); }).get(), S_OK);
        }
    };
    EXPECT_EQ(engine.speak({u"2", u"2|5"}, {.bytesPerSpeak = 10}, u"1: "), S_OK);
    EXPECT_EQ(token.get(), S_OK);
    EXPECT_EQ(engine.speak({u"2"}, {.bytesPerSpeak = 10}, u"1: "), S_OK);
    EXPECT_EQ(journal.lines, (Lines{u"speak [дві ] @50/100/50", u"speak [два ] @50/100/50", u"2: write 10", u"1: write 10",
                                      u"speak [дві ] @75/100/50", u"1: write 10", u"speak [два ] @50/100/50", u"1: write 10"}));
}

// Out-parameters start as markers, so that unwritten ones show.
TEST_F(Engine, FailuresAndOutParameters) {
    const EngineHandle engine(program);
    ISpObjectToken* held = reinterpret_cast<ISpObjectToken*>(0x1);
    EXPECT_EQ(engine.withToken->GetObjectToken(&held), S_FALSE);
    EXPECT_EQ(held, nullptr);
    GUID id{0xDEADBEEF, 0, 0, {}};
    WAVEFORMATEX* format = reinterpret_cast<WAVEFORMATEX*>(0x1);
    EXPECT_EQ(engine.engine->GetOutputFormat(nullptr, nullptr, &id, &format), E_OUTOFMEMORY); // no voice yet
    EXPECT_EQ(engine.speak({u"2"}), E_OUTOFMEMORY);
    EXPECT_EQ(engine.speak({}), E_INVALIDARG);
    ASSERT_EQ(engine.setVoice(u"tembra"), S_OK);
    ASSERT_EQ(engine.engine->GetOutputFormat(&SPDFID_WaveFormatEx, nullptr, &id, &format), S_OK);
    EXPECT_EQ(id, SPDFID_WaveFormatEx); // the first module's format
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    CoTaskMemFree(format);

    std::filesystem::remove(root.path() / "program/data/engines.conf");
    const LogTail log;
    const EngineHandle unconfigured(program);
    EXPECT_EQ(unconfigured.created, E_OUTOFMEMORY);
    EXPECT_EQ(log.text(), u"* Can't load Parlora (" + program + u"/)\n");
}

// voices.conf, and what it makes, one line a voice: "<name>: <language>=<module>@<rate>/<volume>/
// <pitch>...; punctuation <mode>, subvoices <digits>/<symbols>, portions <min>..<max>".
const std::pair<std::u16string, std::u16string> kVoicesCases[] = {
    {u"[v]\nru = tembra\ndigit_subvoice = 2\npunctuation_subvoice = 2\npunctuation = some\nmax_portion_size = -1\n"
     u"min_portion_size = 3\n",
     u"v: ru=tembra@100/100/50; punctuation 1, subvoices 1/1, portions 3..4294967295\n"},
    // Only "1" and "2" name a subvoice; the punctuation modes are case-sensitive.
    {u"[v]\nru = tembra\ndigit_subvoice = 3\npunctuation_subvoice = two\npunctuation = All\n",
     u"v: ru=tembra@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
    // Prosody keys act on the subvoices above them (speed 60 on none); speed 150 is refused, volumes clamped.
    {u"[v]\nspeed = 60\nru = tembra\nspeed = 0\nvolume = 150\nspeed = 150\npitch = 30\nuk = tembra_2\nvolume = -5\n",
     u"v: ru=tembra@0/0/30 uk=tembra_2@100/0/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
    // A line that is neither a key nor a subvoice of known parts discards the voice read so far.
    {u"[v]\nru = tembra\nmax_portion_size = 7\nnonsense = 1\nuk = tembra_2\n[w]\nru = tembra\nuk = espeak\n",
     u"v: uk=tembra_2@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
    // Names are case-sensitive; entries before the first section belong to no voice.
    {u"ru = tembra\n[tembra]\nru = tembra\n[Tembra]\nuk = tembra\n[none]\npunctuation = all\n",
     u"Tembra: uk=tembra@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"
     u"none:; punctuation 2, subvoices 0/0, portions 64..512\n"
     u"tembra: ru=tembra@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
};

using VoicesConfTest = ConfigTest;

TEST_F(VoicesConfTest, ReadsVoices) {
    for (const auto& [voicesConf, expected] : kVoicesCases) {
        SCOPED_TRACE(toUtf8(voicesConf));
        write("voices.conf", voicesConf);
        VoicesConf manager(makeRecordingModule);
        ASSERT_TRUE(manager.load(program, {program}));
        std::u16string voices;
        for (const auto& [name, voice] : manager.items()) {
            voices += name + u":";
            for (const auto& [language, module] : voice->subvoices()) {
                const ModuleSettings& s = module->settings();
                voices += u" " + language->name() + u"=" + manager.moduleName(module) + u"@" + number(s.rate) + u"/" +
                          number(s.volume) + u"/" + number(s.pitch);
            }
            const PipelineSettings& p = voice->settings();
            voices += u"; punctuation " + number(static_cast<int>(p.punctuation)) + u", subvoices " +
                      number(p.digitSubvoice) + u"/" + number(p.punctuationSubvoice) + u", portions " +
                      number(p.minPortionSize) + u".." + number(p.maxPortionSize) + u"\n";
            if (voice->subvoices().empty()) { // nothing to say it with, and no crash
                EXPECT_FALSE(voice->SpeakText(u"да") || voice->Silence(100) || voice->Spell(u"да"));
            }
        }
        EXPECT_EQ(voices, expected);
    }
}

} // namespace
} // namespace vx
