// The engine DLL as a SAPI application uses it, through SAPI itself: Wine 10's, which speaks
// through the installed engines (run_in_wine10.sh registers the DLL first). It lists the voices
// through the token category, finds ours with the attributes the registration writes, and speaks
// through SpVoice into an output stream of its own, synchronously and asynchronously, at the
// rates and volumes of sentences.tsv, whose audio must be the Linux build's, byte for byte.
// usage: SapiClient.exe [ENGINE-DLL] FOLDER (sentences.tsv and linux/ID.wav for each of its rows;
// ENGINE-DLL, the Windows path in ASCII of the vxtts.dll that must have spoken, as the installer
// test gives it: SAPI finds the engine through the registry view of this program's width)
// Prints one line per failed check; exits 1 if any failed.
//
// Wine 10.0's SAPI leaves out what is therefore not checked here. Events: SetInterest and
// GetEvents answer E_NOTIMPL, and its engine site drops what AddEvents hands it. SAPI XML: Speak
// with SPF_IS_XML answers E_NOTIMPL, and text that starts with '<' is spoken as plain text, tags
// and all. Skip, Pause and GetStatus answer E_NOTIMPL. And any conversion between the engine's
// format and the stream's: Speak into a 16-bit stream answers E_NOINTERFACE, so the stream takes
// the engine's own format, 22050 Hz 8-bit mono.

#include "cli/ComRef.h"
#include "platform/ComObject.h"
#include "platform/Utf.h"
#include "tests/support/Samples.h"
#include "tests/windows/Checks.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;
using vx::cli::ComRef;

using vx::test::check;
using vx::test::ListedVoice;
using vx::test::fileBytes;
using vx::test::wavAudio;

std::wstring hex(HRESULT result) {
    wchar_t text[11];
    std::swprintf(text, std::size(text), L"0x%08lX", static_cast<unsigned long>(result));
    return text;
}

std::wstring wide(const std::string& utf8) { return vx::toWideChars(vx::fromUtf8(utf8)); }

// An output stream in memory, as an application hands SAPI to keep the audio: the system's memory
// stream (CreateStreamOnHGlobal) telling its wave format (ISpStreamFormat), the engine's own. SAPI
// writes from its own thread; the application takes the audio only after Speak or WaitUntilDone
// has returned.
class MemoryStream : public ISpStreamFormat {
public:
    static std::span<const vx::InterfaceEntry> interfaces() {
        static constexpr vx::InterfaceEntry kInterfaces[] = {
            vx::interfaceEntry<MemoryStream, ISpStreamFormat>(IID_ISpStreamFormat),
            vx::interfaceEntry<MemoryStream, IStream>(IID_IStream),
            vx::interfaceEntry<MemoryStream, ISequentialStream>(IID_ISequentialStream),
        };
        return kInterfaces;
    }
    MemoryStream() { CreateStreamOnHGlobal(nullptr, TRUE, vx::test::out(memory_)); }
    virtual ~MemoryStream() = default;

    // The bytes written since the last call; the stream starts empty again.
    std::string take() {
        STATSTG stat{};
        HGLOBAL global = nullptr;
        memory_->Stat(&stat, STATFLAG_NONAME);
        GetHGlobalFromStream(memory_.get(), &global);
        const auto* bytes = static_cast<const char*>(GlobalLock(global));
        std::string audio(bytes, bytes ? static_cast<std::size_t>(stat.cbSize.QuadPart) : 0);
        GlobalUnlock(global);
        memory_->SetSize({});
        memory_->Seek({}, STREAM_SEEK_SET, nullptr);
        return audio;
    }

    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override {
        return memory_->Read(data, size, read);
    }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        return memory_->Write(data, size, written);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) override {
        return memory_->Seek(move, origin, at);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return memory_->SetSize(size); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        return memory_->CopyTo(to, size, read, written);
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return memory_->Commit(flags); }
    HRESULT STDMETHODCALLTYPE Revert() override { return memory_->Revert(); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER at, ULARGE_INTEGER size, DWORD type) override {
        return memory_->LockRegion(at, size, type);
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER at, ULARGE_INTEGER size, DWORD type) override {
        return memory_->UnlockRegion(at, size, type);
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override { return memory_->Stat(stat, flags); }
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override { return memory_->Clone(copy); }

    // The built-in voice's format, so that SAPI hands the engine's audio through unconverted.
    HRESULT STDMETHODCALLTYPE GetFormat(GUID* formatId, WAVEFORMATEX** format) override {
        *format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
        if (!*format) return E_OUTOFMEMORY;
        **format = vx::test::pcm(22050, 1, 8);
        *formatId = SPDFID_WaveFormatEx;
        return S_OK;
    }

private:
    ComRef<IStream> memory_;
};

// The token of the listed voice whose attributes begin with "name|", or null.
ISpObjectToken* voiceNamed(const std::vector<ListedVoice>& voices, const std::wstring& name) {
    for (const ListedVoice& voice : voices) {
        if (voice.attributes.starts_with(name + L"|")) return voice.token.get();
    }
    return nullptr;
}

// A row of sentences.tsv.
struct Sentence {
    std::string id;
    std::wstring voice;
    long rate;
    USHORT volume;
    bool async;
    std::wstring text;
};

std::vector<Sentence> readSentences(const std::string& path) {
    std::vector<Sentence> rows;
    std::istringstream table(fileBytes(path));
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line.front() == '#') continue;
        std::vector<std::string> field;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) field.push_back(cell);
        if (!check(field.size() == 7, L"a row of 7 fields: " + wide(line))) continue;
        rows.push_back({field[0], wide(field[1]), std::stol(field[3]),
                        static_cast<USHORT>(std::stoul(field[4])), field[5] == "async", wide(field[6])});
    }
    return rows;
}

// Speaks each sentence with a voice set up as its row says, and compares the audio with the
// Linux build's.
void speakSentences(ISpVoice* voice, MemoryStream& stream, const std::vector<ListedVoice>& voices,
                    const std::string& folder) {
    const std::vector<Sentence> sentences = readSentences(folder + "/sentences.tsv");
    check(!sentences.empty(), L"the sentences to speak are read from " + wide(folder) + L"/sentences.tsv");
    for (const Sentence& s : sentences) {
        const std::wstring row = wide(s.id) + L": ";
        ISpObjectToken* token = voiceNamed(voices, s.voice);
        if (!check(token && voice->SetVoice(token) == S_OK, row + L"SetVoice " + s.voice)) continue;
        check(voice->SetRate(s.rate) == S_OK && voice->SetVolume(s.volume) == S_OK,
              row + L"SetRate, SetVolume");
        const HRESULT spoken = voice->Speak(s.text.c_str(), s.async ? SPF_ASYNC : SPF_DEFAULT, nullptr);
        check(spoken == S_OK && (!s.async || voice->WaitUntilDone(60000) == S_OK),
              row + L"Speak returns " + hex(spoken) + (s.async ? L", then WaitUntilDone" : L""));
        const std::string audio = stream.take();
        const std::string expected = wavAudio(fileBytes(folder + "/linux/" + s.id + ".wav"));
        const auto differ = std::mismatch(audio.begin(), audio.end(), expected.begin(), expected.end()).first;
        check(!expected.empty() && audio == expected,
              row + L"the audio (" + std::to_wstring(audio.size()) + L" bytes) is not the Linux build's (" +
                  std::to_wstring(expected.size()) + L"), from byte " +
                  std::to_wstring(differ - audio.begin()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!check(argc == 2 || argc == 3, L"usage: SapiClient [ENGINE-DLL] FOLDER")) return 1;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::vector<ListedVoice> voices = vx::test::listedVoices();
    std::wstring listed;
    for (const ListedVoice& voice : voices) listed += L"\n  " + voice.attributes;
    for (const wchar_t* ours : {L"Tembra_Russian|Male|Adult|VX|419", L"Tembra_Ukrainian|Male|Adult|VX|422"}) {
        const auto isOurs = [ours](const ListedVoice& voice) { return voice.attributes == ours; };
        check(std::any_of(voices.begin(), voices.end(), isOurs), L"SAPI lists no voice "s + ours + L"; it lists:" + listed);
    }

    ComRef<ISpVoice> voice;
    ComRef<ISpStreamFormat> output;
    if (!check(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice.out()) == S_OK &&
                   vx::ComObject<MemoryStream>::Create(nullptr, IID_ISpStreamFormat, output.out()) == S_OK &&
                   voice->SetOutput(output.get(), FALSE) == S_OK,
               L"an SpVoice with the stream as its output")) {
        return 1;
    }
    auto& stream = static_cast<MemoryStream&>(*output.get());
    speakSentences(voice.get(), stream, voices, argv[argc - 1]);
    if (argc == 3) vx::test::checkLoadedEngine(wide(argv[1]), L"SAPI");
    // Nothing to say is no failure, with the voice of the last sentence.
    for (const wchar_t* text : {L"", L"   ", L"@"}) {
        const HRESULT spoken = voice->Speak(text, SPF_DEFAULT, nullptr);
        check(spoken == S_OK, L"Speak(\"" + std::wstring(text) + L"\") returns " + hex(spoken));
    }
    return vx::test::finish(argv[0]);
}
