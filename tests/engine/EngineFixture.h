#pragma once
// What the engine tests share: a configuration tree in a temporary folder, speech modules that
// record what they are asked to do, and a SAPI site that records what the engine gives it.

#include "engine/TtsEngine.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

// Everything the recording modules were asked, in order, as readable lines:
// "speak [<text>] @<rate>/<volume>/<pitch>", "silence <ms>", "stop".
struct Journal {
    std::vector<std::u16string> lines;
    std::uint32_t bytesPerSpeak = 0; // audio each Speak delivers
    bool speakResult = true;
    std::function<void()> duringSpeak; // called inside every module Speak
};
Journal& journal();

// A module of the kind "tembra" that records instead of speaking.
std::unique_ptr<SpeechModule> makeRecordingModule(ModuleKind kind);

// A configuration tree: folder/data/{langs,engines,voices}.conf and ru.conf.
struct ConfigTree {
    explicit ConfigTree(const TempFolder& root, std::string folder = "program");
    void write(const std::string& file, std::u16string_view text) const;
    std::u16string path;

private:
    const TempFolder& root_;
    std::string folder_;
};

// The usual tree: a Russian language, one "tembra" module, voices "tembra" and "other".
void writeStandardTree(const ConfigTree& tree);

// Points the per-user folder into root, so that no test touches the home folder (the log is in
// the test program's own temporary folder).
void useTemporaryHome(const TempFolder& root);

// A token that answers "VoiceName" with name.
ISpObjectToken* makeToken(std::u16string name);

struct RecordedEvent {
    SPEVENT event;
    std::u16string text; // a bookmark's string
};

class RecordingSite : public ISpTTSEngineSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override;
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* value) override {
        *value = interestCalls++ == 0 ? interest : laterInterest.value_or(interest);
        return S_OK;
    }
    DWORD STDMETHODCALLTYPE GetActions() override;
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE GetRate(LONG* value) override {
        *value = rate;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* value) override {
        *value = volume;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG) override { return E_NOTIMPL; }

    ULONGLONG interest = 0;
    std::optional<ULONGLONG> laterInterest; // the answer after the first, when it changes
    std::size_t interestCalls = 0;
    std::vector<DWORD> actions; // answers of GetActions in turn; 0 once used up
    std::size_t actionCalls = 0;
    LONG rate = 0;
    USHORT volume = 100;
    bool failWrites = false;
    std::vector<unsigned char> audio;
    std::vector<RecordedEvent> events;
    // Writes and events in order: "write <bytes>", "event <id> @<offset>".
    std::vector<std::string> order;
    virtual ~RecordingSite() = default;
};

// A chain of fragments built up one by one; the texts live as long as the chain.
class Fragments {
public:
    Fragments& speak(std::u16string text, LONG rateAdj = 0, ULONG volume = 100, LONG pitchAdj = 0);
    Fragments& silence(ULONG milliseconds);
    Fragments& bookmark(std::u16string text);
    Fragments& spell(std::u16string text);
    const SPVTEXTFRAG* first();

private:
    Fragments& add(SPVACTIONS action, std::u16string text);
    std::vector<std::unique_ptr<std::u16string>> texts_;
    std::vector<SPVTEXTFRAG> list_;
};

// An engine object made through its COM factory, with the given folders and recording modules.
struct EngineHandle {
    ISpTTSEngine* engine = nullptr;
    ISpObjectWithToken* withToken = nullptr;
    HRESULT created = E_FAIL;
    explicit EngineHandle(const EngineFolders& folders);
    ~EngineHandle();
    TtsEngine& object() const { return *static_cast<TtsEngine*>(engine); }
};

} // namespace vx::test
