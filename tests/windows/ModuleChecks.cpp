// The Windows build under Wine: the modules that drive engine libraries, each through the test
// library that stands in for its engine (tests/standins, built as DLLs with this build), so that
// the records the module shares with RHVoice and the Newfon engine's callback thread, events and
// time-outs are checked on Windows' own objects and in both architectures.
// Prints one line per failed check; exits 1 if any failed.

#include "modules/NewfonModule.h"
#include "modules/RhvoiceModule.h"
#include "tests/modules/StandinLibrary.h"
#include "tests/windows/Checks.h"

#include <string>
#include <vector>

namespace {

// A check whose message is UTF-8, as the stand-ins' journals are.
void check(bool ok, const std::string& what) {
    const std::u16string text = vx::fromUtf8(what);
    vx::test::check(ok, std::wstring(text.begin(), text.end()));
}

struct Sink final : vx::EngineSink {
    std::int32_t OnAudio(const void*, std::uint32_t byteCount, const vx::SentenceMark*) override {
        blocks.push_back(byteCount);
        return 0;
    }
    std::vector<std::uint32_t> blocks;
};

// Speaks text with the module at rate 0; the sizes of the blocks the sink got. A text is said
// when some of its audio came (one the engine never began is not).
std::vector<std::uint32_t> speak(vx::SpeechModule& module, const std::u16string& text) {
    Sink sink;
    module.SetRate(0);
    module.SetSink(&sink);
    const bool said = module.Speak(text);
    check(said == !sink.blocks.empty(), "said as its audio came: " + vx::toUtf8(text));
    return sink.blocks;
}

void rhvoice() {
    const std::u16string folder = vx::test::standinFolder("rhvoice");
    // At rate 0 each of the five characters lasts 304 samples: a block of 800 becomes 1102, the
    // last one of 720 becomes 992.
    const auto module = vx::test::standin<vx::RhvoiceModule>(folder, u"RHVoice", {{u"convert", u"vxtts"}});
    check(speak(*module, u"абвгд") == std::vector<std::uint32_t>{2204, 1984},
          "RHVoice: blocks of 800 and 720 samples at 22050 Hz");
    const std::string heard = vx::test::journal(folder, u"RHVoice");
    check(heard.find("duration_stretch=1.90\n") != std::string::npos && heard.find("synth абвгд\n") != std::string::npos,
          "RHVoice heard: " + heard);
}

void newfon() {
    const std::string abc = "abcdefghijklmnopqrst"; // a full block of 2000 samples
    const struct {
        std::string text;
        std::vector<std::uint32_t> blocks;
        bool cancelled;
    } rows[] = {
        {abc + abc + "abcde", {2000, 2000, 500}, false}, {"mute " + abc, {}, true}, {"stall " + abc, {2000}, true},
        {abc, {2000}, true},
    };
    const std::u16string folder = vx::test::standinFolder("newfon");
    for (const auto& row : rows) {
        const auto module = vx::test::standin<vx::NewfonModule>(folder, u"newfon");
        check(speak(*module, vx::fromUtf8(row.text)) == row.blocks, "Newfon: the blocks of " + row.text);
        const std::string heard = vx::test::journal(folder, u"newfon");
        check((heard.find("cancel") != std::string::npos) == row.cancelled, "Newfon heard: " + heard);
    }
}

} // namespace

int main(int, char** argv) {
    rhvoice();
    newfon();
    return vx::test::finish(argv[0]);
}
