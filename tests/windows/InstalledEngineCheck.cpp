// The engine as the installer leaves it, found as a SAPI program finds it: through the registry
// view of this program's width. Each of the engine's voice tokens there names a class, which COM
// creates from the DLL that the view's InprocServer32 names; that must be the installed DLL, and
// the engine speaks with the token's VoiceName. The Russian voice speaks the sentence that
// tests/windows/CMakeLists.txt has the Linux build speak, to the same samples.
// usage: InstalledEngineCheck.exe INSTALLED-DLL LINUX-WAV (the DLL's Windows path, in ASCII)
// Prints one line per failed check; exits 1 if any failed.

#include "tests/windows/Checks.h"

#include <string>

namespace {

using vx::test::check;

// The audio of the voice token's engine, created through COM, speaking text; the DLL it came from
// is checked against installed.
std::string speakThrough(const std::wstring& token, const std::wstring& installed, const wchar_t* text) {
    const std::wstring key = L"SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\" + token;
    const std::wstring voice = vx::test::registryValue(HKEY_LOCAL_MACHINE, key, L"VoiceName");
    CLSID engineClass{};
    vx::cli::ComRef<ISpTTSEngine> engine;
    const bool created =
        CLSIDFromString(vx::test::registryValue(HKEY_LOCAL_MACHINE, key, L"CLSID").c_str(), &engineClass) == S_OK &&
        CoCreateInstance(engineClass, nullptr, CLSCTX_INPROC_SERVER, IID_ISpTTSEngine, engine.out()) == S_OK;
    if (!check(created && voice.rfind(L"no ", 0) != 0, token + L": its class makes an engine and it names a voice"))
        return {};
    vx::test::checkLoadedEngine(installed, token);
    const SPVTEXTFRAG fragment = vx::test::fragment(SPVA_Speak, text);
    const std::string audio = vx::test::speak(engine.get(), voice, &fragment).audio;
    check(!audio.empty(), token + L": the engine speaks with the voice " + voice);
    return audio;
}

} // namespace

int main(int argc, char** argv) {
    if (!check(argc == 3, L"usage: InstalledEngineCheck INSTALLED-DLL LINUX-WAV")) return 1;
    const std::string dll = argv[1];
    const std::wstring installed(dll.begin(), dll.end());
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string russian =
        speakThrough(L"VXTembraRU", installed, L"Съешь же ещё этих мягких французских булок.");
    const std::string linuxAudio = vx::test::wavAudio(vx::test::fileBytes(std::string(argv[2])));
    check(!linuxAudio.empty() && russian == linuxAudio,
          L"the Russian voice's audio (" + std::to_wstring(russian.size()) +
              L" bytes) is not the Linux build's (" + std::to_wstring(linuxAudio.size()) + L")");
    speakThrough(L"VXTembraUK", installed, L"Доброго ранку, як справи?");
    CoUninitialize();
    return vx::test::finish(argv[0]);
}
