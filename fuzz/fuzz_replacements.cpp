// A replacement dictionary of random entries applied to random text (UTF-8 lines: "key=value"
// entries, then "" and the text): the result is never longer than the growth limit allows; when
// nothing cut the application short it is what applying the entries one by one gives, and when
// an entry would have passed the limit, that entry is named and the text is what the entries
// before it made (the one-by-one reference, where it stays small enough to run). A stop request
// before the first entry leaves the text as it was.

#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceReplacements.h"
#include "platform/Utf.h"
#include "text/ReplacementDictionary.h"

#include <algorithm>
#include <string_view>

using namespace vx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string input = fromUtf8({reinterpret_cast<const char*>(data), size});
    const std::size_t split = input.find(u"\n\n");
    const std::u16string text = split == std::u16string::npos ? input : input.substr(split + 2);
    ReplacementDictionary dictionary;
    fuzz::Replacements entries;
    for (std::size_t at = 0; split != std::u16string::npos && at < split;) {
        const std::size_t end = std::min(input.find(u'\n', at), split);
        const std::u16string line = input.substr(at, end - at);
        const std::size_t equals = line.find(u'=');
        if (equals != std::u16string::npos && equals > 0) {
            const std::u16string key = line.substr(0, equals);
            dictionary.set(key, std::u16string_view(line).substr(equals + 1));
            entries[key] = *dictionary.find(key); // as the dictionary read the value
        }
        at = end + 1;
    }
    ReplacementDictionary::Cut cut;
    const std::u16string applied = dictionary.apply(text, {}, &cut);
    VX_FUZZ_CHECK(applied.size() <= std::max(ReplacementDictionary::kGrowth * text.size(), ReplacementDictionary::kMinLimit) ||
                  applied == text);
    if (fuzz::referenceStaysSmall(text.size(), entries)) {
        fuzz::Replacements before;
        for (const auto& entry : entries) {
            if (cut.why == ReplacementDictionary::Cut::Why::Growth && entry.first == cut.key) break;
            before.insert(entry);
        }
        VX_FUZZ_CHECK(applied == fuzz::replaceOneByOne(text, before));
    }
    ReplacementDictionary::Cut stopped;
    VX_FUZZ_CHECK(dictionary.apply(text, [] { return true; }, &stopped) == text);
    VX_FUZZ_CHECK(text.empty() || dictionary.empty() || stopped.why != ReplacementDictionary::Cut::Why::None ||
                  applied == text);
    return 0;
}
