// The reading stage with the shipped Russian and English languages on any UTF-16LE text: it never
// throws, and what the shipped voice then gives its built-in synthesizer holds nothing but the
// small Russian letters, single spaces and . , ? ! ; : - (every other character is silent there).

#include "fuzz/FuzzSupport.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/LangsConf.h"
#include "text/TextPipeline.h"
#include "text/TextReader.h"

namespace {

using namespace vx;

constexpr std::u16string_view kSpeakable = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя .,?!;:-";

struct Shipped {
    LangsConf langs;
    std::vector<const Language*> languages;
    Shipped() {
        VX_FUZZ_CHECK(langs.load(u"", {platform::parentFolder(fromUtf8(VX_PROGRAM_DATA_DIR))}));
        languages = {langs.get(u"ru"), langs.get(u"en")};
        VX_FUZZ_CHECK(languages[0] && languages[1]);
    }
};

struct Portions : PortionSink {
    bool stopRequested() const override { return false; }
    void sentenceStart(std::uint32_t, std::uint32_t) override {}
    bool hasModule(std::size_t) const override { return true; }
    bool speak(std::size_t, const TextPortion& portion) override {
        if (portion.find_first_not_of(kSpeakable) != std::u16string::npos)
            std::fprintf(stderr, "unspeakable: \"%s\"\n", toUtf8(portion).c_str());
        VX_FUZZ_CHECK(portion.find_first_not_of(kSpeakable) == std::u16string::npos);
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Shipped shipped;
    const std::u16string text = fuzz::decodeUtf16le(data, size);
    const std::u16string read = readText(text, shipped.languages);
    PipelineSettings settings;
    Portions portions;
    speakText(read, shipped.languages, true, settings, portions);
    return 0;
}
