// Stands in for the Newfon engine library: the calls the module makes are noted in the journal,
// and each text is spoken on a thread of the library's own, as 100 samples (unsigned 8 bits,
// 10000 Hz) a byte of text, handed to the callback in blocks of 2000 with a shorter last block.
// cancel ends a text between blocks. The text can ask for a fault: "mute" stalls before the
// first block and "stall" after it, until cancelled; a text of a multiple of 20 bytes ends on a
// full block. initialize fails unless both companion libraries are already loaded.

#include "modules/NewfonApi.h"
#include "platform/Event.h"
#include "platform/Lock.h"
#include "tests/standins/Journal.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <thread>
#endif

using vx::standin::note;

namespace {

constexpr std::int32_t kSamplesPerByte = 100;
constexpr std::uint32_t kForever = 0xFFFFFFFF;
constexpr std::uint32_t kLongestStall = 10000;

vx::newfon::Callback* callback = nullptr;
vx::platform::Lock jobLock;
std::string jobText; // guarded by jobLock, as is jobIndex
std::int32_t jobIndex = 0;
vx::platform::Event jobReady, cancelled, quitting;

void speak(const std::string& text, std::int32_t index) {
    std::vector<unsigned char> samples(text.size() * kSamplesPerByte);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<unsigned char>(128 + std::lround(100 * std::sin(2 * 3.14159265358979 * 400 * i / 10000.0)));
    const auto total = static_cast<std::int32_t>(samples.size());
    for (std::int32_t first = 0; first < total; first += vx::newfon::kBlockSamples) {
        const bool stall = text.find(first == 0 ? "mute" : "stall") != std::string::npos;
        if ((stall && cancelled.wait(kLongestStall)) || cancelled.isSet() || !callback) return;
        const std::int32_t count = std::min(vx::newfon::kBlockSamples, total - first);
        if (callback(index, samples.data() + first, count) != 0) return;
    }
}

void work() {
    while (jobReady.wait(kForever) && !quitting.isSet()) {
        std::unique_lock guard(jobLock);
        const std::string text = std::exchange(jobText, {});
        const std::int32_t index = jobIndex;
        jobReady.reset();
        guard.unlock();
        speak(text, index);
    }
}

#ifdef _WIN32
HANDLE worker = nullptr;
DWORD WINAPI runWorker(void*) { return work(), 0; }
bool companionLoaded(const char* name) { return GetModuleHandleA((std::string(name) + ".dll").c_str()) != nullptr; }
void startWorker() { worker = CreateThread(nullptr, 0, runWorker, nullptr, 0, nullptr); }
void joinWorker() { WaitForSingleObject(worker, INFINITE), CloseHandle(worker); }
#else
std::thread worker;
bool companionLoaded(const char* name) {
    void* const handle = dlopen((std::string(name) + ".so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle && dlclose(handle) == 0;
}
void startWorker() { worker = std::thread(work); }
void joinWorker() { worker.join(); }
#endif

} // namespace

VX_STANDIN_EXPORT std::int32_t initialize() {
    const bool ready = companionLoaded("dict") && companionLoaded("sdrvxpdb");
    note(ready ? "initialize 1" : "initialize 0");
    if (ready) {
        quitting.reset();
        startWorker();
    }
    return ready ? 1 : 0;
}

VX_STANDIN_EXPORT void terminate() {
    note("terminate");
    quitting.set();
    jobReady.set();
    joinWorker();
}

VX_STANDIN_EXPORT void set_callback(vx::newfon::Callback* function) { callback = function; }
#define VX_SETTER(name) VX_STANDIN_EXPORT void name(std::int32_t value) { note(#name " " + std::to_string(value)); }
VX_SETTER(set_accel) VX_SETTER(set_rate) VX_SETTER(set_volume) VX_SETTER(set_pitch_max) VX_SETTER(set_pitch_min)
VX_SETTER(set_voice) VX_SETTER(set_dictionary)

VX_STANDIN_EXPORT void speakText(const char* text, std::int32_t index) {
    note("speakText " + std::to_string(index) + " " + text);
    const std::lock_guard guard(jobLock);
    cancelled.reset();
    jobText = text;
    jobIndex = index;
    jobReady.set();
}

VX_STANDIN_EXPORT void cancel() {
    note("cancel");
    cancelled.set();
}
