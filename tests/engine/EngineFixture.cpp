#include "tests/engine/EngineFixture.h"

#include "cli/VoiceToken.h"
#include "platform/Utf.h"

#include <string>

namespace vx::test {

Journal& journal() {
    static Journal instance;
    return instance;
}

namespace {

std::u16string number(long value) { return fromUtf8(std::to_string(value)); }

class RecordingModule final : public SpeechModule {
public:
    RecordingModule() {
        SetPcmFormat(&nativeFormat_, 22050, 1, 8);
        outputFormat_ = nativeFormat_;
    }
    bool Speak(const TextPortion& text) override {
        const ModuleSettings& s = settings();
        journal().lines.push_back(u"speak [" + text + u"] @" + number(s.rate) + u"/" + number(s.volume) + u"/" +
                                  number(s.pitch));
        if (journal().duringSpeak) {
            journal().duringSpeak();
        }
        if (journal().bytesPerSpeak != 0 && sink()) {
            const std::vector<unsigned char> audio(journal().bytesPerSpeak, 'a');
            sink()->OnAudio(audio.data(), static_cast<std::uint32_t>(audio.size()), nullptr);
        }
        return journal().speakResult;
    }
    bool Stop() override {
        journal().lines.push_back(u"stop");
        return true;
    }
    void Resume() override {}
    bool WriteSilence(std::uint32_t milliseconds) override {
        journal().lines.push_back(u"silence " + number(milliseconds));
        return SpeechModule::WriteSilence(milliseconds);
    }
    bool SetConversion(const std::u16string&) override { return true; }
};

} // namespace

std::unique_ptr<SpeechModule> makeRecordingModule(ModuleKind kind) {
    return kind == ModuleKind::Tembra ? std::make_unique<RecordingModule>() : nullptr;
}

ConfigTree::ConfigTree(const TempFolder& root, std::string folder)
    : path(root.file(folder)), root_(root), folder_(std::move(folder)) {}

void ConfigTree::write(const std::string& file, std::u16string_view text) const {
    root_.writeUtf16(folder_ + "/data/" + file, text);
}

void writeStandardTree(const ConfigTree& tree) {
    tree.write("langs.conf", u"[ru]\nalphabet = cyrillic\n");
    tree.write("ru.conf", u"[Letters]\nб=бэ\n[Numbers]\n1=один\n2=два\n");
    tree.write("engines.conf", u"[tembra]\nword_pause = 200\n");
    tree.write("voices.conf", u"[tembra]\nru = tembra\n[other]\nru = tembra\n");
}

void useTemporaryHome(const TempFolder& root) { setenv("XDG_CONFIG_HOME", (root.path() / "home").c_str(), 1); }

ISpObjectToken* makeToken(std::u16string name) {
    ISpObjectToken* token = nullptr;
    ComObject<cli::VoiceToken>::Create(nullptr, IID_ISpObjectToken, reinterpret_cast<void**>(&token), std::move(name));
    return token;
}

HRESULT RecordingSite::AddEvents(const SPEVENT* list, ULONG count) {
    for (ULONG i = 0; i < count; ++i) {
        const SPEVENT& e = list[i];
        std::u16string text;
        if (e.elParamType == SPET_LPARAM_IS_STRING) {
            text = fromWide(reinterpret_cast<LPCWSTR>(e.lParam));
        }
        events.push_back({e, text});
        order.push_back("event " + std::to_string(e.eEventId) + " @" + std::to_string(e.ullAudioStreamOffset));
    }
    return S_OK;
}

DWORD RecordingSite::GetActions() {
    const std::size_t call = actionCalls++;
    return call < actions.size() ? actions[call] : 0;
}

HRESULT RecordingSite::Write(const void* data, ULONG size, ULONG* written) {
    if (failWrites) {
        return E_FAIL;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    audio.insert(audio.end(), bytes, bytes + size);
    order.push_back("write " + std::to_string(size));
    *written = size;
    return S_OK;
}

Fragments& Fragments::add(SPVACTIONS action, std::u16string text) {
    texts_.push_back(std::make_unique<std::u16string>(std::move(text)));
    SPVTEXTFRAG fragment{};
    fragment.State.eAction = action;
    fragment.State.Volume = 100;
    fragment.pTextStart = toWide(*texts_.back());
    fragment.ulTextLen = static_cast<ULONG>(texts_.back()->size());
    list_.push_back(fragment);
    return *this;
}

Fragments& Fragments::speak(std::u16string text, LONG rateAdj, ULONG volume, LONG pitchAdj) {
    add(SPVA_Speak, std::move(text));
    list_.back().State.RateAdj = rateAdj;
    list_.back().State.Volume = volume;
    list_.back().State.PitchAdj.MiddleAdj = pitchAdj;
    return *this;
}

Fragments& Fragments::silence(ULONG milliseconds) {
    add(SPVA_Silence, u"");
    list_.back().State.SilenceMSecs = milliseconds;
    return *this;
}

Fragments& Fragments::bookmark(std::u16string text) { return add(SPVA_Bookmark, std::move(text)); }

Fragments& Fragments::spell(std::u16string text) { return add(SPVA_SpellOut, std::move(text)); }

const SPVTEXTFRAG* Fragments::first() {
    for (std::size_t i = 0; i + 1 < list_.size(); ++i) {
        list_[i].pNext = &list_[i + 1];
    }
    return list_.empty() ? nullptr : list_.data();
}

EngineHandle::EngineHandle(const EngineFolders& folders) {
    created = ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, reinterpret_cast<void**>(&engine), folders,
                                           makeRecordingModule);
    if (SUCCEEDED(created)) {
        engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
    }
}

EngineHandle::~EngineHandle() {
    if (withToken) {
        withToken->Release();
    }
    if (engine) {
        engine->Release();
    }
}

} // namespace vx::test
