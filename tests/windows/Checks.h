#pragma once
// What the Windows test programs share: a check that prints what failed and counts it, the
// program's last line, the audio of the WAV files the Linux build wrote for them to match, a
// registry value, the engine DLL a program has loaded, the voices that SAPI lists, and an engine
// object speaking to an output site of the program's own.

#include "cli/ComRef.h"
#include "cli/VoiceToken.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vx::test {

inline int failures = 0;

// Prints what failed and counts it; returns ok.
inline bool check(bool ok, const std::wstring& what) {
    if (!ok) {
        std::wprintf(L"FAIL: %ls\n", what.c_str());
        ++failures;
    }
    return ok;
}

// Prints how many checks failed; the program's exit status, 1 when any did.
inline int finish(const char* program) {
    std::printf("%s: %d failure(s)\n", program, failures);
    return failures == 0 ? 0 : 1;
}

// The bytes of a file (path as a narrow or a wide string); empty when it cannot be read.
template <class Char> std::string fileBytes(const std::basic_string<Char>& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The audio of a WAV file that vxtts wrote: its data chunk as the header sizes it (an odd-sized
// chunk is followed by a pad byte, which is not audio); empty when the file is shorter.
inline std::string wavAudio(const std::string& wav) {
    std::uint32_t size = 0;
    if (wav.size() >= 44) std::memcpy(&size, wav.data() + 40, sizeof size);
    return wav.size() >= 44 + std::size_t{size} ? wav.substr(44, size) : std::string();
}

// The string value of key under root ("" names the default value); "no key" or "no value" when
// there is none.
inline std::wstring registryValue(HKEY root, const std::wstring& key, const wchar_t* name = L"") {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return L"no key";
    wchar_t value[512];
    DWORD size = sizeof value;
    const LSTATUS read = RegGetValueW(handle, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size);
    RegCloseKey(handle);
    return read == ERROR_SUCCESS ? value : L"no value";
}

// Checks that the engine DLL (vxtts.dll) loaded into this program is the one at path; what says
// which check it is.
inline void checkLoadedEngine(const std::wstring& path, const std::wstring& what) {
    wchar_t loaded[MAX_PATH] = L"";
    if (const HMODULE engine = GetModuleHandleW(L"vxtts.dll")) GetModuleFileNameW(engine, loaded, MAX_PATH);
    check(_wcsicmp(loaded, path.c_str()) == 0, what + L": the engine that spoke is " + loaded + L", not " + path);
}

template <class T> T** out(cli::ComRef<T>& ref) { return reinterpret_cast<T**>(ref.out()); }

// A voice token that SAPI lists, with its Attributes' values "Name|Gender|Age|Vendor|Language" ("-"
// for one that is missing).
struct ListedVoice {
    cli::ComRef<ISpObjectToken> token;
    std::wstring attributes;
};

inline std::vector<ListedVoice> listedVoices() {
    std::vector<ListedVoice> voices;
    cli::ComRef<ISpObjectTokenCategory> category;
    cli::ComRef<IEnumSpObjectTokens> tokens;
    check(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL, IID_ISpObjectTokenCategory,
                           category.out()) == S_OK &&
              category->SetId(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices", FALSE) == S_OK &&
              category->EnumTokens(nullptr, nullptr, out(tokens)) == S_OK,
          L"SAPI lists the voice tokens");
    for (cli::ComRef<ISpObjectToken> token; tokens && tokens->Next(1, out(token), nullptr) == S_OK;) {
        cli::ComRef<ISpDataKey> key;
        std::wstring attributes;
        token->OpenKey(L"Attributes", out(key));
        for (const wchar_t* name : {L"Name", L"Gender", L"Age", L"Vendor", L"Language"}) {
            LPWSTR value = nullptr;
            const bool read = key && key->GetStringValue(name, &value) == S_OK;
            attributes += (attributes.empty() ? L"" : L"|") + std::wstring(read ? value : L"-");
            CoTaskMemFree(value);
        }
        voices.push_back({std::move(token), std::move(attributes)});
    }
    return voices;
}

// An output site that keeps the audio, the sentences' offsets and the bookmarks (their names live
// only during AddEvents).
class Site final : public ISpTTSEngineSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* list, ULONG count) override {
        for (const SPEVENT* e = list; e != list + count; ++e) {
            if (e->eEventId == SPEI_SENTENCE_BOUNDARY || e->eEventId == SPEI_WORD_BOUNDARY) {
                // As vxtts --events writes them: the audio before the event, not SAPI's offset of 2.
                events += std::string("{\"event\":\"") + (e->eEventId == SPEI_WORD_BOUNDARY ? "word" : "sentence") +
                          "\",\"offset\":" + std::to_string(e->lParam) + ",\"length\":" + std::to_string(e->wParam) +
                          ",\"position\":" + std::to_string(e->ullAudioStreamOffset - 2) + "}\n";
            }
            if (e->eEventId == SPEI_SENTENCE_BOUNDARY) {
                sentences.push_back(e->ullAudioStreamOffset);
            } else if (e->eEventId == SPEI_TTS_BOOKMARK && e->elParamType == SPET_LPARAM_IS_STRING) {
                bookmarks += reinterpret_cast<const wchar_t*>(e->lParam) + std::wstring(L"@") +
                             std::to_wstring(e->ullAudioStreamOffset) + L"#" + std::to_wstring(e->wParam) + L" ";
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override {
        *interest = SPFEI(SPEI_SENTENCE_BOUNDARY) | SPFEI(SPEI_WORD_BOUNDARY) | SPFEI(SPEI_TTS_BOOKMARK);
        return S_OK;
    }
    // A rate of its own is announced with every call, as SAPI does when the user changes it.
    DWORD STDMETHODCALLTYPE GetActions() override { return rate ? SPVES_RATE : 0; }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        audio.append(static_cast<const char*>(data), size);
        *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRate(long* out) override { *out = rate; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) override { *volume = 100; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE*, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompleteSkip(long) override { return E_NOTIMPL; }

    long rate = 0;
    std::string audio;
    std::vector<ULONGLONG> sentences;
    std::wstring bookmarks;
    std::string events; // sentence and word events as JSON lines
};

// A text fragment at full volume, followed by next.
inline SPVTEXTFRAG fragment(SPVACTIONS action, const wchar_t* text, SPVTEXTFRAG* next = nullptr) {
    SPVTEXTFRAG f{next, {}, text, static_cast<ULONG>(wcslen(text)), 0};
    f.State.eAction = action;
    f.State.Volume = 100;
    return f;
}

// The engine object, given the token of the vxtts command (it holds only the value the engine
// reads, "VoiceName"), speaks the fragments at the site's rate; Speak must answer spoken.
inline Site speak(ISpTTSEngine* engine, const std::wstring& voice, const SPVTEXTFRAG* text, long rate = 0,
                  HRESULT spoken = S_OK) {
    Site site;
    site.rate = rate;
    cli::ComRef<ISpObjectToken> token;
    cli::ComRef<ISpObjectWithToken> withToken;
    ComObject<cli::VoiceToken>::Create(nullptr, IID_ISpObjectToken, token.out(), std::u16string(voice.begin(), voice.end()));
    check(engine && engine->QueryInterface(IID_ISpObjectWithToken, withToken.out()) == S_OK &&
              withToken->SetObjectToken(token.get()) == S_OK &&
              engine->Speak(0, SPDFID_WaveFormatEx, nullptr, text, &site) == spoken,
          L"the engine takes the token and speaks as " + voice);
    return site;
}

} // namespace vx::test
