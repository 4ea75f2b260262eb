#pragma once
// What the engine tests share: a configuration tree in a temporary folder, speech modules and a
// SAPI site that record what they are given into one journal, and an engine object to drive.

#include "cli/ComRef.h"
#include "cli/VoiceToken.h"
#include "engine/TtsEngine.h"
#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace vx::test {

using Lines = std::vector<std::u16string>;

inline std::u16string number(std::int64_t value) { return fromUtf8(std::to_string(value)); }

// A Speak call's flags, what its site answers, and how the site and the modules behave.
struct Script {
    std::vector<DWORD> actions = {}; // answers of GetActions in turn; 0 once used up
    LONG rate = 0;
    USHORT volume = 100;
    ULONGLONG interest = 0;
    std::optional<ULONGLONG> laterInterest = {}; // the answers after the first, when they differ
    bool failWrites = false;
    bool failEvents = false;
    std::uint32_t bytesPerSpeak = 0;
    bool moduleFails = false;
    DWORD flags = 0;
};

// In order, what the modules were asked: "speak [<text>] @<rate>/<volume>/<pitch>",
// "silence <ms>", "stop"; and what a site was given, after its tag: "[failed ]write <bytes>",
// "sentence <length>/<position> @<offset>", "bookmark <number>/[<string>] @<offset>".
struct Journal {
    Lines lines;
    Script script; // of the latest Speak call, for the modules
    std::function<void()> duringSpeak = [] {}; // called inside every module Speak
};
inline Journal journal;

class RecordingModule final : public SpeechModule {
public:
    RecordingModule() {
        SetPcmFormat(&nativeFormat_, 22050, 1, 8);
        outputFormat_ = nativeFormat_;
    }
    bool Speak(const TextPortion& text) override {
        const ModuleSettings& s = settings();
        journal.lines.push_back(u"speak [" + text + u"] @" + number(s.rate) + u"/" + number(s.volume) + u"/" +
                                  number(s.pitch));
        journal.duringSpeak();
        const std::vector<unsigned char> audio(journal.script.bytesPerSpeak, 'a');
        sink()->OnAudio(audio.data(), journal.script.bytesPerSpeak, nullptr);
        return !journal.script.moduleFails;
    }
    bool Stop() override {
        journal.lines.push_back(u"stop");
        return true;
    }
    void Resume() override {}
    bool WriteSilence(std::uint32_t milliseconds) override {
        journal.lines.push_back(u"silence " + number(milliseconds));
        return SpeechModule::WriteSilence(milliseconds);
    }
    bool SetConversion(const std::u16string&) override { return true; }
};

inline std::unique_ptr<SpeechModule> makeRecordingModule(ModuleKind kind) {
    return kind == ModuleKind::Tembra ? std::make_unique<RecordingModule>() : nullptr;
}

// program/data: voices "tembra" (ru) and "other" (uk, which reads "2" otherwise), two modules.
class ConfigTest : public testing::Test {
protected:
    ConfigTest() {
        journal = {};
        write("langs.conf", u"[ru]\nalphabet = cyrillic\n[uk]\nalphabet = cyrillic\n");
        write("ru.conf", u"[Letters]\nб=бэ\n[Numbers]\n1=один\n2=два\n[Symbols]\n.=точка\n");
        write("uk.conf", u"[Numbers]\n2=дві\n");
        write("engines.conf", u"[tembra]\nword_pause = 200\n[tembra_2]\nword_pause = 300\n");
        write("voices.conf", u"[tembra]\nru = tembra\n[other]\nuk = tembra\n");
    }
    void write(const std::string& file, std::u16string_view text) const { root.writeUtf16("program/data/" + file, text); }

    TempFolder root;
    const std::u16string program = root.file("program");
};

inline ISpObjectToken* makeToken(std::u16string name) {
    ISpObjectToken* token = nullptr;
    ComObject<cli::VoiceToken>::Create(nullptr, IID_ISpObjectToken, reinterpret_cast<void**>(&token), std::move(name));
    return token;
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
            journal.lines.push_back(tag_ + (e.eEventId == SPEI_SENTENCE_BOUNDARY ? u"sentence " : u"bookmark ") +
                                      number(e.wParam) + u"/" + value + u" @" + number(e.ullAudioStreamOffset));
        }
        return script_.failEvents ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* value) override {
        *value = interestCalls_++ > 0 ? script_.laterInterest.value_or(script_.interest) : script_.interest;
        return S_OK;
    }
    DWORD STDMETHODCALLTYPE GetActions() override {
        return actionCalls_ < script_.actions.size() ? script_.actions[actionCalls_++] : 0;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG size, ULONG* written) override {
        journal.lines.push_back(tag_ + (script_.failWrites ? u"failed write " : u"write ") + number(size));
        *written = script_.failWrites ? 0 : size;
        return script_.failWrites ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRate(LONG* value) override { return *value = script_.rate, S_OK; }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* value) override { return *value = script_.volume, S_OK; }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG) override { return E_NOTIMPL; }

private:
    Script script_;
    std::u16string tag_; // before each line in the journal
    std::size_t actionCalls_ = 0;
    std::size_t interestCalls_ = 0;
};

// An engine object, made through its COM factory with the recording modules.
struct EngineHandle {
    explicit EngineHandle(const std::u16string& program)
        : created(ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, engine.out(), EngineFolders{program, u""},
                                               makeRecordingModule)) {
        if (engine) {
            engine->QueryInterface(IID_ISpObjectWithToken, withToken.out());
        }
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

} // namespace vx::test
