// The Windows build under Wine. A SAPI client of the engine DLL: it loads the DLL as COM would,
// registers it, lists its voices through SAPI, speaks with each (with a token and an output site of
// its own: Wine's ISpVoice::Speak and tokens' CreateInstance are not implemented), and unregisters
// it. And the audio conversion of Windows' Audio Compression Manager, the code-page conversion and
// HTTP GET through WinINet, which the engine uses (the last from the server of with_http_server.sh).
// And the faults met there: a registry write that fails, a missing module library or converter.
// usage: WineChecks.exe DLL LINUX-WAV MP3-FOLDER (the Linux build's audio of the last sentence
// spoken here, its events beside it as LINUX-WAV.events; the folder of the MP3 tones that
// CMakeLists.txt makes)
// Prints one line per failed check; exits 1 if any failed (a count could be taken for a skip code).

#include "tests/windows/Checks.h"
#include "platform/AudioConversion.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Http.h"
#include "tests/support/HttpRecording.h"
#include "tests/support/Samples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <shellapi.h>
#include <mmreg.h>
#include <msacm.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;
using vx::cli::ComRef;

using vx::test::check;
using vx::test::fileBytes;
using vx::test::fragment;
using vx::test::registryValue;
using vx::test::Site;

#define VX_CLSID L"{5E31A0C4-7D92-4b6e-9A13-C84F2D60B7E5}"
#define VX_TYPELIB L"{A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}"
const std::wstring kClassKey = L"CLSID\\" VX_CLSID;
const CLSID engineClass = {0x5E31A0C4, 0x7D92, 0x4B6E, {0x9A, 0x13, 0xC8, 0x4F, 0x2D, 0x60, 0xB7, 0xE5}};
using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
const std::wstring kTokens = L"SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\";

// The voices that SAPI lists, a line each: the token's key, its values default|409|419|422|CLSID|
// VoiceName (read from the key: Wine's tokens do not read them) and its Attributes.
std::wstring listedVoices() {
    std::wstring lines = L"\n";
    for (const vx::test::ListedVoice& listed : vx::test::listedVoices()) {
        LPWSTR id = nullptr;
        std::wstring voice = SUCCEEDED(listed.token->GetId(&id)) ? id : L"";
        CoTaskMemFree(id);
        voice.erase(0, voice.rfind(L'\\') + 1);
        const std::wstring key = kTokens + voice;
        for (const wchar_t* name : {L"", L"409", L"419", L"422", L"CLSID", L"VoiceName"}) {
            voice += L"|" + registryValue(HKEY_LOCAL_MACHINE, key, name);
        }
        lines += voice + L"|" + listed.attributes + L"\n";
    }
    return lines;
}

// The registration's keys, with the values that COM and SAPI read, are there while registered and
// gone after, the parent keys kept (the program IDs' subkeys are written, and go, with them).
void checkRegistration(bool registered, const std::wstring& modulePath) {
    const std::tuple<std::wstring, const wchar_t*, std::wstring> rows[] = {
        {L"Vexalon.TTSShell.1", L"", L"TTSClass"}, {L"Vexalon.TTSShell", L"", L"TTSClass"},
        {kClassKey, L"", L"TTSClass"}, {kClassKey + L"\\InprocServer32", L"", modulePath},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Both"}, {kClassKey + L"\\TypeLib", L"", VX_TYPELIB},
        {L"TypeLib\\" VX_TYPELIB L"\\1.0", L"", L"Vexalon TTS Shell 1.0 Type Library"}};
    for (const auto& [key, name, value] : rows) {
        const std::wstring actual = registryValue(HKEY_CLASSES_ROOT, key, name);
        check(actual == (registered ? value : L"no key"), L"HKCR\\" + key + L" [" + name + L"]: " + actual);
    }
    const std::wstring voices = listedVoices();
    for (const wchar_t* voice :
         {L"VXTembraRU|Tembra TTS Engine (Russian)|Tembra_Russian|Tembra_Russian|no value|" VX_CLSID
          L"|tembra|Tembra_Russian|Male|Adult|VX|419",
          L"VXTembraUK|Tembra TTS Engine (Ukrainian)|Tembra_Ukrainian|Tembra_Ukrainian|Tembra_Ukrainian|" VX_CLSID
          L"|tembra_uk|Tembra_Ukrainian|Male|Adult|VX|422"}) {
        const bool listed = voices.find(L"\n" + std::wstring(voice) + L"\n") != std::wstring::npos;
        check(listed == registered, (listed ? L"listed: "s : L"not listed: "s) + voice + L"; SAPI lists:" + voices);
    }
    check(registryValue(HKEY_LOCAL_MACHINE, kTokens) != L"no key" &&
              registryValue(HKEY_CLASSES_ROOT, L"CLSID") != L"no key",
          L"the parent keys stay");
}

// A new engine object of the factory speaks the fragments as vx::test::speak has it.
Site speak(IClassFactory* factory, const wchar_t* voice, const SPVTEXTFRAG* text, long rate = 0,
           HRESULT spoken = S_OK) {
    ComRef<ISpTTSEngine> engine;
    factory->CreateInstance(nullptr, IID_ISpTTSEngine, engine.out());
    return vx::test::speak(engine.get(), voice, text, rate, spoken);
}

// The length, RMS level and largest step between neighbours of 8-bit (unsigned) or 16-bit mono audio.
struct Measure {
    double seconds, level, step;
};
template <class Bytes> Measure measure(const Bytes& bytes, const WAVEFORMATEX& f) {
    const std::vector<int> s = vx::test::decoded(bytes, f.wBitsPerSample);
    const double full = f.wBitsPerSample == 8 ? 128 : 32768;
    int step = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        step = std::max(step, std::abs(s[i] - s[i - 1]));
    }
    return {static_cast<double>(s.size()) / f.nSamplesPerSec, vx::test::rms(s) / full, step / full};
}

// The audio in of format from converted to to through one stream, in blocks of the given size.
std::vector<unsigned char> streamed(const std::vector<unsigned char>& in, const WAVEFORMATEX& from,
                                    const WAVEFORMATEX& to, std::uint32_t block) {
    std::vector<unsigned char> out, piece;
    const auto converter = vx::AudioConverter::open(from, to);
    for (std::uint32_t at = 0, size = static_cast<std::uint32_t>(in.size()); converter && at < size; at += block) {
        converter->convert(in.data() + at, std::min(block, size - at), piece);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    if (converter && converter->finish(piece)) out.insert(out.end(), piece.begin(), piece.end());
    return out;
}

// A second of 440 Hz at half of full scale keeps its length and level converted whole, and
// converted in the built-in voice's blocks of 4096 bytes through one stream has no step at the
// joins. (Wine resamples with low fidelity: lengths, levels and steps are checked, not samples.)
void convert(DWORD fromRate, WORD fromBits, DWORD toRate, WORD toBits) {
    const std::wstring row = std::to_wstring(fromRate) + L" Hz " + std::to_wstring(fromBits) + L"-bit -> " +
                             std::to_wstring(toRate) + L" Hz " + std::to_wstring(toBits) + L"-bit: ";
    const WAVEFORMATEX from = vx::test::pcm(fromRate, 1, fromBits), to = vx::test::pcm(toRate, 1, toBits);
    std::vector<unsigned char> in, whole;
    for (DWORD i = 0; i < fromRate; ++i) {
        const long s = std::lround(16383 * std::sin(2 * 3.14159265358979 * 440.0 * i / fromRate));
        if (fromBits == 16) in.push_back(static_cast<unsigned char>(s & 0xFF));
        in.push_back(static_cast<unsigned char>(fromBits == 8 ? (s >> 8) + 128 : (s >> 8) & 0xFF));
    }
    vx::ConvertAudio(in.data(), static_cast<std::uint32_t>(in.size()), &whole, &from, &to);
    const Measure once = measure(whole, to);
    const Measure blocks = measure(streamed(in, from, to, 4096), to);
    check(std::fabs(once.seconds - 1.0) < 0.01, row + L"one second lasts " + std::to_wstring(once.seconds));
    check(std::fabs(once.level - 0.354) < 0.05, row + L"the level becomes " + std::to_wstring(once.level));
    check(std::fabs(blocks.seconds - once.seconds) * toRate <= 4,
          row + L"converted in blocks it lasts " + std::to_wstring(blocks.seconds));
    check(blocks.step <= once.step * 1.1, row + L"a step at the joins of " + std::to_wstring(blocks.step));
}

// A second of 440 Hz made MP3 by lame in an online module's format, decoded by the system's codec
// (and resampled to toRate) whole, and through one stream in blocks of 8192, 1000 and 1 bytes, which
// give the same audio (Wine's resampler restarts its phase at each pass, a block of decoded audio,
// by a fraction of a sample: there, the same length within a few samples, with no step at the
// joins). The tone keeps its length, pitch and level after the codec's delay.
void decodeMp3(const std::string& folder, DWORD rate, WORD kbps, DWORD toRate) {
    const std::wstring row = L"MP3 " + std::to_wstring(rate) + L" Hz -> " + std::to_wstring(toRate) + L" Hz: ";
    const std::string file = fileBytes(folder + "/tone" + std::to_string(rate) + "-" + std::to_string(kbps) + ".mp3");
    const std::vector<unsigned char> mp3(file.begin(), file.end());
    const auto frameBytes = static_cast<WORD>(72000 * kbps / rate);
    const MPEGLAYER3WAVEFORMAT f{{WAVE_FORMAT_MPEGLAYER3, 1, rate, 125U * kbps, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES},
                                MPEGLAYER3_ID_MPEG, MPEGLAYER3_FLAG_PADDING_OFF, frameBytes, 1, 0};
    const WAVEFORMATEX to = vx::test::pcm(toRate);
    std::vector<unsigned char> whole;
    check(vx::ConvertAudio(mp3.data(), static_cast<std::uint32_t>(mp3.size()), &whole, &f.wfx, &to),
          row + L"decoded whole");
    for (const std::uint32_t bytes : {8192U, 1000U, 1U}) {
        const std::vector<unsigned char> blocks = streamed(mp3, f.wfx, to, bytes);
        const long longer = static_cast<long>(blocks.size()) - static_cast<long>(whole.size());
        check(blocks == whole || (toRate != rate && std::abs(longer) <= 16 &&
                                  measure(blocks, to).step <= measure(whole, to).step * 1.1),
              row + L"in blocks of " + std::to_wstring(bytes) + L" bytes, " + std::to_wstring(longer) + L" longer");
    }
    const std::vector<int> s = vx::test::decoded(whole, 16);
    const std::vector<int> tone = vx::test::toneOf(s);
    const double frame = 576.0 * toRate / rate, hz = vx::test::frequency(tone, toRate);
    const double level = vx::test::rms(tone) / 32768;
    check(std::fabs(static_cast<double>(tone.size()) - toRate) <= frame && s.size() - tone.size() <= 4 * frame,
          row + L"a tone of " + std::to_wstring(tone.size()) + L" samples among " + std::to_wstring(s.size()));
    check(std::fabs(hz - 440) < 8.8 && std::fabs(level - 0.354) < 0.05,
          row + std::to_wstring(hz) + L" Hz at level " + std::to_wstring(level));
    const std::string page = "<html><body>503 Service Unavailable</body></html>";
    check(!vx::ConvertAudio(reinterpret_cast<const unsigned char*>(page.data()), static_cast<std::uint32_t>(page.size()),
                            &whole, &f.wfx, &to) && whole.empty(),
          row + L"an error page instead of MP3 gives no audio");
}

// The code pages as the Linux build converts them (its platform tests hold the whole table).
void convertText() {
    const std::tuple<std::u16string, unsigned, std::string> rows[] = {
        {u"Съешь ёж", 1251, "\xD1\xFA\xE5\xF8\xFC \xB8\xE6"}, {u"a漢\U0001F600b", 1251, "a???b"},
        {std::u16string{u'a', char16_t{0xD83D}, u'b', char16_t{0xDE00}}, 1251, "a?b?"}, {u"Да", 866, "\x84\xA0"},
        {u"Да", 12345, ""},
    };
    for (const auto& [text, codePage, bytes] : rows) {
        const std::string got = vx::ToMultiByte(text, codePage);
        check(got == bytes, L"code page " + std::to_wstring(codePage) + L": " + std::wstring(got.begin(), got.end()));
    }
}

// A library that opens files by narrow name (eSpeak NG its data) finds a folder whose name the
// legacy code page cannot spell, through its short name.
void narrowPaths() {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = temporary + L"Голос é"s, file = folder + L"\\data.txt";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::ofstream(file.c_str()) << "eSpeak";
    const std::string narrow = vx::platform::narrowPath(std::u16string(file.begin(), file.end()));
    std::string read;
    std::ifstream(narrow) >> read;
    check(read == "eSpeak", L"a file opened by the narrow path " + std::wstring(narrow.begin(), narrow.end()));
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// WinINet through the loopback server of with_http_server.sh: the Linux build's HTTP table, in
// short (bodies of zeros, counted). Wine bounds the wait within a body by the connect time-out.
void httpGets() {
    using vx::platform::HttpResult;
    const char* server = std::getenv("VX_HTTP_URL");
    const char* folder = std::getenv("VX_HTTP_FOLDER");
    if (!check(server && folder, L"VX_HTTP_URL and VX_HTTP_FOLDER: run under with_http_server.sh")) return;
    const std::string octets = "application/octet-stream";
    const struct {
        std::string path;
        HttpResult result;
        std::string type;
        std::uint64_t bytes;
        int stopAfter = -1;
        vx::platform::HttpTimeouts timeouts{};
    } rows[] = {
        {"/zeros/1000000", HttpResult::Stopped, octets, vx::platform::kHttpChunk, 1},
        {"/zeros/20000?type=audio%2Fmpeg%3B+charset%3Dx", HttpResult::Completed, "audio/mpeg; charset=x", 20000},
        {"/zeros/10?type=none", HttpResult::Completed, "(none)", 10},
        {"/zeros/10", HttpResult::Stopped, octets, 0, 0},
        {"/zeros/0", HttpResult::Completed, octets, 0},
        {"/zeros/5?q=" + std::string(20000, 'a'), HttpResult::Completed, octets, 5},
        {"/zeros/20000?chunk=5000&pause=400", HttpResult::Completed, octets, 20000, -1, {5000, 1000}},
        {"http://127.0.0.1:1/", HttpResult::CannotOpen, "(not called)", 0},
        {"/zeros/10?delay=3000", HttpResult::TimedOut, "(not called)", 0, -1, {500, 5000}},
        {"/zeros/100000?stall=10000", HttpResult::TimedOut, octets, 10000, -1, {1000, 1000}},
        {"/zeros/100000?truncate=5000", HttpResult::Failed, octets, 5000},
        {"http://vxtts.invalid/", HttpResult::CannotOpen, "(not called)", 0},
        {"/zeros/5?status=500&type=text%2Fhtml", HttpResult::Completed, "text/html", 5},
        {"/zeros/52428800", HttpResult::Completed, octets, 52428800},
    };
    const auto session = vx::platform::HttpSession::open("vxtts-test/1.0");
    if (!check(session != nullptr, L"an HTTP session opens")) return;
    std::size_t sent = 0;
    for (const auto& row : rows) {
        const bool local = row.path.front() == '/';
        vx::test::HttpRecording recording;
        recording.stopAfter = row.stopAfter;
        const DWORD start = GetTickCount();
        const HttpResult result = session->get(local ? server + row.path : row.path,
                                               "Content-Type: text/plain; charset=UTF-8", row.timeouts, recording);
        const DWORD waited = GetTickCount() - start; // a hang, not a slow answer, passes 20 s
        // The first piece of a stopped body is whatever had arrived, at most a chunk.
        const std::size_t got = recording.body.size();
        const bool bytes = row.stopAfter == 1 ? got <= row.bytes : got == row.bytes;
        check(result == row.result && recording.type == row.type && bytes && recording.faults == 0 && waited < 20000,
              L"HTTP " + std::wstring(row.path.begin(), row.path.begin() + std::min<std::size_t>(row.path.size(), 60)) +
                  L": result " + std::to_wstring(static_cast<int>(result)) + L", type " +
                  std::wstring(recording.type.begin(), recording.type.end()) + L", " +
                  std::to_wstring(got) + L" bytes in " + std::to_wstring(waited) + L" ms");
        sent += local;
    }
    std::ifstream log("Z:"s + folder + "/requests.log");
    std::size_t withHeader = 0;
    for (std::string line; std::getline(log, line);) withHeader += line.ends_with("\ttext/plain; charset=UTF-8");
    check(withHeader == sent, L"each request sent the header line: " + std::to_wstring(withHeader));
}

} // namespace

// The engine's log (UTF-16 in the temporary folder) from its character at on.
std::wstring logFrom(std::size_t at) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::string bytes = fileBytes(temporary + L"vxtts.log"s);
    std::wstring text(bytes.size() / 2, L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text.substr(std::min(at, text.size()));
}

// A voice that cannot speak as configured fails its Speak without a byte of audio, and the log
// says why in one line.
void checkFailingVoice(IClassFactory* factory, const wchar_t* voice, const std::wstring& logged) {
    const std::size_t at = logFrom(0).size();
    const SPVTEXTFRAG word = fragment(SPVA_Speak, L"абвгд");
    const std::size_t spoken = speak(factory, voice, &word, 0, E_FAIL).audio.size();
    const std::wstring log = logFrom(at);
    check(spoken == 0 && log == logged + L"\n", L"a failing voice spoke " + std::to_wstring(spoken) + L" bytes and logged " + log);
}

BOOL CALLBACK listDriver(HACMDRIVERID id, DWORD_PTR list, DWORD) {
    reinterpret_cast<std::vector<HACMDRIVERID>*>(list)->push_back(id);
    return TRUE;
}

// Every ACM driver of this process removed: no audio conversion can be opened any more.
void removeAudioConverters() {
    std::vector<HACMDRIVERID> drivers;
    acmDriverEnum(listDriver, reinterpret_cast<DWORD_PTR>(&drivers), 0);
    for (const HACMDRIVERID id : drivers) acmDriverRemove(id, 0);
}

// A copy of the program (the DLL and its data) without the modules folder that holds eSpeak NG's
// library: its eSpeak voice fails, the log naming the file, and its built-in voice still speaks.
void checkWithoutEspeak(const std::wstring& modulePath) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring program = modulePath.substr(0, modulePath.find_last_of(L'\\')), copy = temporary + L"no-espeak"s;
    const std::wstring from = program + L"\\vxtts.dll" + L'\0' + program + L"\\data" + L'\0', to = copy + L'\0';
    SHFILEOPSTRUCTW copying{nullptr, FO_COPY, from.c_str(), to.c_str(), FOF_NO_UI, FALSE, nullptr, nullptr};
    const HMODULE dll = CreateDirectoryW(copy.c_str(), nullptr) && SHFileOperationW(&copying) == 0
                            ? LoadLibraryW((copy + L"\\vxtts.dll").c_str()) : nullptr;
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(dll ? GetProcAddress(dll, "DllGetClassObject") : nullptr));
    IClassFactory* factory = nullptr;
    if (!check(getClassObject && getClassObject(engineClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK,
               L"a copy of the program without eSpeak NG loads from " + copy)) {
        return;
    }
    checkFailingVoice(factory, L"espeak_ru", L"* can't load module espeak: " + copy + L"\\modules\\libespeak-ng.dll");
    const SPVTEXTFRAG word = fragment(SPVA_Speak, L"да");
    check(!speak(factory, L"tembra", &word).audio.empty(), L"without eSpeak NG the built-in voice speaks");
    factory->Release();
}

// Writes the string's bytes to the file at path: wide text as UTF-16LE.
template <class Char> void writeBytes(const std::wstring& path, const std::basic_string<Char>& bytes) {
    std::ofstream(path.c_str(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size() * sizeof(Char)));
}

// The user's copy of the data after an upgrade, as an engine object finds it, where Windows' own
// file calls replace files: a file still as it was shipped to the user (here: en_latin.conf, given
// en.conf's content, which the user's manifest says was shipped under its name) follows the
// program's; one the user lacks (ru_stress.txt) is added; the user's manifest becomes the
// program's. (Which files stay the user's is the Linux build's DataRefreshTest.)
void checkUpgrade(IClassFactory* factory, const std::wstring& modulePath, const std::wstring& data) {
    const std::wstring program = modulePath.substr(0, modulePath.find_last_of(L'\\')) + L"\\data\\";
    const std::string shipped = fileBytes(program + L"manifest.txt");
    const std::size_t en = shipped.find("  en.conf\n");
    const std::size_t latin = shipped.find("  en_latin.conf\n");
    if (!check(en != std::string::npos && latin != std::string::npos && en >= 16 && latin >= 16,
               L"the program's data has a manifest listing en.conf and en_latin.conf")) {
        return;
    }
    std::string old = shipped;
    old.replace(latin - 16, 16, shipped.substr(en - 16, 16));
    writeBytes(data + L"manifest.txt", old);
    writeBytes(data + L"en_latin.conf", fileBytes(program + L"en.conf"));
    DeleteFileW((data + L"ru_stress.txt").c_str());
    const SPVTEXTFRAG word = fragment(SPVA_Speak, L"да");
    speak(factory, L"tembra", &word);
    check(fileBytes(data + L"en_latin.conf") == fileBytes(program + L"en_latin.conf"), L"an unchanged file follows the program's");
    check(fileBytes(data + L"ru_stress.txt") == fileBytes(program + L"ru_stress.txt"), L"a missing file is added");
    check(fileBytes(data + L"manifest.txt") == shipped, L"the user's manifest becomes the program's");
}

int main(int argc, char** argv) {
    convert(22050, 8, 22050, 16); // the built-in voice's samples widened
    convert(22050, 8, 44100, 16); // and resampled
    convert(22050, 8, 16000, 16);
    convert(22050, 16, 11025, 8);
    convert(16000, 16, 22050, 16);
    convertText();
    narrowPaths();
    httpGets();
    if (!check(argc == 4, L"usage: WineChecks DLL LINUX-WAV MP3-FOLDER")) return 1;
    decodeMp3(argv[3], 22050, 32, 22050); // the online modules' formats
    decodeMp3(argv[3], 16000, 24, 22050); // decoded, then resampled
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const HMODULE dll = LoadLibraryA(argv[1]);
    if (!check(dll != nullptr, L"the DLL loads")) return 1;
    // The exports themselves are dll_linkage.sh's business.
    auto entry = [dll](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll, name)); };
    auto call = [&entry](const char* name) { return reinterpret_cast<HRESULT(WINAPI*)()>(entry(name))(); };
    const auto getClassObject = reinterpret_cast<GetClassObject>(entry("DllGetClassObject"));
    wchar_t modulePath[MAX_PATH];
    GetModuleFileNameW(dll, modulePath, MAX_PATH);

    // A second registration makes the class key afresh, dropping anything left in it.
    const std::wstring stale = kClassKey + L"\\Stale";
    check(call("DllRegisterServer") == S_OK && !RegSetValueW(HKEY_CLASSES_ROOT, stale.c_str(), REG_SZ, L"x", 1) &&
              call("DllRegisterServer") == S_OK && registryValue(HKEY_CLASSES_ROOT, stale) == L"no key",
          L"registration, twice, leaves no stale subkey in the class key");
    checkRegistration(true, modulePath);

    void* object = reinterpret_cast<void*>(1);
    check(getClassObject(IID_IUnknown, IID_IClassFactory, &object) == CLASS_E_CLASSNOTAVAILABLE && !object,
          L"another class ID is not available");
    check(getClassObject(engineClass, IID_IClassFactory, nullptr) == E_POINTER, L"a null out pointer is refused");
    check(call("DllCanUnloadNow") == S_OK, L"nothing keeps the DLL loaded at first");
    IClassFactory* factory = nullptr;
    if (check(getClassObject(engineClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK,
              L"the class factory is handed out")) {
        check(call("DllCanUnloadNow") == S_FALSE, L"a held factory keeps the DLL loaded");
        object = reinterpret_cast<void*>(1);
        check(factory->CreateInstance(factory, IID_ISpTTSEngine, &object) == CLASS_E_NOAGGREGATION && !object,
              L"an aggregated engine must be asked for IUnknown");
        // A bookmark between two speak fragments: the shipped voices' events are exact, so it comes
        // where the second text's audio begins, together with that text's sentence; the first text
        // is one portion whose second sentence is marked at its first word.
        for (const wchar_t* voice : {L"tembra", L"tembra_uk"}) {
            SPVTEXTFRAG last = fragment(SPVA_Speak, L"Вот и всё.");
            SPVTEXTFRAG bookmark = fragment(SPVA_Bookmark, L"42", &last);
            const SPVTEXTFRAG first =
                fragment(SPVA_Speak, L"Мама мыла раму. А папа читал газету, очень длинную газету.", &bookmark);
            const Site site = speak(factory, voice, &first);
            const auto& at = site.sentences;
            check(at.size() == 3 && at[0] == 2 && at[0] < at[1] && at[1] < at[2] && at[2] < site.audio.size() &&
                      site.bookmarks == L"42@" + std::to_wstring(at[2]) + L"#42 ",
                  L"three sentences, the bookmark as name@offset#number where the second text begins: " +
                      site.bookmarks);
        }
        // The sentence that CMakeLists.txt has the Linux build speak: the synthesis is deterministic,
        // so the DLL must speak the same samples.
        const SPVTEXTFRAG sentence = fragment(SPVA_Speak, L"Съешь же ещё этих мягких французских булок.");
        const Site said = speak(factory, L"tembra", &sentence);
        const std::string& audio = said.audio;
        const std::string linuxAudio = vx::test::wavAudio(fileBytes(std::string(argv[2])));
        check(!linuxAudio.empty() && audio == linuxAudio, L"the audio (" + std::to_wstring(audio.size()) +
                                                              L" bytes) is not the Linux WAV's (" +
                                                              std::to_wstring(linuxAudio.size()) + L")");
        // And the same events: its sentence and its words at the same places in text and audio.
        check(!said.events.empty() && said.events == fileBytes(std::string(argv[2]) + ".events"),
              L"the events are not the Linux build's:\n" + std::wstring(said.events.begin(), said.events.end()));
        // The eSpeak voice through the library in modules beside the DLL, 16-bit at 22050 Hz: Russian,
        // and Latin words through its English, each audible for a plausible time; the site's
        // fastest rate is clearly faster than its slowest.
        const auto espeak = [&](const wchar_t* text, long rate = 0) {
            const SPVTEXTFRAG words = fragment(SPVA_Speak, text);
            return measure(speak(factory, L"espeak_ru", &words, rate).audio, vx::test::pcm(22050));
        };
        for (const wchar_t* text : {L"Съешь же ещё этих мягких французских булок.", L"Hello world, this is English."}) {
            const Measure m = espeak(text);
            check(m.level > 0.03 && m.seconds > wcslen(text) / 30.0 && m.seconds < wcslen(text) / 5.0,
                  L"eSpeak: " + std::to_wstring(m.seconds) + L" s at level " + std::to_wstring(m.level) + L" for " + text);
        }
        const double slowest = espeak(L"Вот и всё, до свидания.", -10).seconds;
        const double fastest = espeak(L"Вот и всё, до свидания.", 10).seconds;
        check(fastest < 0.6 * slowest, L"eSpeak at rates -10 and 10: " + std::to_wstring(slowest) + L" s and " +
                                           std::to_wstring(fastest) + L" s");
        checkWithoutEspeak(modulePath);
        // RHVoice and Newfon voices of the user's own configuration, through the libraries that
        // stand in for the engines: the DLL's modules load them and their audio reaches the site
        // (at the normal rate 160 samples of 16 bits, or 100 of 8 bits, a character of the portion
        // "абвгд ", whose space Newfon trims).
        const std::wstring folder = L"" VX_STANDIN_FOLDER;
        const std::wstring data = _wgetenv(L"APPDATA") + L"\\VxTts\\data\\"s;
        checkUpgrade(factory, std::wstring(modulePath), data);
        // And the online modules against the loopback server: an MP3 tone decoded through ACM, and
        // a body that is no WAV file, written whole, through WinINet.
        const char* server = std::getenv("VX_HTTP_URL");
        const char* served = std::getenv("VX_HTTP_FOLDER");
        const std::string url = server ? server : "http://127.0.0.1:1";
        const std::wstring address(url.begin(), url.end());
        if (served) {
            const std::string from = argv[3] + "/tone22050-32.mp3"s, to = "Z:"s + served + "/tone.mp3";
            check(CopyFileA(from.c_str(), to.c_str(), FALSE), L"the MP3 tone is served");
        }
        // Among them voices that cannot speak: a module library that is not there, and output
        // formats that need a converter, later taken away.
        const std::wstring odd = L"\noutput_format = 44100,1,16\n", rhvoice = L"/rhvoice\nmodule = RHVoice.dll";
        writeBytes(data + L"engines.conf",
                   L"[rhvoice_gone]\npath = " + folder + L"/none\nmodule = RHVoice.dll\n[rhvoice_odd]\npath = " + folder +
                       rhvoice + odd + L"[tembra_odd]" + odd + L"[rhvoice]\npath = " + folder + rhvoice +
                       L"\n[newfon]\npath = " + folder + L"/newfon\nmodule = newfon.dll\n[gtranslator]\nsubname = ru\n"
                       L"request = " + address + L"/file/tone.mp3?type=audio%2Fmpeg&t=%s\n[mstranslator]\nsubname = ru\n"
                       L"request = " + address + L"/zeros/16000?type=audio%2Fx-wav&a=%s&t=%s&l=%s\n");
        writeBytes(data + L"voices.conf",
                   L"[rhvoice]\nru = rhvoice\n[newfon]\nru = newfon\n[google]\nru = gtranslator\n[ms]\nru = mstranslator\n"
                   L"[gone]\nru = rhvoice_gone\n[odd]\nru = rhvoice_odd\n[odd_tembra]\nru = tembra_odd\n"s);
        const SPVTEXTFRAG word = fragment(SPVA_Speak, L"абвгд");
        for (const auto& [voice, bytes] : {std::pair{L"rhvoice", 1920u}, std::pair{L"newfon", 500u}}) {
            const std::size_t spoken = speak(factory, voice, &word).audio.size();
            check(spoken == bytes, L"the stand-in voice "s + voice + L" spoke " + std::to_wstring(spoken) + L" bytes");
        }
        const Measure google = measure(speak(factory, L"google", &word).audio, vx::test::pcm(22050));
        check(std::fabs(google.seconds - 1.07) < 0.03 && google.level > 0.1,
              L"the MP3 voice: " + std::to_wstring(google.seconds) + L" s at level " + std::to_wstring(google.level));
        check(speak(factory, L"ms", &word).audio.size() == 16000, L"the WAV voice writes the body whole");
        // Then without Windows' audio converters, as on a system that lacks them (Wine converts
        // any PCM rate, so no format of ours is refused).
        removeAudioConverters();
        const auto refused = [](const wchar_t* from) {
            return L"* the system cannot convert audio of "s + from + L" to output_format 44100,1,16: nothing is spoken";
        };
        const std::pair<const wchar_t*, std::wstring> failing[] = {
            {L"gone", L"* can't load module rhvoice_gone: " + folder + L"/none\\RHVoice.dll"},
            {L"odd", refused(L"16000 Hz, 1 channel(s), 16 bits")},
            {L"odd_tembra", refused(L"22050 Hz, 1 channel(s), 8 bits")},
            {L"google", L"* Error: the system cannot decode google's MP3 to 22050 Hz: nothing is spoken"},
        };
        for (const auto& [voice, logged] : failing) checkFailingVoice(factory, voice, logged);
        factory->LockServer(TRUE);
        factory->Release();
        check(call("DllCanUnloadNow") == S_FALSE, L"a server lock keeps the DLL loaded");
        IClassFactory* again = nullptr;
        getClassObject(engineClass, IID_IClassFactory, reinterpret_cast<void**>(&again));
        check(again == factory, L"the factory is made once and kept");
        again->LockServer(FALSE);
        again->Release();
    }
    check(call("DllCanUnloadNow") == S_OK, L"the DLL may unload after the last release");
    check(call("DllUnregisterServer") == S_OK, L"the DLL unregisters itself");
    checkRegistration(false, modulePath);
    // A registration whose write fails removes all it wrote and returns the failure. The write is
    // made to fail by a volatile key of ours made beforehand, under which the registry makes no
    // lasting key: the last voice token's Attributes, or the type library's version.
    for (const auto& [root, key] : {std::pair{HKEY_LOCAL_MACHINE, kTokens + L"VXTembraUK"},
                                    std::pair{HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\" VX_TYPELIB)}}) {
        HKEY volatileKey = nullptr;
        RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &volatileKey, nullptr);
        RegCloseKey(volatileKey);
        const HRESULT registered = call("DllRegisterServer");
        RegDeleteTreeW(root, key.c_str());
        check(FAILED(registered), L"registration under a volatile " + key + L" fails: " + std::to_wstring(registered));
        checkRegistration(false, modulePath);
    }
    return vx::test::finish(argv[0]);
}
