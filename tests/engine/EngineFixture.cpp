#include "tests/engine/EngineFixture.h"

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

void useTemporaryHome(const TempFolder& root) {
    setenv("XDG_CONFIG_HOME", (root.path() / "home").c_str(), 1);
    setenv("TMPDIR", root.path().c_str(), 1);
}

namespace {

class TestToken final : public ISpObjectToken {
public:
    explicit TestToken(std::u16string name) : name_(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR valueName, LPWSTR* value) override {
        if (name_.empty() || fromWide(valueName) != u"VoiceName") {
            return SPERR_NOT_FOUND;
        }
        *value = CoTaskMemDuplicate(name_);
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE SetData(LPCWSTR, ULONG, const BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetData(LPCWSTR, ULONG*, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStringValue(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDWORD(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDWORD(LPCWSTR, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteKey(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumKeys(ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumValues(ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetId(LPCWSTR, LPCWSTR, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCategory(ISpObjectTokenCategory**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, DWORD, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStorageFileName(REFCLSID, LPCWSTR, LPCWSTR, ULONG, LPWSTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveStorageFileName(REFCLSID, LPCWSTR, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(const CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR, void*, ULONG, IUnknown*, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayUI(HWND, LPCWSTR, LPCWSTR, void*, ULONG, IUnknown*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE MatchesAttributes(LPCWSTR, BOOL*) override { return E_NOTIMPL; }

    virtual ~TestToken() = default;

private:
    std::u16string name_;
    ULONG references_ = 1;
};

} // namespace

ISpObjectToken* makeToken(std::u16string name) { return new TestToken(std::move(name)); }

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
