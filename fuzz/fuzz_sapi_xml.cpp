// SAPI XML read into fragments: any input is read or refused with SapiXmlError, never anything
// worse. What is read lies in the input: each fragment's text is what is written at its source
// offset with entities and character references decoded (an unknown tag's text: as written), the
// chain links the fragments in order and the states stay in SAPI's ranges.

#include "cli/SapiXml.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Utf.h"

#include <map>

namespace {

using namespace vx;

// What is written with its entities and references replaced; the reader has refused any other '&'.
std::u16string decoded(std::u16string_view written) {
    static const std::map<std::u16string_view, char16_t> kEntities = {
        {u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"quot", u'"'}, {u"apos", u'\''}};
    std::u16string out;
    for (std::size_t at = 0; at < written.size(); ++at) {
        const std::size_t end = written.find(u';', at);
        if (written[at] != u'&' || end == written.npos) {
            out += written[at];
            continue;
        }
        const std::u16string_view name = written.substr(at + 1, end - at - 1);
        at = end;
        if (!name.starts_with(u'#')) {
            out += kEntities.at(name);
            continue;
        }
        const bool hex = name.starts_with(u"#x");
        appendUtf16(out, static_cast<char32_t>(std::stoul(toUtf8(name.substr(hex ? 2 : 1)), nullptr, hex ? 16 : 10)));
    }
    return out;
}

void check(std::u16string_view xml, const cli::SapiXml& read) {
    const SPVTEXTFRAG* expected = read.chain();
    VX_FUZZ_CHECK(expected == (read.fragments().empty() ? nullptr : read.fragments().data()));
    for (std::size_t i = 0; i < read.fragments().size(); ++i) {
        const SPVTEXTFRAG& fragment = read.fragments()[i];
        const SPVSTATE& state = fragment.State;
        VX_FUZZ_CHECK(&fragment == expected);
        expected = fragment.pNext;
        const cli::SapiXml::Span source = read.source(i);
        VX_FUZZ_CHECK(source.offset == fragment.ulTextSrcOffset && source.offset + source.length <= xml.size());
        VX_FUZZ_CHECK(fragment.pTextStart[fragment.ulTextLen] == u'\0');
        const std::u16string_view text(fragment.pTextStart, fragment.ulTextLen);
        const std::u16string_view written = xml.substr(source.offset, source.length);
        if (state.eAction == SPVA_ParseUnknownTag) {
            VX_FUZZ_CHECK(text == written && written.starts_with(u'<') && written.ends_with(u'>'));
        } else {
            VX_FUZZ_CHECK(text == decoded(written));
        }
        // A fragment without text stands at its tag.
        VX_FUZZ_CHECK(source.length > 0 || state.eAction == SPVA_Bookmark || xml[source.offset] == u'<');
        VX_FUZZ_CHECK((state.pPhoneIds != nullptr) == (state.eAction == SPVA_Pronounce));
        VX_FUZZ_CHECK(state.Volume <= 100 && (state.EmphAdj == 0 || state.EmphAdj == 1));
        VX_FUZZ_CHECK(state.SilenceMSecs <= 65535 && (state.SilenceMSecs == 0 || state.eAction == SPVA_Silence));
    }
    VX_FUZZ_CHECK(expected == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string xml = fromUtf8({reinterpret_cast<const char*>(data), size});
    try {
        const cli::SapiXml read(xml);
        check(xml, read);
    } catch (const cli::SapiXmlError&) {
        // Refused with a message: what malformed input should get.
    }
    return 0;
}
