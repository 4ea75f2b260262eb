#include "tests/engine/EngineFixture.h"

#include <chrono>
#include <future>

namespace vx {
namespace {

using test::journal;
using test::number;
using test::Lines;
using Engine = test::ConfigTest;

constexpr ULONGLONG kAllEvents = (1ULL << SPEI_TTS_BOOKMARK) | (1ULL << SPEI_SENTENCE_BOUNDARY);

// One Speak call with the voice "tembra"; its site is asked for actions twice a fragment, once a write.
struct SpeakCase {
    const char* label;
    Lines fragments;
    test::Script script;
    Lines journal;
    HRESULT result = S_OK;
    std::u16string log = {};
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
    {"a failed write stops the voice", {u"один"}, {.failWrites = true, .bytesPerSpeak = 10},
     {u"speak [один ] @50/100/50", u"failed write 10", u"stop"}, E_FAIL},
};

// Each row is followed by a plain call on the same engine, which nothing of the row's reaches.
TEST_F(Engine, SpeaksTheFragments) {
    for (const SpeakCase& row : kSpeakCases) {
        SCOPED_TRACE(row.label);
        const test::EngineHandle engine(program);
        ASSERT_EQ(engine.setVoice(u"tembra"), S_OK);
        const test::LogTail log;
        EXPECT_EQ(engine.speak(row.fragments, row.script), row.result);
        EXPECT_EQ(journal.lines, row.journal);
        EXPECT_EQ(log.text(), row.log);

        journal = {};
        EXPECT_EQ(engine.speak({u"два."}, {.actions = {0, SPVES_RATE | SPVES_VOLUME}, .interest = kAllEvents}), S_OK);
        EXPECT_EQ(journal.lines, (Lines{u"sentence 4/0 @2", u"speak [два. ] @50/100/50"}));
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
        *key = voice_.empty() || !fromWide(name).empty() ? nullptr : test::makeToken(voice_);
        return *key ? S_OK : SPERR_NOT_FOUND;
    }
    HRESULT own_;
    std::u16string voice_;
};

struct TokenCase {
    const char* label;
    bool withTembra;
    std::u16string name;
    HRESULT getter;
    HRESULT result;
    std::u16string log;
    std::u16string two; // how the voice taken reads "2": "два" is "tembra", "дві" is "other"
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
        const test::EngineHandle engine(program);
        cli::ComRef<ISpObjectToken> token;
        ComObject<OddToken>::Create(nullptr, IID_ISpObjectToken, token.out(), row.getter, row.name);
        const test::LogTail log;
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
    const test::EngineHandle engine(program);
    const test::EngineHandle another(program);
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
    const test::EngineHandle engine(program);
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
    const test::LogTail log;
    const test::EngineHandle unconfigured(program);
    EXPECT_EQ(unconfigured.created, E_OUTOFMEMORY);
    EXPECT_EQ(log.text(), u"* Can't load Parlora (" + program + u"/)\n");
}

struct VoicesCase {
    std::u16string voicesConf;
    // One line a voice: "<name>: <language>=<module>@<rate>/<volume>/<pitch>...; punctuation
    // <mode>, subvoices <digits>/<symbols>, portions <min>..<max>".
    std::u16string voices;
};

const VoicesCase kVoicesCases[] = {
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

using VoicesConfTest = test::ConfigTest;

TEST_F(VoicesConfTest, ReadsVoices) {
    for (const VoicesCase& row : kVoicesCases) {
        SCOPED_TRACE(toUtf8(row.voicesConf));
        write("voices.conf", row.voicesConf);
        VoicesConf manager(test::makeRecordingModule);
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
        EXPECT_EQ(voices, row.voices);
    }
}

} // namespace
} // namespace vx
