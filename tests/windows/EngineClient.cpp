// A SAPI client of the engine DLL, run under Wine: it loads the DLL as COM would, registers it,
// finds both voices through SAPI's own token category, and drives the engine object with a token
// and an output site of its own (Wine's ISpVoice::Speak and the tokens' CreateInstance are not
// implemented, so the client stands in for SAPI). Prints one line per failed check and exits
// 1 if any failed (a count could wrap to 0, or be taken for a skip code).
//
// usage: EngineClient.exe PATH-OF-vxtts.dll [PCM-FILE]
// With PCM-FILE, the audio of kSentence (voice "tembra", default prosody) is also written there,
// to be compared with what the Linux build makes of the same text.

#include "cli/VoiceToken.h"
#include "platform/Sapi.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what, long value = 0) {
    if (!ok) {
        std::printf("FAIL: %s (0x%08lX)\n", what, static_cast<unsigned long>(value));
        ++failures;
    }
}

constexpr CLSID kEngineClassId = {0x5E31A0C4, 0x7D92, 0x4B6E, {0x9A, 0x13, 0xC8, 0x4F, 0x2D, 0x60, 0xB7, 0xE5}};

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using RegisterServer = HRESULT(STDAPICALLTYPE*)();

template <class T>
T entry(HMODULE dll, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// The token of the vxtts command: it holds only the value the engine reads, "VoiceName".
ISpObjectToken* makeToken(const char16_t* voice) {
    ISpObjectToken* token = nullptr;
    vx::ComObject<vx::cli::VoiceToken>::Create(nullptr, IID_ISpObjectToken, reinterpret_cast<void**>(&token),
                                               std::u16string(voice));
    return token;
}

// An output site that keeps the audio and the events, and can ask for an abort after some
// writes.
class Site final : public ISpTTSEngineSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* list, ULONG count) override {
        for (ULONG i = 0; i < count; ++i) {
            events.push_back(list[i]);
            if (list[i].elParamType == SPET_LPARAM_IS_STRING) {
                bookmarks.push_back(reinterpret_cast<const wchar_t*>(list[i].lParam));
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override {
        *interest = SPFEI(SPEI_SENTENCE_BOUNDARY) | SPFEI(SPEI_TTS_BOOKMARK);
        return S_OK;
    }
    DWORD STDMETHODCALLTYPE GetActions() override { return abortAfter != 0 && writes >= abortAfter ? SPVES_ABORT : 0; }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        const auto* bytes = static_cast<const unsigned char*>(data);
        audio.insert(audio.end(), bytes, bytes + size);
        ++writes;
        *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRate(long* rate) override {
        *rate = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) override {
        *volume = 100;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE*, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompleteSkip(long) override { return E_NOTIMPL; }

    std::vector<unsigned char> audio;
    std::vector<SPEVENT> events;
    std::vector<std::wstring> bookmarks;
    unsigned writes = 0;
    unsigned abortAfter = 0;
};

constexpr const wchar_t* kSentence = L"Съешь же ещё этих мягких французских булок.";

SPVTEXTFRAG fragment(SPVACTIONS action, const wchar_t* text) {
    SPVTEXTFRAG f{};
    f.State.eAction = action;
    f.State.Volume = 100;
    f.pTextStart = text;
    f.ulTextLen = static_cast<ULONG>(wcslen(text));
    return f;
}

// Both voices are listed by SAPI's own token category, with their attributes.
void findVoices() {
    ISpObjectTokenCategory* category = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL, IID_ISpObjectTokenCategory,
                                  reinterpret_cast<void**>(&category));
    check(hr == S_OK, "SAPI's token category can be made", hr);
    if (FAILED(hr)) {
        return;
    }
    hr = category->SetId(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices", FALSE);
    IEnumSpObjectTokens* tokens = nullptr;
    if (SUCCEEDED(hr)) {
        hr = category->EnumTokens(nullptr, nullptr, &tokens);
    }
    check(hr == S_OK, "the voice tokens can be listed", hr);
    // Each voice as "Name Gender Language", from the token's Attributes key.
    std::vector<std::wstring> voices;
    ISpObjectToken* token = nullptr;
    while (tokens && tokens->Next(1, &token, nullptr) == S_OK) {
        ISpDataKey* attributes = nullptr;
        if (SUCCEEDED(token->OpenKey(L"Attributes", &attributes))) {
            std::wstring voice;
            for (const wchar_t* name : {L"Name", L"Gender", L"Language"}) {
                LPWSTR value = nullptr;
                if (SUCCEEDED(attributes->GetStringValue(name, &value))) {
                    voice += (voice.empty() ? L"" : L" ") + std::wstring(value);
                    CoTaskMemFree(value);
                }
            }
            voices.push_back(voice);
            attributes->Release();
        }
        token->Release();
    }
    auto listed = [&voices](const wchar_t* voice) {
        for (const auto& v : voices) {
            if (v == voice) {
                return true;
            }
        }
        return false;
    };
    check(listed(L"Tembra_Russian Male 419"), "the Russian voice is listed with its attributes");
    check(listed(L"Tembra_Ukrainian Male 422"), "the Ukrainian voice is listed with its attributes");
    if (tokens) {
        tokens->Release();
    }
    category->Release();
}

void speak(IClassFactory* factory) {
    ISpTTSEngine* engine = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_ISpTTSEngine, reinterpret_cast<void**>(&engine));
    check(hr == S_OK && engine, "the engine object is made", hr);
    if (!engine) {
        return;
    }
    ISpObjectWithToken* withToken = nullptr;
    engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
    ISpObjectToken* token = makeToken(u"tembra");
    check(withToken && withToken->SetObjectToken(token) == S_OK, "the token is taken");
    token->Release();

    GUID format{};
    WAVEFORMATEX* wave = nullptr;
    hr = engine->GetOutputFormat(&SPDFID_WaveFormatEx, nullptr, &format, &wave);
    check(hr == S_OK && IsEqualGUID(format, SPDFID_WaveFormatEx) && wave && wave->nSamplesPerSec == 22050 &&
              wave->wBitsPerSample == 8 && wave->nChannels == 1,
          "the output format is 22050 Hz 8-bit mono", hr);
    CoTaskMemFree(wave);

    // Two sentences and a bookmark between two speak fragments.
    SPVTEXTFRAG list[3] = {fragment(SPVA_Speak, L"Мама мыла раму. А папа читал газету, очень длинную газету."),
                           fragment(SPVA_Bookmark, L"42"), fragment(SPVA_Speak, L"Вот и всё.")};
    list[0].pNext = &list[1];
    list[1].pNext = &list[2];
    Site site;
    hr = engine->Speak(0, SPDFID_WaveFormatEx, nullptr, list, &site);
    check(hr == S_OK, "Speak succeeds", hr);
    check(site.audio.size() > 22050, "more than a second of audio arrives", static_cast<long>(site.audio.size()));
    unsigned sentences = 0;
    ULONGLONG lastOffset = 0;
    for (const SPEVENT& e : site.events) {
        if (e.eEventId == SPEI_SENTENCE_BOUNDARY) {
            check(sentences == 0 ? e.ullAudioStreamOffset == 2 : e.ullAudioStreamOffset > lastOffset,
                  "sentence offsets start at 2 and grow", static_cast<long>(e.ullAudioStreamOffset));
            lastOffset = e.ullAudioStreamOffset;
            ++sentences;
        }
    }
    check(sentences >= 2, "sentence events arrive", static_cast<long>(sentences));
    check(site.bookmarks.size() == 1 && site.bookmarks[0] == L"42", "the bookmark arrives with its text");
    for (const SPEVENT& e : site.events) {
        if (e.eEventId == SPEI_TTS_BOOKMARK) {
            // Met while both texts were still pending: before any of their audio.
            check(e.ullAudioStreamOffset == 2 && e.wParam == 42, "the bookmark carries its offset and number",
                  static_cast<long>(e.ullAudioStreamOffset));
        }
    }

    Site aborted;
    aborted.abortAfter = 2;
    hr = engine->Speak(0, SPDFID_WaveFormatEx, nullptr, list, &aborted);
    check(hr == S_OK, "an aborted Speak succeeds", hr);
    check(aborted.writes == 2, "an abort ends speaking", static_cast<long>(aborted.writes));
    check(aborted.audio.size() < site.audio.size(), "an abort cuts the audio short", static_cast<long>(aborted.audio.size()));

    withToken->Release();
    engine->Release();
}

void speakToFile(IClassFactory* factory, const std::wstring& path) {
    ISpTTSEngine* engine = nullptr;
    factory->CreateInstance(nullptr, IID_ISpTTSEngine, reinterpret_cast<void**>(&engine));
    ISpObjectWithToken* withToken = nullptr;
    if (engine) {
        engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
    }
    ISpObjectToken* token = makeToken(u"tembra");
    Site site;
    SPVTEXTFRAG only = fragment(SPVA_Speak, kSentence);
    check(withToken && withToken->SetObjectToken(token) == S_OK &&
              engine->Speak(0, SPDFID_WaveFormatEx, nullptr, &only, &site) == S_OK,
          "the sentence is spoken");
    token->Release();
    FILE* file = _wfopen(path.c_str(), L"wb");
    check(file && std::fwrite(site.audio.data(), 1, site.audio.size(), file) == site.audio.size(),
          "the audio is written to the file");
    if (file) {
        std::fclose(file);
    }
    if (withToken) {
        withToken->Release();
    }
    if (engine) {
        engine->Release();
    }
}

void aggregation(IClassFactory* factory) {
    struct Outer : IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
        ULONG STDMETHODCALLTYPE Release() override { return --references; }
        ULONG references = 1;
    } outer;
    void* object = reinterpret_cast<void*>(1);
    HRESULT hr = factory->CreateInstance(&outer, IID_ISpTTSEngine, &object);
    check(hr == CLASS_E_NOAGGREGATION && !object, "aggregation must ask for IUnknown", hr);
    IUnknown* inner = nullptr;
    hr = factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner));
    check(hr == S_OK && inner, "an aggregated engine is made", hr);
    if (inner) {
        ISpTTSEngine* engine = nullptr;
        inner->QueryInterface(IID_ISpTTSEngine, reinterpret_cast<void**>(&engine));
        check(engine && outer.references == 2, "its interfaces count on the outer object", static_cast<long>(outer.references));
        if (engine) {
            engine->Release();
        }
        inner->Release();
    }
}

std::wstring windowsPath(const char* path) {
    std::wstring wide = path[0] == '/' ? L"Z:" : L"";
    for (const char* p = path; *p; ++p) {
        wide += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    return wide;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::printf("usage: EngineClient.exe PATH-OF-vxtts.dll [PCM-FILE]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const HMODULE dll = LoadLibraryW(windowsPath(argv[1]).c_str());
    check(dll != nullptr, "the DLL loads", static_cast<long>(GetLastError()));
    if (!dll) {
        return failures;
    }
    const auto getClassObject = entry<GetClassObject>(dll, "DllGetClassObject");
    const auto canUnloadNow = entry<CanUnloadNow>(dll, "DllCanUnloadNow");
    const auto registerServer = entry<RegisterServer>(dll, "DllRegisterServer");
    check(getClassObject && canUnloadNow && registerServer, "the entry points are exported");

    check(registerServer() == S_OK, "the DLL registers itself");
    findVoices();

    void* object = reinterpret_cast<void*>(1);
    HRESULT hr = getClassObject(IID_IUnknown, IID_IClassFactory, &object);
    check(hr == CLASS_E_CLASSNOTAVAILABLE && !object, "another class ID is not available", hr);
    check(getClassObject(kEngineClassId, IID_IClassFactory, nullptr) == E_POINTER, "a null out pointer is refused");

    check(canUnloadNow() == S_OK, "nothing keeps the DLL loaded at first");
    IClassFactory* factory = nullptr;
    hr = getClassObject(kEngineClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    check(hr == S_OK && factory, "the class factory is handed out", hr);
    if (factory) {
        check(canUnloadNow() == S_FALSE, "a held factory keeps the DLL loaded");
        speak(factory);
        aggregation(factory);
        if (argc == 3) {
            speakToFile(factory, windowsPath(argv[2]));
        }
        factory->LockServer(TRUE);
        factory->Release();
        check(canUnloadNow() == S_FALSE, "a server lock keeps the DLL loaded");
        IClassFactory* again = nullptr;
        getClassObject(kEngineClassId, IID_IClassFactory, reinterpret_cast<void**>(&again));
        check(again == factory, "the factory is made once and kept");
        again->LockServer(FALSE);
        again->Release();
    }
    check(canUnloadNow() == S_OK, "the DLL may unload after the last release");
    std::printf("%s: %d failure(s)\n", argv[0], failures);
    return failures == 0 ? 0 : 1;
}
